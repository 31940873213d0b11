#pragma once

#include "LissajousFit.h"
#include "TravelSample.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <vector>

// The signal along the travel: the sample pairs of a recording grouped by
// the counted position into bins of a set number of signal periods, each
// bin fitted on its own. Bins start at the lowest position the recording
// reached ("the start"); a bin's place is given in mm from there. A bin
// with too few pairs for a fit stays unmeasured. The worst bin of each
// quantity is named with its place, and every figure says how much of the
// travel it covers.
class TravelBins
{
    Q_DECLARE_TR_FUNCTIONS(TravelBins)

public:
    // Pairs a bin should hold on average when the bin size is left to the
    // analysis: enough for a steady fit, well above LissajousFit::kMinSamples.
    static constexpr double kAutoPairsPerBin = 256.0;

    struct Bin
    {
        qint64 index = 0;      // 0 at the start of the travel
        double centreMm = 0.0; // from the start
        LissajousFit::Result fit;
    };

    // The worst measured bin of one quantity.
    struct Worst
    {
        bool found = false;
        double value = 0.0;
        double atMm = 0.0; // the bin's centre, from the start
    };

    struct Result
    {
        bool valid = false; // at least two measured bins; else `reason`
        QString reason;
        double binPeriods = 0.0;
        double binMm = 0.0;
        qint64 startPosition = 0; // the lowest position seen, 1/512 period
        double travelMm = 0.0;    // lowest to highest position seen
        qint64 binsSpanned = 0;   // bins from the start to the end of the travel
        int binsMeasured = 0;
        QVector<Bin> bins; // every bin that held a pair, in order along the travel

        double amplitudeMeanPct = 0.0; // mean of the measured bins' quality_pct
        // (max − min) / mean of the bins' amplitude (quality_pct), in %.
        double amplitudeVariationPct = 0.0;
        Worst amplitudeMin, amplitudeMax;
        Worst offset;   // largest |offset| of either channel, % of 512
        Worst phase;    // largest |phase deviation|, degrees
        Worst ratioMin, ratioMax;
        Worst interpolation; // largest interpolation error, % of a period
    };

    // `binPeriods` 0 or less: chosen so that a bin holds kAutoPairsPerBin
    // pairs on average. `equivalentNm`: nanometres per signal period.
    static Result analyse(const std::vector<TravelSample>& samples, double binPeriods,
                          double equivalentNm);

    // The bin size for `pairs` pairs over a travel of `spanPeriods`.
    static double autoBinPeriods(std::size_t pairs, double spanPeriods);
};
