#pragma once

#include "LissajousFit.h"

#include <QVector>

// The interpolation error over one signal period that a fitted encoder's
// faults cause: for each position θ in the period, the angle atan2 reads
// from the modelled signals minus θ, in % of one period, centred so that
// its extremes are ± the fit's interpolation_error_pct.
namespace InterpolationError {

struct Point
{
    double position = 0.0; // 0 .. 1 of the period
    double errorPct = 0.0;
};

// `points` evenly spaced positions; empty for a fit without figures.
QVector<Point> curve(const LissajousFit::Result& fit, int points);

} // namespace InterpolationError
