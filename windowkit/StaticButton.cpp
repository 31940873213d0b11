#include "StaticButton.h"

#include "FrameGeometry.h"

#include <QEvent>

StaticButton::StaticButton(const QString& image, int frameCount, QWidget* parent)
    : SpriteButton(parent), m_frameCount(qMax(frameCount, 1))
{
    const QPixmap sprite(image);
    QList<QPixmap> frames;
    for (const QRect& rect : FrameGeometry::columnRects(sprite.size(), m_frameCount))
        frames.append(sprite.copy(rect));
    setFrames(frames);
}

void StaticButton::showFrame(int frame)
{
    if (!isEnabled()) {
        if (m_frameCount != 4)
            return;
        frame = 3;
    }
    SpriteButton::showFrame(frame);
}

void StaticButton::mousePressEvent(QMouseEvent* event)
{
    handlePress(event);
}

void StaticButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (handleRelease(event))
        emit buttonClicked();
}

void StaticButton::enterEvent(QEvent*)
{
    showFrame(1);
    emit enterSignal();
}

void StaticButton::leaveEvent(QEvent*)
{
    showFrame(0);
    emit leaveSignal();
}

void StaticButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        showFrame(3);
    QWidget::changeEvent(event);
}
