#pragma once

#include "InterpolationError.h"
#include "LissajousFit.h"
#include "RecordingSummary.h"
#include "ToleranceProfile.h"

#include <QVector>

#include <optional>

// The figures of the test running, as they stand after the replies so far.
struct StationLive
{
    quint64 revision = 0; // changes with every update
    quint64 replies = 0;
    QVector<SinCosPair> pairs; // a picture's worth of the latest pairs
    LissajousFit::Result fit;
    QVector<InterpolationError::Point> errorCurve;
    ToleranceProfile::Verdict items; // every profile item against the figures so far
    LatchStatistics::Result sinCosLatch;
    LatchStatistics::Result squareLatch;
    RecordingSummary::Current current;
    // The signal along the travel so far (taken at most every
    // Station::kTravelIntervalMs), and the profile's variation limit.
    TravelBins::Result travel;
    std::optional<double> travelVariationLimitPct;
};
