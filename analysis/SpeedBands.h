#pragma once

#include "LissajousFit.h"
#include "TravelSample.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <optional>
#include <vector>

// The signal over speed: each sample pair is placed at the signal frequency
// at which it was taken (signal periods per second, from the counted
// positions and times of the replies around it, at least 50 ms apart) and the pairs are
// grouped into frequency bands, each fitted on its own. Bands are
// kBandsPerDecade to a decade above 1 Hz (band 0 holds everything slower).
// The figure is the highest frequency up to which every measured band keeps
// its amplitude at or above a threshold, and the amplitude at the highest
// frequency the recording reached with enough pairs for a fit.
class SpeedBands
{
    Q_DECLARE_TR_FUNCTIONS(SpeedBands)

public:
    static constexpr int kBandsPerDecade = 10;
    // Without a threshold from the profile: 1/√2 of the slowest measured
    // band's amplitude (a first-order roll-off's corner).
    static constexpr double kDefaultThresholdRatio = 0.70710678118654752;

    struct Band
    {
        int index = 0;
        double fromHz = 0.0, toHz = 0.0; // the band's edges
        double minHz = 0.0, maxHz = 0.0; // of the pairs it holds
        LissajousFit::Result fit;
    };

    struct Result
    {
        bool valid = false; // at least one measured band; else `reason`
        QString reason;
        QVector<Band> bands; // every band that held a pair, slowest first
        int bandsMeasured = 0;
        double maxFrequencyHz = 0.0;      // of any pair
        double maxMeasuredHz = 0.0;       // of a pair in a measured band
        double thresholdPct = 0.0;        // amplitude (quality_pct) the bands must keep
        bool thresholdFromProfile = false;
        // The highest frequency of a pair in the last measured band, going
        // up from the slowest, whose amplitude keeps the threshold.
        double withinLimitHz = 0.0;
        bool dropSeen = false; // a measured band fell below the threshold
        double dropBandFromHz = 0.0; // the first such band's lower edge
        double amplitudeAtMaxPct = 0.0; // in the fastest measured band
    };

    static int bandOf(double hz);
    static double bandFrom(int band);

    // `thresholdPct`: the profile's minimum amplitude (quality_pct), if any.
    static Result analyse(const std::vector<TravelSample>& samples,
                          std::optional<double> thresholdPct, double equivalentNm);

    // The signal frequency at each sample (Hz; negative where no neighbour
    // in time tells it).
    static std::vector<double> frequencies(const std::vector<TravelSample>& samples);
};
