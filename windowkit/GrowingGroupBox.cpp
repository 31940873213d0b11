#include "GrowingGroupBox.h"

#include <QEvent>

GrowingGroupBox::GrowingGroupBox(const QString& title, int width, int leastHeight, QWidget* parent)
    : QGroupBox(title, parent), m_leastHeight(leastHeight)
{
    setFixedSize(width, leastHeight);
}

void GrowingGroupBox::fit()
{
    const int needed = qMax(m_leastHeight, heightForWidth(width()));
    if (needed > height())
        setFixedHeight(needed);
}

bool GrowingGroupBox::event(QEvent* event)
{
    const bool handled = QGroupBox::event(event);
    // A text of the box changed: it may need another line.
    if (event->type() == QEvent::LayoutRequest)
        fit();
    return handled;
}
