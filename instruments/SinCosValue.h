#pragma once

#include "SinCosHistory.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QRegion>
#include <QVector>
#include <QWidget>

class Backdrop;
class QPainter;
class QTimer;

// The Lissajous picture of the encoder's analogue signals: axes, the
// reference circle and one glowing dot per recent (sin, cos) sample. The
// picture is cached and changed only after updateView() or a resize (the
// background with the axes and circle only on a resize), and repainted at
// most once per frame (kFrameMs) however often it changes. A frame takes
// the samples of that moment and repaints only what they change: the dots
// that went, the dots that came and the values in the corner.
class SinCosValue : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 20;

    explicit SinCosValue(QWidget* parent = nullptr, SinCosHistory* history = nullptr);

    // The history changed: rebuild the picture on the next paint.
    void updateView();

    bool isDirty() const { return m_dirty; }
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void frameDue();
    // Takes the newest samples and asks for the repaint of what they change.
    void takeFrame();
    bool axesCurrent() const;
    void rebuild();
    // Redraws the changed area of the picture; returns it.
    QRegion rebuildChanged();
    QVector<QPoint> dotCorners() const;
    struct ValueGlyph
    {
        QImage image;
        int advance = 0;
    };
    QRect drawValues(QPainter& p);
    const ValueGlyph& valueGlyph(QChar c);
    QRegion changedDots(const QVector<QPoint>& corners) const;

    QImage m_picture;
    QImage m_axes; // background and axes at the current size, drawn once
    qint64 m_axesBeneath = 0; // the capture of the panel m_axes is drawn over
    bool m_dirty = true;
    SinCosHistory* m_history;
    QTimer* m_frameTimer;
    Backdrop* m_backdrop; // the panel beneath, so that a frame repaints only this
    bool m_framePending = false; // changed since the last repaint of this frame
    QList<SinCosSample> m_samples;  // the samples of the frame being shown
    QVector<QPoint> m_shownCorners; // top-left corners of the dots in m_picture
    QRect m_shownValues;            // where m_picture shows the values
    QFont m_valueFont;
    int m_valueLine = 0, m_valueAscent = 0, m_valueDescent = 0; // of m_valueFont
    QHash<QChar, ValueGlyph> m_valueGlyphs; // the values' characters in m_valueFont
};
