#pragma once

#include <QObject>
#include <QPixmap>
#include <QRect>

class QPainter;
class QWidget;

// What the window paints beneath a widget that repaints many times a
// second, captured once per place and size: the widget draws it first and
// paints opaque, so the panels under it are not repainted with it. While
// there is no capture (just shown, moved or resized) the widget paints as
// usual over its parents.
//
// Threads: GUI thread only.
class Backdrop : public QObject
{
    Q_OBJECT

public:
    explicit Backdrop(QWidget* widget);

    // In the widget's paintEvent, first: false while capturing (paint
    // nothing then); else draws the capture, if there is a current one.
    bool paintBeneath(QPainter& painter);
    bool capturing() const { return m_capturing; }
    // The capture for the widget's present place, or null (then the widget
    // is painted over its parents as usual).
    const QPixmap* current();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void invalidate();
    void capture();

    QWidget* m_widget;
    QPixmap m_picture;
    QRect m_placed; // the widget's rectangle in its window when captured
    bool m_capturing = false;
    bool m_scheduled = false;
};
