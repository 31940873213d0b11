#include "SetPreValue.h"

#include "BackgroundButton.h"
#include "DisplayState.h"
#include "PresetEntry.h"
#include "YInfoBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QColor kAccent(30, 144, 255);

} // namespace

SetPreValue::SetPreValue(QWidget* parent)
    : YDialog(parent, tr("SetPreValue"), 35, 250, 170, 1)
{
    hideSysButtons();
    bodyWidget()->setObjectName(QStringLiteral("WorkSpace"));
    auto* layout = new QVBoxLayout(bodyWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->setAlignment(Qt::AlignTop);
    auto* content = new QWidget(bodyWidget());
    layout->addWidget(content);

    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(4, 4, 4, 4);
    auto* box = new QGroupBox(tr("Config"), content);
    box->setFixedHeight(120);
    QPalette palette = box->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(kAccent));
    box->setPalette(palette);
    contentLayout->addWidget(box);

    m_valueEdit = new QLineEdit(box);
    m_valueEdit->setFixedWidth(100);
    m_okButton = makeButton(tr("Ok"), box);
    m_cancelButton = makeButton(tr("Cancle"), box);

    auto* inner = new QVBoxLayout(box);
    inner->addSpacing(10);
    auto* entry = new QHBoxLayout;
    entry->setSpacing(36);
    entry->addWidget(new QLabel(tr("Preavlue:"), box));
    entry->addWidget(m_valueEdit);
    entry->addStretch();
    inner->addLayout(entry);
    inner->addSpacing(10);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(100);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    inner->addLayout(buttons);

    connect(m_okButton, &BackgroundButton::clicked, this, &SetPreValue::OnOk);
    connect(m_cancelButton, &BackgroundButton::clicked, this, &SetPreValue::OnCancle);
}

BackgroundButton* SetPreValue::makeButton(const QString& text, QWidget* parent)
{
    auto* button = new BackgroundButton(parent);
    button->setText(text);
    button->setTextColor(kAccent);
    button->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    button->setFixedHeight(28);
    return button;
}

void SetPreValue::OnOk()
{
    double value = 0.0;
    switch (PresetEntry::parse(m_valueEdit->text(), &value)) {
    case PresetEntry::Empty:
        showErrorBox(tr("Error"), tr("Preavlue is empty"), this);
        return;
    case PresetEntry::NotValid:
        showErrorBox(tr("Error"), tr("Please enter the correct default"), this);
        return;
    case PresetEntry::NoError:
        break;
    }
    DisplayState::global().presetValue = value;
    On_DlgClose(); // accepted, then closed
}

void SetPreValue::OnCancle()
{
    On_closeCancel();
}
