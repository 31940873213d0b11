#include "UpdateButtonRow.h"

#include "BackgroundButton.h"

#include <QColor>
#include <QHBoxLayout>
#include <QString>

namespace {

BackgroundButton* button(QWidget* parent, const QString& text, int fixedHeight)
{
    auto* b = new BackgroundButton(parent);
    b->setText(text);
    b->setTextColor(QColor(30, 144, 255));
    b->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    if (fixedHeight > 0)
        b->setFixedHeight(fixedHeight);
    return b;
}

} // namespace

UpdateButtonRow::UpdateButtonRow(QWidget* parent, const QString& updateText,
                                 const QString& cancelText, int fixedHeight)
    : m_update(button(parent, updateText, fixedHeight)),
      m_cancel(button(parent, cancelText, fixedHeight)), m_layout(new QHBoxLayout)
{
    m_layout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(20);
    m_layout->addWidget(m_update);
    m_layout->addWidget(m_cancel);
}
