#pragma once

#include "ConfigForm.h"
#include "YDialog.h"

class BackgroundButton;
class DialogHost;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QtUsb;

// The settings dialog: shows the tester's configuration (ConfigRecord),
// reads it from the tester and writes the edited values back. The fields
// are checked and converted by ConfigForm; a write stores into the record
// only when every field is valid. Deletes itself when closed.
class SysSetting : public YDialog
{
    Q_OBJECT

public:
    // `host` (the main window) reports access errors and shows the wait
    // dialog; `usb` carries the requests. Both must outlive the dialog.
    SysSetting(QWidget* parent, DialogHost* host, QtUsb* usb);

    // Shows the record as it is now.
    void refresh();

    // The fields as the widgets hold them.
    ConfigForm form() const;

    // The message box text of a form fault (empty for NoError).
    static QString errorText(ConfigForm::Error error);

    QRadioButton* squareWaveRadio() const { return m_squareWaveRadio; }
    QRadioButton* sinCosRadio() const { return m_sinCosRadio; }
    QRadioButton* supplyOffRadio() const { return m_supplyOffRadio; }
    QRadioButton* supplyOnRadio() const { return m_supplyOnRadio; }
    QLineEdit* sinCosEquivalentEdit() const { return m_sinCosEquivalent; }
    QLineEdit* zComparisonValueEdit() const { return m_zComparisonValue; }
    QLineEdit* adcGainEdit() const { return m_adcGain; }
    QComboBox* squareWaveFilterCombo() const { return m_squareWaveFilter; }
    QLineEdit* squareWaveEquivalentEdit() const { return m_squareWaveEquivalent; }
    QComboBox* accuracyCombo() const { return m_accuracy; }
    QComboBox* filterLevelCombo() const { return m_filterLevel; }
    BackgroundButton* readButton() const { return m_readButton; }
    BackgroundButton* writeButton() const { return m_writeButton; }

public slots:
    void EEpReadRet(bool ret);
    void OnRead();
    void OnWrite();

private:
    void buildContent();
    QWidget* buildConfigBox(QWidget* parent);
    BackgroundButton* makeButton(const QString& text, QWidget* parent);

    DialogHost* m_host;
    QtUsb* m_usb;

    QRadioButton* m_squareWaveRadio = nullptr;
    QRadioButton* m_sinCosRadio = nullptr;
    QRadioButton* m_supplyOffRadio = nullptr;
    QRadioButton* m_supplyOnRadio = nullptr;
    QLineEdit* m_sinCosEquivalent = nullptr;
    QLineEdit* m_zComparisonValue = nullptr;
    QLineEdit* m_adcGain = nullptr;
    QComboBox* m_squareWaveFilter = nullptr;
    QLineEdit* m_squareWaveEquivalent = nullptr;
    QComboBox* m_accuracy = nullptr;
    QComboBox* m_filterLevel = nullptr;
    QWidget* m_content = nullptr;
    BackgroundButton* m_readButton = nullptr;
    BackgroundButton* m_writeButton = nullptr;
};
