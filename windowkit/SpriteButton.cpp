#include "SpriteButton.h"

#include <QMouseEvent>
#include <QPainter>

SpriteButton::SpriteButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void SpriteButton::setFrames(const QList<QPixmap>& frames)
{
    m_frames = frames;
    if (m_frames.isEmpty())
        return;
    m_currentFrame = m_frames.first();
    setFixedSize(m_currentFrame.size());
    update();
}

void SpriteButton::showFrame(int frame)
{
    if (frame >= 0 && frame < m_frames.size())
        m_currentFrame = m_frames.at(frame);
    update();
}

void SpriteButton::handlePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    showFrame(2);
}

bool SpriteButton::handleRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return false;
    }
    if (!rect().contains(event->pos())) {
        showFrame(0);
        event->ignore();
        return false;
    }
    showFrame(1);
    event->accept();
    return isEnabled();
}

void SpriteButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_currentFrame);
}
