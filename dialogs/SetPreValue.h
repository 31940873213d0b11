#pragma once

#include "YDialog.h"

class BackgroundButton;
class QLineEdit;

// Asks for the preset position in millimetres. "Ok" with a valid non-zero
// number stores it in DisplayState::global().presetValue and accepts; any
// other entry is refused with a message box and the dialog stays open.
class SetPreValue : public YDialog
{
    Q_OBJECT

public:
    explicit SetPreValue(QWidget* parent);

    QLineEdit* valueEdit() const { return m_valueEdit; }
    BackgroundButton* okButton() const { return m_okButton; }
    BackgroundButton* cancelButton() const { return m_cancelButton; }

public slots:
    void OnOk();
    void OnCancle();

private:
    BackgroundButton* makeButton(const QString& text, QWidget* parent);

    QLineEdit* m_valueEdit = nullptr;
    BackgroundButton* m_okButton = nullptr;
    BackgroundButton* m_cancelButton = nullptr;
};
