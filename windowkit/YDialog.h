#pragma once

#include "YMainDialog.h"

class QMenu;
class StaticButton;

// The base of every window of both programs: the sliced frame, a title bar
// (icon, title, title buttons), dragging by the title bar, a fade-in at
// construction and a fade-out before closing.
//
// The test program's windows have the setting, minimise and close buttons;
// the updater configures the same class with the close button only.
class YDialog : public YMainDialog
{
    Q_OBJECT

public:
    enum TitleButtons
    {
        AllTitleButtons,
        CloseButtonOnly
    };

    YDialog(QWidget* parent, const QString& title, int titleHeight, int width, int height,
            int messageStyle = 0, TitleButtons buttons = AllTitleButtons);

    void setSettingMenu(QMenu* menu) { m_settingMenu = menu; }
    // Leaves only the close button in the title bar.
    void hideSysButtons();

    QLabel* iconLabel() const { return titleBar().iconLabel(); }
    QLabel* titleLabel() const { return titleBar().titleLabel(); }
    QWidget* buttonHolder() const { return titleBar().buttonHolder(); }
    StaticButton* closeButton() const { return m_closeButton; }
    StaticButton* settingButton() const { return m_settingButton; }
    StaticButton* minimizeButton() const { return m_minimizeButton; }
    bool isDragging() const { return titleBar().dragging(); }

signals:
    void sysclose();

public slots:
    void On_closeOk();
    void On_closeCancel();
    void On_DlgClose();
    void On_DlgCloseCancel();
    void On_showMin();
    void On_settingWidget();

private:
    void buildTitleButtons(TitleButtons buttons);

    QMenu* m_settingMenu = nullptr;
    StaticButton* m_closeButton = nullptr;
    StaticButton* m_settingButton = nullptr;
    StaticButton* m_minimizeButton = nullptr;
};
