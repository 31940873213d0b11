#pragma once

#include "ReferenceDirections.h"
#include "RotaryHarmonics.h"
#include "SpeedBands.h"
#include "TravelBins.h"
#include "TravelSample.h"

#include <optional>
#include <vector>

// Everything a recording tells about the signal beyond one Lissajous fit:
// along the travel, over a revolution (for a rotary encoder), over speed,
// and the reference mark in both directions, from the same samples.
class TravelSurvey
{
public:
    struct Settings
    {
        double equivalentNm = 0.0;  // nanometres per signal period
        double binPeriods = 0.0;    // 0: chosen from the recording
        std::optional<double> periodsPerRevolution; // a rotary encoder's
        std::optional<double> amplitudeMinPct;      // the speed bands' threshold
    };

    struct Result
    {
        std::size_t samples = 0;
        double firstMs = 0.0, lastMs = 0.0;
        TravelBins::Result travel;
        RotaryHarmonics::Result rotary; // without figures for a linear encoder
        SpeedBands::Result speed;
        ReferenceDirections::Result reference;
    };

    static Result analyse(const std::vector<TravelSample>& samples, const Settings& settings);
};
