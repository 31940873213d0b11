#include "LabelSlot.h"

#include <QEvent>
#include <QLabel>

LabelSlot::LabelSlot(QLabel* label, QWidget* parent) : QWidget(parent), m_label(label)
{
    label->setParent(this);
    setSizePolicy(label->sizePolicy());
    label->installEventFilter(this);
}

QSize LabelSlot::sizeHint() const
{
    // One line of the label's font (its style sheet's, once polished); the
    // width is what the layout gives.
    m_label->ensurePolished();
    const QMargins margins = m_label->contentsMargins();
    return QSize(margins.left() + margins.right(),
                 m_label->fontMetrics().height() + margins.top() + margins.bottom());
}

QSize LabelSlot::minimumSizeHint() const
{
    return sizeHint();
}

void LabelSlot::resizeEvent(QResizeEvent*)
{
    m_label->setGeometry(rect());
}

bool LabelSlot::eventFilter(QObject*, QEvent* event)
{
    // The label's new style sheet or font may change the line's height.
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        updateGeometry();
    return false;
}
