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

} // namespace DemoPlacement
