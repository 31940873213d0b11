#include "InterpolationError.h"

#include <algorithm>
#include <cmath>

namespace InterpolationError {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMidScale = 512.0;

double wrapPi(double a)
{
    while (a > kPi)
        a -= 2.0 * kPi;
    while (a <= -kPi)
        a += 2.0 * kPi;
    return a;
}

} // namespace

QVector<Point> curve(const LissajousFit::Result& fit, int points)
{
    QVector<Point> out;
    if (!fit.valid || points < 2)
        return out;
    const double os = fit.offset_sin_pct / 100.0 * kMidScale;
    const double oc = fit.offset_cos_pct / 100.0 * kMidScale;
    const double as = fit.amplitude_sin_pct / 100.0 * kMidScale;
    const double ac = fit.amplitude_cos_pct / 100.0 * kMidScale;
    const double phi = fit.phase_deviation_deg * kPi / 180.0;
    out.reserve(points);
    double e0 = 0.0, lo = 0.0, hi = 0.0;
    for (int i = 0; i < points; ++i) {
        const double theta = 2.0 * kPi * i / points;
        const double e = std::atan2(os + as * std::sin(theta), oc + ac * std::cos(theta + phi)) - theta;
        if (i == 0)
            e0 = e;
        const double pct = wrapPi(e - e0) / (2.0 * kPi) * 100.0;
        lo = std::min(lo, pct);
        hi = std::max(hi, pct);
        out.append({double(i) / points, pct});
    }
    // The constant part is only a shift of the zero.
    const double centre = (hi + lo) / 2.0;
    for (Point& p : out)
        p.errorPct -= centre;
    return out;
}

} // namespace InterpolationError
