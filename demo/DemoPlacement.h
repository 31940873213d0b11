#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the demo's "Simulated tester" window opens, as plain geometry (all
// rectangles in screen coordinates, frames included).
namespace DemoPlacement {

constexpr int kGap = 8;

// Beside the main window, never over its instruments: right of it where the
// screen leaves room, else left of it; on a screen too narrow for either, at
// the screen's right edge over the main window's least important area, its
// lower right (speed curve and status bar), bottoms aligned. Always inside
// `available` where the window fits at all.
QPoint controlsPosition(const QRect& available, const QRect& mainFrame, const QSize& controls);

// Top-left corners of both windows' frames.
struct Placement
{
    QPoint main;
    QPoint controls;
};

// As controlsPosition(), but where neither side of the main window where it
// stands leaves room and the screen is wide enough for both side by side,
// the main window moves: the pair is centred on the screen, the main window
// left, the control window right, tops aligned. Where it already fits
// beside, the main window stays where it is.
Placement sideBySide(const QRect& available, const QRect& mainFrame, const QSize& controls);

} // namespace DemoPlacement
