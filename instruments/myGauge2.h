#pragma once

#include "InstrumentGeometry.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QWidget>

class Backdrop;
class QTimer;

// A round dial for the signal strength: a 270-degree band (red, green,
// red), 101 ticks labelled 0 to 200, a needle, a hub and a value box. The
// needle follows setValue within one 10 ms tick; every 100 ms the gauge
// repaints what it shows differently from its last repaint. Where the labels
// would leave the widget the dial shrinks. The band and the scale are drawn
// once per size and font and kept as a picture; a repaint draws the needle,
// the hub and the value box over it, and covers only the needle's old and
// new places, the hub and, for a new text, the value box.
class myGauge2 : public QWidget
{
    Q_OBJECT

public:
    explicit myGauge2(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(300, 300); }
    QSize minimumSizeHint() const override { return QSize(200, 200); }

    double targetValue() const { return m_targetValue; }
    double shownValue() const { return m_shownValue; }
    bool isAnimating() const { return m_animating; }
    QTimer* stepTimer() const { return m_stepTimer; }
    QTimer* refreshTimer() const { return m_refreshTimer; }
    // The dial as painted at the current size.
    InstrumentGeometry::Dial dial() const;
    // The font of the scale labels (see labelFont in the source).
    QFont labelFont() const;
    static constexpr int kSmallestLabelPx = 8;
    // The value box's text for the current target.
    QString valueText() const;

public slots:
    void setValue(double value);
    void setAnimating(bool enable);

private slots:
    void UpdateGraph();
    // Repaints what differs from the last repaint, if anything.
    void repaintChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The band and scale for the current size and font, and their dial.
    const QPixmap& background();
    QRect needleArea(double value) const;
    // The value box's font size for `text` (the largest that fits), kept
    // per text while size and font stay.
    int valuePoints(const QString& text, const QRectF& box);

    double m_targetValue = 0.0;
    QTimer* m_stepTimer;
    double m_shownValue = 0.0;
    QTimer* m_refreshTimer;
    bool m_animating = false;
    Backdrop* m_backdrop; // the panel beneath, so that a repaint covers only this
    QPixmap m_background;
    QSize m_backgroundSize;
    QFont m_backgroundFont;
    InstrumentGeometry::Dial m_backgroundDial{};
    bool m_painted = false; // painted since the background was drawn
    double m_paintedValue = 0.0;
    QString m_paintedText;
    QHash<QString, int> m_valuePoints;
};
