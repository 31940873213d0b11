#include "SimSignalShape.h"

#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

void SimSignalShape::setDirtyBand(double start, double width, double depth)
{
    m_bandStart = start;
    m_bandWidth = width > 0.0 ? width : 0.0;
    m_bandDepth = depth;
}

void SimSignalShape::setEccentricity(double periodsPerRevolution, double depth, double angleDeg)
{
    m_periodsPerRevolution = periodsPerRevolution > 0.0 ? periodsPerRevolution : 0.0;
    m_eccentricity = depth;
    m_eccentricityAngleDeg = angleDeg;
}

double SimSignalShape::amplitudeFactor(double phase, double periodsPerSecond) const
{
    double factor = 1.0;
    if (m_bandWidth > 0.0 && phase >= m_bandStart && phase < m_bandStart + m_bandWidth)
        factor *= 1.0 - m_bandDepth;
    if (m_periodsPerRevolution > 0.0 && m_eccentricity != 0.0) {
        const double angle = kTwoPi * phase / m_periodsPerRevolution;
        factor *= 1.0 + m_eccentricity * std::cos(angle - m_eccentricityAngleDeg * kTwoPi / 360.0);
    }
    if (m_cornerHz > 0.0) {
        const double ratio = periodsPerSecond / m_cornerHz;
        factor /= std::sqrt(1.0 + ratio * ratio);
    }
    return factor;
}
