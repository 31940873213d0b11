#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class SimTester;

// "Simulated tester": the demo's control panel for the tester model behind
// the simulated USB bus. Every control acts on the model at once; the test
// program sees the effect in its next replies (the work mode at its next
// configuration read).
class SimulatedTesterWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SimulatedTesterWindow(std::shared_ptr<SimTester> tester, QWidget* parent = nullptr);

    // Opens as a window of its own beside `main`, moving `main` where only
    // that makes room for both (DemoPlacement::sideBySide).
    void showBeside(QWidget& main);

    QPushButton* plugButton() const { return m_plug; }
    QDoubleSpinBox* speedBox() const { return m_speed; }

private:
    QWidget* buildEncoderGroup();
    QWidget* buildSignalGroup();
    QWidget* buildLinesGroup();
    QWidget* buildTesterGroup();
    QWidget* buildFaultGroup();
    void setPlugged(bool plugged);
    void setBrokenLines();
    void applyOffsets();
    void addFault(int kind);

    std::shared_ptr<SimTester> m_tester;
    QPushButton* m_plug = nullptr;
    QDoubleSpinBox* m_speed = nullptr;
    QSpinBox* m_sinOffset = nullptr;
    QSpinBox* m_cosOffset = nullptr;
    QCheckBox* m_broken[3] = {nullptr, nullptr, nullptr};
    QSpinBox* m_faultCount = nullptr;
};
