#pragma once

#include <QGroupBox>

#include <memory>

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class SimTester;

// "Travel and speed" in the "Simulated tester" window: drives the encoder
// back and forth over a travel at a speed profile, and sets the faults an
// engineer looks for along the travel and over speed (a dirty band, an
// off-centre disc, an output-frequency limit, a reference mark one period
// late moving backward). Positions in signal periods of the shaft.
class SimTravelControls : public QGroupBox
{
    Q_OBJECT

public:
    explicit SimTravelControls(std::shared_ptr<SimTester> tester, QWidget* parent = nullptr);

    QPushButton* sweepButton() const { return m_sweep; }

private:
    QWidget* sweepRows();
    void applySweep(bool on);
    void applyBand();
    void applyDisc();

    std::shared_ptr<SimTester> m_tester;
    QDoubleSpinBox* m_from = nullptr;
    QDoubleSpinBox* m_to = nullptr;
    QDoubleSpinBox* m_minSpeed = nullptr;
    QDoubleSpinBox* m_maxSpeed = nullptr;
    QSpinBox* m_steps = nullptr;
    QPushButton* m_sweep = nullptr;
    QDoubleSpinBox* m_bandStart = nullptr;
    QDoubleSpinBox* m_bandWidth = nullptr;
    QSpinBox* m_bandDepth = nullptr;
    QDoubleSpinBox* m_revolution = nullptr;
    QSpinBox* m_discDepth = nullptr;
    QSpinBox* m_discAngle = nullptr;
};
