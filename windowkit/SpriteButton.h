#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

// What the kit's two sprite buttons share: the frames cut from a sprite
// strip, painting the current one, and the press and release rules (left
// press shows the pressed frame; a left release inside shows the hover
// frame and clicks, outside shows the normal frame; other buttons are
// ignored). Subclasses decide which frame a state shows and emit clicks.
class SpriteButton : public QWidget
{
    Q_OBJECT

public:
    const QPixmap& currentFrame() const { return m_currentFrame; }
    const QList<QPixmap>& frames() const { return m_frames; }

protected:
    explicit SpriteButton(QWidget* parent);

    // Frame 0 becomes current and the widget takes the frame's size.
    void setFrames(const QList<QPixmap>& frames);
    virtual void showFrame(int frame);

    // Handle the mouse rules; handleRelease is true when a click happened
    // (left button released inside an enabled button).
    void handlePress(QMouseEvent* event);
    bool handleRelease(QMouseEvent* event);

    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_currentFrame;
    QList<QPixmap> m_frames;
};
