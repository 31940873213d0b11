#include "YInfoBox.h"

#include "BackgroundButton.h"
#include "Fade.h"
#include "StaticButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {

const QColor kAccent(30, 144, 255, 255);
// Horizontal room of the message row: frame sides, the indent before the
// kind icon, the icon, the gap after it and a margin on the right.
constexpr int kSideWidth = 2;
constexpr int kIconIndent = 25;
constexpr int kIconWidth = 42;
constexpr int kIconGap = 20;
constexpr int kRightMargin = 25;

QString kindIcon(int kind)
{
    static const char* const kIcons[] = {":/UI/ico_information", ":/UI/ico_question",
                                         ":/UI/ico_hand", ":/UI/ico_warning", ":/UI/ico_success"};
    return QString::fromLatin1(kIcons[kind]);
}

} // namespace

YInfoBox::YInfoBox(QWidget* parent) : YMainDialog(parent)
{
    loadBackground(true);
    buildFrame(32, 400, 200);
    titleBar().build(titleAreaWidget(), tr("System hint"));
    m_closeButton =
        new StaticButton(QStringLiteral(":/UI/sys_close"), 3, titleBar().buttonHolder());
    titleBar().buttonLayout()->addWidget(m_closeButton);
    connect(m_closeButton, &StaticButton::buttonClicked, this, &YInfoBox::On_closeCancel);
    titleBar().iconLabel()->setAlignment(Qt::AlignVCenter);
    titleBar().iconLabel()->setPixmap(QPixmap(QStringLiteral(":/UI/Laser_32")));
    buildContent();
    buildButtons();
    Fade::fadeIn(this);
    setAttribute(Qt::WA_DeleteOnClose);
}

void YInfoBox::buildContent()
{
    auto* outer = new QVBoxLayout(bodyWidget());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setAlignment(Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->setAlignment(Qt::AlignLeft);
    outer->addLayout(row, 0);

    m_kindIconLabel = new QLabel(bodyWidget());
    m_messageLabel = new QLabel(bodyWidget());
    m_messageLabel->setGeometry(70, 10, 470, 140);
    m_messageLabel->adjustSize();
    m_messageLabel->setAlignment(Qt::AlignCenter);
    QPalette palette = m_messageLabel->palette();
    palette.setBrush(QPalette::All, QPalette::WindowText, QBrush(kAccent));
    m_messageLabel->setPalette(palette);
    row->addSpacing(kIconIndent);
    row->addWidget(m_kindIconLabel);
    row->addSpacing(kIconGap);
    row->addWidget(m_messageLabel);
}

BackgroundButton* YInfoBox::makeButton(const QString& text)
{
    auto* button = new BackgroundButton(bottomWidget());
    button->setText(text);
    button->setTextColor(kAccent);
    button->setImage(QStringLiteral(":/UI/msgbox_btn"), 0, 4);
    return button;
}

void YInfoBox::buildButtons()
{
    auto* outer = new QVBoxLayout(bottomWidget());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setAlignment(Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->setAlignment(Qt::AlignRight);
    outer->addLayout(row);
    m_okButton = makeButton(tr("OK"));
    m_cancelButton = makeButton(tr("Cancel"));
    row->addWidget(m_okButton);
    row->addSpacing(10);
    row->addWidget(m_cancelButton);
    row->addSpacing(10);
    connect(m_okButton, &BackgroundButton::clicked, this, &YInfoBox::On_closeOk);
    connect(m_cancelButton, &BackgroundButton::clicked, this, &YInfoBox::On_closeCancel);
}

void YInfoBox::setInfo(const QString& title, const QString& text, int kind)
{
    if (kind >= Information && kind <= Success) {
        m_kindIconLabel->setPixmap(QPixmap(kindIcon(kind)));
        if (kind != Question)
            m_cancelButton->hide();
        titleBar().titleLabel()->setText(title);
        m_okButton->setFocus(Qt::OtherFocusReason);
    }
    setWindowState(Qt::WindowActive);
    showMessage(text);
}

void YInfoBox::showMessage(const QString& text)
{
    // One line when the text fits beside the kind icon, else wrapped to the
    // room there is, so the box keeps its size and every word shows.
    m_messageLabel->setWordWrap(false);
    m_messageLabel->setMinimumWidth(0);
    m_messageLabel->setMaximumWidth(QWIDGETSIZE_MAX);
    m_messageLabel->setText(text);
    const int room = width() - 2 * kSideWidth - kIconIndent - kIconWidth - kIconGap - kRightMargin;
    if (m_messageLabel->sizeHint().width() > room) {
        m_messageLabel->setWordWrap(true);
        m_messageLabel->setFixedWidth(room);
    }
}

void YInfoBox::On_closeOk()
{
    connect(Fade::fadeOut(this), &QPropertyAnimation::finished, this, &YInfoBox::On_DlgClose);
}

void YInfoBox::On_closeCancel()
{
    connect(Fade::fadeOut(this), &QPropertyAnimation::finished, this, &QWidget::close);
}

void YInfoBox::On_DlgClose()
{
    done(QDialog::Accepted);
    close();
}

void showErrorBox(const QString& title, const QString& text, QWidget* parent)
{
    auto* box = new YInfoBox(parent);
    box->setInfo(title, text, YInfoBox::Hand);
    box->exec();
}

int askQuestion(const QString& title, const QString& text, QWidget* parent)
{
    auto* box = new YInfoBox(parent);
    box->setInfo(title, text, YInfoBox::Question);
    return box->exec();
}
