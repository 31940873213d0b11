#include "StaticButton.h"

#include "FrameGeometry.h"

#include <QMouseEvent>
#include <QPainter>

StaticButton::StaticButton(const QString& image, int frameCount, QWidget* parent)
    : QWidget(parent), m_frameCount(qMax(frameCount, 1))
{
    setAttribute(Qt::WA_TranslucentBackground);
    const QPixmap sprite(image);
    for (const QRect& rect : FrameGeometry::columnRects(sprite.size(), m_frameCount))
        m_frames.append(sprite.copy(rect));
    if (!m_frames.isEmpty()) {
        m_currentFrame = m_frames.first();
        setFixedSize(m_currentFrame.size());
    }
}

void StaticButton::showFrame(int frame)
{
    if (!isEnabled()) {
        if (m_frameCount != 4)
            return;
        frame = 3;
    }
    if (frame < m_frames.size())
        m_currentFrame = m_frames.at(frame);
    update();
}

void StaticButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    showFrame(2);
}

void StaticButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (rect().contains(event->pos())) {
        if (isEnabled())
            emit buttonClicked();
        showFrame(1);
        event->accept();
    } else {
        showFrame(0);
        event->ignore();
    }
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

void StaticButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_currentFrame);
}

void StaticButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        showFrame(3);
    QWidget::changeEvent(event);
}
