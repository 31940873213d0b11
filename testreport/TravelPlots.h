#pragma once

#include "SpeedBands.h"
#include "TravelBins.h"

#include <QRectF>
#include <QString>
#include <QVector>

#include <optional>

class QPainter;

// The signal along the travel and over speed as pictures, painted into any
// rectangle (the protocol's travel page, the station's strip). A bin or
// band without figures leaves a gap, never a guessed point; limits are
// drawn as dashed red lines.
namespace TravelPlots {

// What a plot along the travel shows of each bin.
enum class Quantity
{
    Amplitude,      // quality_pct: the mean amplitude, % of 512
    Offsets,        // sine and cosine offsets, %
    PhaseDeviation, // degrees
};

struct Limits
{
    std::optional<double> lower, upper;
};

// The quantity over mm from the start of the travel, with axes and labels.
void paintAlongTravel(QPainter& painter, const QRectF& area, const TravelBins::Result& travel,
                      Quantity quantity, const Limits& limits);

// The amplitude of each measured band over the signal frequency (log
// scale), with the threshold the bands must keep.
void paintOverFrequency(QPainter& painter, const QRectF& area, const SpeedBands::Result& speed);

// A compact strip of the amplitude along the travel: each measured bin a
// bar, its height the amplitude against the travel's best bin, red where
// it falls more than `variationLimitPct` below it (when given).
void paintStrip(QPainter& painter, const QRectF& area, const TravelBins::Result& travel,
                std::optional<double> variationLimitPct);

} // namespace TravelPlots
