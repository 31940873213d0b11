#include "TitleBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

void TitleBar::build(QWidget* titleArea, const QString& title)
{
    m_titleArea = titleArea;
    auto* outer = new QVBoxLayout(titleArea);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setAlignment(Qt::AlignTop);
    auto* row = new QHBoxLayout;
    row->setAlignment(Qt::AlignTop);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    outer->addLayout(row, 0);

    m_iconLabel = new QLabel(titleArea);
    m_iconLabel->setFixedWidth(50);
    m_titleLabel = new QLabel(title, titleArea);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = m_titleLabel->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(QColor(255, 255, 255, 255)));
    m_titleLabel->setPalette(palette);
    m_titleLabel->setFont(titleArea->window()->font());
    m_buttonHolder = new QWidget(titleArea);
    row->addWidget(m_iconLabel, 0);
    row->addWidget(m_titleLabel, 0);
    row->addWidget(m_buttonHolder, 0);

    m_buttonLayout = new QHBoxLayout(m_buttonHolder);
    m_buttonLayout->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_buttonLayout->setContentsMargins(0, 0, 0, 0);
    m_buttonLayout->setSpacing(0);
}

bool TitleBar::isHandle(const QWidget* widget) const
{
    return widget && (widget == m_titleArea || widget == m_titleLabel || widget == m_buttonHolder ||
                      widget == m_iconLabel);
}

bool TitleBar::press(QMouseEvent* event, QWidget* window)
{
    if (event->button() != Qt::LeftButton)
        return false;
    if (!isHandle(window->childAt(window->mapFromGlobal(event->globalPos()))))
        return false;
    m_dragging = true;
    m_dragOffset = event->globalPos() - window->pos();
    event->accept();
    return true;
}

bool TitleBar::move(QMouseEvent* event, QWidget* window)
{
    if (!m_dragging || event->buttons() == Qt::NoButton)
        return false;
    window->move(event->globalPos() - m_dragOffset);
    event->accept();
    return true;
}
