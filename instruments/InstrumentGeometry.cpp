#include "InstrumentGeometry.h"

#include <QtGlobal>

#include <cmath>

namespace InstrumentGeometry {

PlotSquare plotSquare(int w, int h)
{
    PlotSquare s{};
    s.left = w / 2 - h / 2;
    s.right = w / 2 + h / 2;
    s.top = 5;
    s.bottom = h - 6;
    s.width = s.right - s.left + 1;
    s.height = s.bottom - s.top + 1;
    s.cx = s.left + s.width / 2;
    s.cy = s.top + s.height / 2;
    s.radius = qMin(s.width, s.height) / 2 - 15;
    return s;
}

QPointF sampleDot(const PlotSquare& square, double sin, double cos)
{
    return QPointF(square.cx + square.radius * (cos / 512.0 - 1.0),
                   square.cy + square.radius * (sin / 512.0 - 1.0));
}

Dial dial(const QRect& rect)
{
    Dial d{};
    d.R = qMin(rect.width(), rect.height()) / 2;
    d.r2 = d.R / 2 + 2;
    d.r3 = 5.0 * d.R / 8.0;
    d.hub = d.R / 7.0;
    d.cx = (rect.left() + rect.right()) / 2;
    d.cy = (rect.top() + rect.bottom()) / 2;
    return d;
}

double tickAngle(int tick)
{
    return kStartDegrees + kDegreesPerUnit * tick;
}

double needleAngle(double value)
{
    return value * kDegreesPerUnit + kStartDegrees;
}

QRectF valueBox(const Dial& d)
{
    const double u = d.r2 / 5.0;
    return QRectF(d.cx - 4.5 * u, d.cy + 6.0 * u, 9.0 * u, 2.0 * u);
}

int valueFontPointSize(const Dial& d)
{
    return int(std::trunc(d.r2 / 5.0));
}

int gaugeNumber(double value)
{
    if (std::isnan(value) || std::fabs(value) > 1e9)
        return 0;
    return 2 * int(std::trunc(value));
}

} // namespace InstrumentGeometry
