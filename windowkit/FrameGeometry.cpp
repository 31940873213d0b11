#include "FrameGeometry.h"

#include <QtGlobal>

namespace FrameGeometry {

QList<QRect> columnRects(const QSize& image, int columns)
{
    QList<QRect> rects;
    if (columns < 1 || image.isEmpty())
        return rects;
    const int width = image.width() / columns;
    for (int i = 0; i < columns; ++i)
        rects.append(QRect(i * width, 0, width, image.height()));
    return rects;
}

QList<QRect> backgroundSliceRects(const QSize& image, bool messageStyle)
{
    // (y, height) of the five bands in the two background images.
    static const int kWindowBands[5][2] = {{0, 2}, {2, 33}, {35, 2}, {37, 100}, {138, 2}};
    static const int kMessageBands[5][2] = {{0, 2}, {2, 32}, {34, 3}, {37, 100}, {139, 31}};
    const auto& bands = messageStyle ? kMessageBands : kWindowBands;
    const int w = image.width();
    QList<QRect> rects;
    for (const auto& band : bands) {
        rects.append(QRect(0, band[0], 2, band[1]));
        rects.append(QRect(3, band[0], qMax(0, w - 6), band[1]));
        rects.append(QRect(w - 2, band[0], 2, band[1]));
    }
    return rects;
}

int titleBandHeight(int titleHeight)
{
    return qMax(titleHeight, 25);
}

QRegion roundedTopRegion(const QSize& size, int radius)
{
    const int w = size.width(), h = size.height();
    if (w <= 0 || h <= 0)
        return QRegion();
    const int r = qMin(radius, qMin(w, h) / 2);
    QRegion region(0, r, w, h - r);
    region += QRegion(r, 0, w - 2 * r, r);
    region += QRegion(0, 0, 2 * r, 2 * r, QRegion::Ellipse);
    region += QRegion(w - 2 * r, 0, 2 * r, 2 * r, QRegion::Ellipse);
    return region;
}

QPoint centredPosition(const QRect& desktop, const QRect& window)
{
    const int desktopWidth = desktop.right() - desktop.left() + 1;
    const int desktopHeight = desktop.bottom() - desktop.top() + 1;
    const int windowWidth = window.right() - window.left() + 1;
    const int windowHeight = window.bottom() - window.top() + 1;
    return QPoint(desktopWidth / 2 - windowWidth / 2, desktopHeight / 2 - windowHeight / 2);
}

} // namespace FrameGeometry
