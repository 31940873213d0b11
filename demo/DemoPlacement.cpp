#include "DemoPlacement.h"

#include <QtGlobal>

namespace DemoPlacement {

namespace {

// `start` moved into [low, high - length], or to `low` where it cannot fit.
int clampInto(int start, int length, int low, int high)
{
    return qMax(low, qMin(start, high - length + 1));
}

} // namespace

QPoint controlsPosition(const QRect& available, const QRect& mainFrame, const QSize& controls)
{
    const int right = mainFrame.right() + 1 + kGap;
    const int left = mainFrame.left() - kGap - controls.width();
    int x = 0;
    int y = mainFrame.top();
    if (right + controls.width() - 1 <= available.right()) {
        x = right;
    } else if (left >= available.left()) {
        x = left;
    } else {
        x = available.right() - controls.width() + 1;
        y = mainFrame.bottom() - controls.height() + 1;
    }
    return QPoint(clampInto(x, controls.width(), available.left(), available.right()),
                  clampInto(y, controls.height(), available.top(), available.bottom()));
}

Placement sideBySide(const QRect& available, const QRect& mainFrame, const QSize& controls)
{
    const int right = mainFrame.right() + 1 + kGap;
    const int left = mainFrame.left() - kGap - controls.width();
    const bool fitsWhereItIs =
        right + controls.width() - 1 <= available.right() || left >= available.left();
    const int pairWidth = mainFrame.width() + kGap + controls.width();
    if (fitsWhereItIs || pairWidth > available.width())
        return {mainFrame.topLeft(), controlsPosition(available, mainFrame, controls)};
    const int x = available.left() + (available.width() - pairWidth) / 2;
    const QRect moved(QPoint(x, mainFrame.top()), mainFrame.size());
    return {moved.topLeft(), controlsPosition(available, moved, controls)};
}

} // namespace DemoPlacement
