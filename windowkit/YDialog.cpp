#include "YDialog.h"

#include "Fade.h"
#include "StaticButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPropertyAnimation>

YDialog::YDialog(QWidget* parent, const QString& title, int titleHeight, int width, int height,
                 int messageStyle, TitleButtons buttons)
    : YMainDialog(parent)
{
    loadBackground(messageStyle != 0);
    buildFrame(titleHeight, width, height);
    titleBar().build(titleAreaWidget(), tr("System hint"));
    buildTitleButtons(buttons);
    iconLabel()->setAlignment(Qt::AlignVCenter);
    iconLabel()->setPixmap(QPixmap(QStringLiteral(":/UI/Laser_32")));
    titleLabel()->setText(title);
    Fade::fadeIn(this);
}

void YDialog::buildTitleButtons(TitleButtons buttons)
{
    QHBoxLayout* layout = titleBar().buttonLayout();
    if (buttons == AllTitleButtons) {
        m_settingButton = new StaticButton(QStringLiteral(":/UI/sys_setting"), 3, buttonHolder());
        m_minimizeButton = new StaticButton(QStringLiteral(":/UI/sys_minimize"), 3, buttonHolder());
        layout->addWidget(m_settingButton);
        layout->addWidget(m_minimizeButton);
        connect(m_minimizeButton, &StaticButton::buttonClicked, this, &YDialog::On_showMin);
        connect(m_settingButton, &StaticButton::buttonClicked, this, &YDialog::On_settingWidget);
    }
    m_closeButton = new StaticButton(QStringLiteral(":/UI/sys_close"), 3, buttonHolder());
    layout->addWidget(m_closeButton);
    connect(m_closeButton, &StaticButton::buttonClicked, this, &YDialog::On_closeCancel);
}

void YDialog::hideSysButtons()
{
    if (m_settingButton)
        m_settingButton->hide();
    if (m_minimizeButton)
        m_minimizeButton->hide();
}

void YDialog::On_closeOk()
{
    connect(Fade::fadeOut(this), &QPropertyAnimation::finished, this, &YDialog::On_DlgClose);
}

void YDialog::On_closeCancel()
{
    connect(Fade::fadeOut(this), &QPropertyAnimation::finished, this, &YDialog::On_DlgCloseCancel);
}

void YDialog::On_DlgClose()
{
    done(QDialog::Accepted);
    close();
}

void YDialog::On_DlgCloseCancel()
{
    emit sysclose();
    done(QDialog::Rejected);
    close();
}

void YDialog::On_showMin()
{
    showMinimized();
}

void YDialog::On_settingWidget()
{
    if (!m_settingMenu || !m_settingButton)
        return;
    const QPoint corner = m_settingButton->geometry().bottomLeft();
    m_settingMenu->exec(buttonHolder()->mapToGlobal(corner));
}
