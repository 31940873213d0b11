#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

// Geometry of the instruments, shared by their painters and the tests.
namespace InstrumentGeometry {

// The sine/cosine view's plotting square for a widget of w x h pixels
// (integer arithmetic, divisions truncate). Sized by the height, centred
// horizontally; the radius is that of the reference circle.
struct PlotSquare
{
    int left, right, top, bottom;
    int width, height;
    int cx, cy;
    int radius;
};
PlotSquare plotSquare(int w, int h);

// Where a (sin, cos) sample lies: mid-scale 512 is the centre, a full
// swing of 512 counts reaches the circle. Screen y grows downwards.
QPointF sampleDot(const PlotSquare& square, double sin, double cos);

// The signal gauge's dial for a widget rectangle.
struct Dial
{
    int R;      // min(width, height) / 2
    double r2;  // inner edge of the coloured band
    double r3;  // outer edge of the band, base of the ticks
    double hub; // hub radius
    int cx, cy; // centre
};
Dial dial(const QRect& rect);

constexpr int kTickCount = 101;
constexpr double kDegreesPerUnit = 2.7;
constexpr double kStartDegrees = 45.0;

// Rotation (degrees, clockwise from pointing down) of tick i and of the needle.
double tickAngle(int tick);
double needleAngle(double value);

// The translucent value box under the hub and the point size of its text.
QRectF valueBox(const Dial& d);
int valueFontPointSize(const Dial& d);

// The number the gauge shows for a value: two per unit, truncated.
int gaugeNumber(double value);

} // namespace InstrumentGeometry
