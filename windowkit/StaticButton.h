#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

// A picture-only button painted from a sprite strip: frame 0 normal,
// 1 hover, 2 pressed and, when the strip has four frames, 3 disabled.
class StaticButton : public QWidget
{
    Q_OBJECT

public:
    StaticButton(const QString& image, int frameCount, QWidget* parent = nullptr);

    const QPixmap& currentFrame() const { return m_currentFrame; }
    const QList<QPixmap>& frames() const { return m_frames; }
    int frameCount() const { return m_frameCount; }

signals:
    void buttonClicked();
    void enterSignal();
    void leaveSignal();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Shows `frame` when enabled; a disabled button shows frame 3 if it has one.
    void showFrame(int frame);

    QPixmap m_currentFrame;
    QList<QPixmap> m_frames;
    int m_frameCount;
};
