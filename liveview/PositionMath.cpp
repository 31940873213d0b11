#include "PositionMath.h"

#include <cmath>

namespace PositionMath {

namespace {
constexpr double kUnitsPerPeriod = 512.0;
constexpr double kNmPerMm = 1000000.0;
} // namespace

double toSingle(double value)
{
    return double(float(value));
}

double sinCosRaw(qint64 sinCosPosition)
{
    return toSingle(double(qint32(quint32(sinCosPosition))) / kUnitsPerPeriod);
}

double squareRaw(qint64 squarePosition)
{
    return toSingle(double(squarePosition));
}

double captureRaw(qint64 position, bool sinCosMode)
{
    const double low = double(qint32(quint32(position)));
    return toSingle(sinCosMode ? low / kUnitsPerPeriod : low);
}

double millimetres(double raw, double zeroOffset, quint32 equivalentNm)
{
    return (raw - zeroOffset) * (double(equivalentNm) / kNmPerMm);
}

double presetZeroOffset(double raw, double presetMm, quint32 equivalentNm, int direction)
{
    // With no equivalent every position is 0 mm and no offset shows the
    // preset; keep the display at 0 rather than dividing by zero.
    if (equivalentNm == 0)
        return raw;
    const double k = presetMm / (double(equivalentNm) / kNmPerMm);
    return direction == 1 ? raw - k : raw + k;
}

double signalAmplitude(quint16 sinSample, quint16 cosSample)
{
    const double s = sinSample / kUnitsPerPeriod - 1.0;
    const double c = cosSample / kUnitsPerPeriod - 1.0;
    return std::sqrt(s * s + c * c);
}

} // namespace PositionMath
