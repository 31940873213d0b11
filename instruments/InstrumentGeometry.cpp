#include "InstrumentGeometry.h"

#include <QFontMetrics>
#include <QtGlobal>
#include <QtMath>

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
    return dialOfRadius(qMin(rect.width(), rect.height()) / 2, (rect.left() + rect.right()) / 2,
                        (rect.top() + rect.bottom()) / 2);
}

Dial dialOfRadius(int R, int cx, int cy)
{
    Dial d{};
    d.R = R;
    d.r2 = d.R / 2 + 2;
    d.r3 = 5.0 * d.R / 8.0;
    d.hub = d.R / 7.0;
    d.cx = cx;
    d.cy = cy;
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

int tickLabelNumber(int tick)
{
    return 2 * tick;
}

ScaleFont scaleFont(const QFontMetrics& metrics)
{
    ScaleFont font;
    font.height = metrics.height();
    font.ascent = metrics.ascent();
    font.descent = metrics.descent();
    for (int k = 0; k < kLabelCount; ++k)
        font.widths[size_t(k)] =
            metrics.horizontalAdvance(QString::number(tickLabelNumber(k * kTicksPerLabel)));
    return font;
}

QRectF tickLabelBounds(const Dial& d, int label, const ScaleFont& font)
{
    // The painter moves to (-width/2, r3 + 16 + height) along the tick and
    // draws the text upside down with its baseline at height/2: the text box
    // spans r3 + 16 + height/2 - descent to r3 + 16 + height/2 + ascent
    // outwards and is centred across the tick.
    const double along = d.r3 + 16 + font.height / 2.0 + (font.ascent - font.descent) / 2.0;
    const double halfAlong = (font.ascent + font.descent) / 2.0;
    const double halfAcross = font.widths[size_t(label)] / 2.0;
    const double radians = qDegreesToRadians(tickAngle(label * kTicksPerLabel));
    const double s = std::sin(radians), c = std::cos(radians);
    // A tick drawn straight down and turned clockwise by the angle.
    const QPointF centre(d.cx - along * s, d.cy + along * c);
    const double hx = halfAcross * std::fabs(c) + halfAlong * std::fabs(s);
    const double hy = halfAcross * std::fabs(s) + halfAlong * std::fabs(c);
    return QRectF(centre.x() - hx, centre.y() - hy, 2 * hx, 2 * hy);
}

namespace {

bool labelsInside(const Dial& d, const QRectF& area, const ScaleFont& font)
{
    for (int k = 0; k < kLabelCount; ++k) {
        if (!area.contains(tickLabelBounds(d, k, font)))
            return false;
    }
    return true;
}

} // namespace

Dial fittedDial(const QRect& rect, const ScaleFont& font)
{
    const Dial full = dial(rect);
    const QRectF area(rect);
    if (labelsInside(full, area, font))
        return full;
    // The labels move outwards as R grows: search for the largest R that fits.
    int fits = 0, fails = full.R;
    while (fails - fits > 1) {
        const int R = (fits + fails) / 2;
        if (labelsInside(dialOfRadius(R, full.cx, full.cy), area, font))
            fits = R;
        else
            fails = R;
    }
    return dialOfRadius(fits, full.cx, full.cy);
}

bool labelsApart(const Dial& d, const ScaleFont& font)
{
    for (int k = 0; k + 1 < kLabelCount; ++k)
        if (tickLabelBounds(d, k, font).intersects(tickLabelBounds(d, k + 1, font)))
            return false;
    return true;
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

namespace {

// The smallest of 1, 2, 2.5 and 5 times a power of ten that is at least
// `value`, or with `down` the largest that is at most `value`.
double niceStep(double value, bool down)
{
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    if (down) {
        for (double mantissa : {5.0, 2.5, 2.0}) {
            if (mantissa * power <= value * (1 + 1e-9))
                return mantissa * power;
        }
        return power;
    }
    for (double mantissa : {1.0, 2.0, 2.5, 5.0}) {
        if (mantissa * power >= value * (1 - 1e-9))
            return mantissa * power;
    }
    return 10.0 * power;
}

} // namespace

double speedTickStep(double range, double axisPixels, double minSpacing)
{
    if (!(range > 0) || !std::isfinite(range))
        return 1.0;
    if (!(axisPixels >= minSpacing))
        return 2.0 * range; // not even two labels fit: 0 alone
    const double step = niceStep(qMax(range / 5.0, range * minSpacing / axisPixels), false);
    if (step <= range * (1 + 1e-9))
        return step;
    // The axis has room for two labels only: a round step within the range
    // where its two labels keep apart, or else the range's top cut to two
    // significant digits, or else the top itself.
    const double within = niceStep(range, true);
    if (within * axisPixels / range >= minSpacing)
        return within;
    const double digit = std::pow(10.0, std::floor(std::log10(range)) - 1);
    const double cut = std::floor(range / digit * (1 + 1e-9)) * digit;
    return cut * axisPixels / range >= minSpacing ? cut : range;
}

LatchColumns latchColumns(int available, int timeWidth)
{
    constexpr int kValue = 150;
    constexpr int kPulses = 120;
    const int missing = kValue + kPulses + timeWidth - available;
    if (missing <= 0)
        return {kValue, kPulses};
    const int fromValue = missing * kValue / (kValue + kPulses);
    return {qMax(kValue / 3, kValue - fromValue), qMax(kPulses / 3, kPulses - (missing - fromValue))};
}

int spareBelowRows(int room, int rowHeight)
{
    if (room <= 0 || rowHeight <= 0)
        return 0;
    return room % rowHeight;
}

} // namespace InstrumentGeometry
