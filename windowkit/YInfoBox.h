#pragma once

#include "YMainDialog.h"

class BackgroundButton;
class StaticButton;

// The kit's modal message box: a kind icon, a message and "OK" / "Cancel".
// exec() gives 1 for OK and 0 for Cancel, the close button or Escape. The
// box deletes itself when closed.
class YInfoBox : public YMainDialog
{
    Q_OBJECT

public:
    enum InfoKind
    {
        Information = 0,
        Question = 1,
        Hand = 2,
        Warning = 3,
        Success = 4
    };

    explicit YInfoBox(QWidget* parent = nullptr);

    // Kinds 0-4 set the icon and the title, hide "Cancel" except for a
    // question and focus "OK"; any other kind changes none of that.
    void setInfo(const QString& title, const QString& text, int kind);

    QLabel* titleLabel() const { return titleBar().titleLabel(); }
    QLabel* kindIconLabel() const { return m_kindIconLabel; }
    QLabel* messageLabel() const { return m_messageLabel; }
    BackgroundButton* okButton() const { return m_okButton; }
    BackgroundButton* cancelButton() const { return m_cancelButton; }
    StaticButton* closeButton() const { return m_closeButton; }
    bool isDragging() const { return titleBar().dragging(); }

private slots:
    void On_closeOk();
    void On_closeCancel();
    void On_DlgClose();

private:
    void buildContent();
    void buildButtons();
    BackgroundButton* makeButton(const QString& text);
    void showMessage(const QString& text);

    QLabel* m_kindIconLabel = nullptr;
    QLabel* m_messageLabel = nullptr;
    BackgroundButton* m_okButton = nullptr;
    BackgroundButton* m_cancelButton = nullptr;
    StaticButton* m_closeButton = nullptr;
};

// An error box (hand icon, "OK" only), shown modally.
void showErrorBox(const QString& title, const QString& text, QWidget* parent);
// A question box ("OK" and "Cancel"); 1 when the user chose OK.
int askQuestion(const QString& title, const QString& text, QWidget* parent);
