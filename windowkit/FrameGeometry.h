#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

// Geometry of the kit's sprites and frames, kept apart from the widgets.
namespace FrameGeometry {

// The n equally wide columns of a sprite (width / n each, full height,
// left to right). A remainder at the right edge belongs to no column.
QList<QRect> columnRects(const QSize& image, int columns);

// The 15 background slices, band by band (top border, title band,
// separator, body, bottom band), each left, centre, right: the left piece
// is x 0 width 2, the centre x 3 width W - 6, the right x W - 2 width 2.
QList<QRect> backgroundSliceRects(const QSize& image, bool messageStyle);

// Height of the title band: never below 25 pixels.
int titleBandHeight(int titleHeight);

// The window shape: a rectangle whose top corners are rounded.
QRegion roundedTopRegion(const QSize& size, int radius);

// Top-left corner that centres a window on the desktop: half the desktop's
// width minus half the window's (sizes counted inclusively from the corners,
// halves rounded down), likewise for the heights.
QPoint centredPosition(const QRect& desktop, const QRect& window);

constexpr int kCornerRadius = 20;
constexpr int kFadeMs = 300;

} // namespace FrameGeometry
