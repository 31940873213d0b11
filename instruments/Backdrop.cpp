#include "Backdrop.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

Backdrop::Backdrop(QWidget* widget) : QObject(widget), m_widget(widget)
{
    widget->installEventFilter(this);
}

bool Backdrop::eventFilter(QObject*, QEvent* event)
{
    // The widget's own changes, and its parents' moves and resizes (another
    // panel shown or hidden shifts them).
    switch (event->type()) {
    case QEvent::Show:
        for (QWidget* above = m_widget->parentWidget(); above; above = above->parentWidget())
            above->installEventFilter(this);
        invalidate();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::StyleChange:
    case QEvent::ParentChange:
        invalidate();
        break;
    default:
        break;
    }
    return false;
}

void Backdrop::invalidate()
{
    m_picture = QPixmap();
    m_widget->setAttribute(Qt::WA_OpaquePaintEvent, false);
    if (m_scheduled)
        return;
    // After the layout has settled and outside any paint event.
    m_scheduled = true;
    QTimer::singleShot(0, this, &Backdrop::capture);
}

void Backdrop::capture()
{
    m_scheduled = false;
    QWidget* window = m_widget->window();
    if (!m_widget->isVisible() || !window || m_widget->size().isEmpty())
        return;
    const QRect placed(m_widget->mapTo(window, QPoint(0, 0)), m_widget->size());
    QPixmap picture(placed.size() * m_widget->devicePixelRatioF());
    picture.setDevicePixelRatio(m_widget->devicePixelRatioF());
    // Opaque (the window's background is): drawn as a plain copy.
    picture.fill(Qt::white);
    m_capturing = true;
    window->render(&picture, QPoint(), QRegion(placed),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    m_capturing = false;
    m_picture = picture;
    m_placed = placed;
    m_widget->setAttribute(Qt::WA_OpaquePaintEvent, true);
    m_widget->update();
}

const QPixmap* Backdrop::current()
{
    if (m_picture.isNull())
        return nullptr;
    const QRect placed(m_widget->mapTo(m_widget->window(), QPoint(0, 0)), m_widget->size());
    if (placed == m_placed)
        return &m_picture;
    invalidate(); // moved unseen: capture again, paint over the parents meanwhile
    m_widget->update();
    return nullptr;
}

bool Backdrop::paintBeneath(QPainter& painter)
{
    if (m_capturing)
        return false;
    if (const QPixmap* picture = current())
        painter.drawPixmap(0, 0, *picture);
    return true;
}
