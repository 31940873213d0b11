#pragma once

#include "InterpolationError.h"
#include "LissajousFit.h"

#include <QRectF>
#include <QVector>

class QPainter;

// The two pictures of a test: the Lissajous figure (sample pairs as dots,
// the fitted ellipse, the ideal circle of the fit's mean amplitude, the
// mid-scale cross) and the interpolation error over one period. Plain
// painting into a rectangle, for the protocol and any window that shows
// them. The raw scale is 0..1023 on both axes, cosine across, sine up.
namespace SignalPlots {

void paintLissajous(QPainter& painter, const QRectF& area, const QVector<SinCosPair>& pairs,
                    const LissajousFit::Result& fit);

// The error in % of a period over the period, with a symmetric scale that
// holds the curve and a zero line; "no figures" when the curve is empty.
void paintInterpolationError(QPainter& painter, const QRectF& area,
                             const QVector<InterpolationError::Point>& curve);

// Where a raw pair lands in `area` (the square centred in it).
QPointF mapPair(const QRectF& area, double sin, double cos);

} // namespace SignalPlots
