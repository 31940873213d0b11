#pragma once

#include <QImage>
#include <QWidget>

class SinCosHistory;

// The Lissajous picture of the encoder's analogue signals: axes, the
// reference circle and one glowing dot per recent (sin, cos) sample. The
// picture is cached and rebuilt only after updateView() or a resize.
class SinCosValue : public QWidget
{
    Q_OBJECT

public:
    explicit SinCosValue(QWidget* parent = nullptr, SinCosHistory* history = nullptr);

    // The history changed: rebuild the picture on the next paint.
    void updateView();

    bool isDirty() const { return m_dirty; }
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();

    QImage m_picture;
    bool m_dirty = true;
    SinCosHistory* m_history;
};
