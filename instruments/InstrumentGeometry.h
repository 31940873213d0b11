#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

#include <array>

class QFontMetrics;

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
// The same proportions for a given outer radius and centre.
Dial dialOfRadius(int R, int cx, int cy);

constexpr int kTickCount = 101;
constexpr int kTicksPerLabel = 10;
constexpr int kLabelCount = (kTickCount - 1) / kTicksPerLabel + 1;
constexpr double kDegreesPerUnit = 2.7;
constexpr double kStartDegrees = 45.0;

// Rotation (degrees, clockwise from pointing down) of tick i and of the needle.
double tickAngle(int tick);
double needleAngle(double value);

// The number written at a labelled tick: two per tick (0, 20, ..., 200).
int tickLabelNumber(int tick);

// Size of the scale's labels in the painter's font: line height, ascent,
// descent and the advance of each label (label k sits at tick 10k).
struct ScaleFont
{
    int height = 0;
    int ascent = 0;
    int descent = 0;
    std::array<int, kLabelCount> widths{};
};
ScaleFont scaleFont(const QFontMetrics& metrics);

// Bounding box, in widget coordinates, of label k as the painter draws it:
// beyond the end of its tick, turned with the tick.
QRectF tickLabelBounds(const Dial& d, int label, const ScaleFont& font);

// The dial for a widget rectangle with its labels kept inside the widget:
// dial(rect) wherever its labels fit, otherwise the same centre with the
// largest smaller R whose labels all fit.
Dial fittedDial(const QRect& rect, const ScaleFont& font);

// True when no two neighbouring tick labels overlap.
bool labelsApart(const Dial& d, const ScaleFont& font);

// The translucent value box under the hub and the point size of its text.
QRectF valueBox(const Dial& d);
int valueFontPointSize(const Dial& d);

// The number the gauge shows for a value: two per unit, truncated.
int gaugeNumber(double value);

// Step between the labelled ticks of the speed axis (range from 0): the
// smallest of 1, 2, 2.5 and 5 times a power of ten that makes at most five
// intervals over the range and keeps neighbouring ticks at least minSpacing
// pixels apart on an axis axisPixels long. Where that step would leave only
// 0 labelled, the largest such round step within the range if its ticks
// keep apart, or else the range cut to two significant digits, or else the
// range itself (0 and a label at or near the top); on an axis too short for
// two labels, a step beyond the range (0 alone).
double speedTickStep(double range, double axisPixels, double minSpacing);

// Pixels left below the whole rows of a table whose viewport has `room`
// pixels; 0 when there is no room.
int spareBelowRows(int room, int rowHeight);

// Widths of the latch table's value and pulse columns (150 and 120 where
// there is room) so that the time column, which takes the rest of
// `available` pixels, is at least `timeWidth` wide: the two give up what is
// missing in proportion, down to a third of their width each.
struct LatchColumns
{
    int value;
    int pulses;
};
LatchColumns latchColumns(int available, int timeWidth);

} // namespace InstrumentGeometry
