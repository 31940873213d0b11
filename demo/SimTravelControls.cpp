#include "SimTravelControls.h"

#include "SimTester.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

QDoubleSpinBox* numberBox(double minimum, double maximum, double value, const QString& suffix)
{
    auto* box = new QDoubleSpinBox;
    box->setRange(minimum, maximum);
    box->setDecimals(0);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setAccelerated(true);
    return box;
}

QSpinBox* intBox(int minimum, int maximum, int value, const QString& suffix)
{
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setAccelerated(true);
    return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets)
{
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w, qobject_cast<QLabel*>(w) ? 0 : 1);
    return layout;
}

} // namespace

SimTravelControls::SimTravelControls(std::shared_ptr<SimTester> tester, QWidget* parent)
    : QGroupBox(tr("Travel and speed"), parent), m_tester(std::move(tester))
{
    auto* form = new QFormLayout(this);
    const QString periods = tr(" periods");

    m_from = numberBox(-1e6, 1e6, 0.0, periods);
    m_to = numberBox(-1e6, 1e6, 500.0, periods);
    form->addRow(tr("Travel:"), row({m_from, new QLabel(tr("to")), m_to}));
    m_minSpeed = numberBox(1.0, 100000.0, 30.0, QString());
    m_maxSpeed = numberBox(1.0, 100000.0, 120.0, tr(" periods/s"));
    m_steps = intBox(1, 50, 4, tr(" steps"));
    form->addRow(tr("Speeds:"), row({m_minSpeed, new QLabel(tr("to")), m_maxSpeed, m_steps}));
    m_sweep = new QPushButton(tr("Run back and forth"));
    m_sweep->setCheckable(true);
    connect(m_sweep, &QPushButton::toggled, this, &SimTravelControls::applySweep);
    form->addRow(QString(), m_sweep);

    m_bandStart = numberBox(-1e6, 1e6, 235.0, periods);
    m_bandWidth = numberBox(0.0, 1e6, 0.0, periods);
    m_bandDepth = intBox(0, 100, 20, tr(" %"));
    for (QDoubleSpinBox* box : {m_bandStart, m_bandWidth})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &SimTravelControls::applyBand);
    connect(m_bandDepth, QOverload<int>::of(&QSpinBox::valueChanged), this, &SimTravelControls::applyBand);
    form->addRow(tr("Dirty band at:"), row({m_bandStart, new QLabel(tr("width")), m_bandWidth, new QLabel(tr("loss")), m_bandDepth}));

    m_revolution = numberBox(0.0, 1e6, 360.0, tr(" periods/rev"));
    m_discDepth = intBox(0, 50, 0, tr(" %"));
    m_discAngle = intBox(0, 359, 0, tr("°"));
    connect(m_revolution, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &SimTravelControls::applyDisc);
    for (QSpinBox* box : {m_discDepth, m_discAngle})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &SimTravelControls::applyDisc);
    form->addRow(tr("Off-centre disc:"), row({m_revolution, new QLabel(tr("swing")), m_discDepth, new QLabel(tr("at")), m_discAngle}));

    QDoubleSpinBox* limit = numberBox(0.0, 1e6, 0.0, tr(" Hz"));
    limit->setSpecialValueText(tr("none"));
    connect(limit, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this](double hz) { m_tester->setOutputLimit(hz); });
    form->addRow(tr("Output limit:"), limit);

    auto* late = new QCheckBox(tr("Reference mark one period late moving backward"));
    connect(late, &QCheckBox::toggled, this, [this](bool on) { m_tester->setBackwardReferenceLate(on); });
    form->addRow(QString(), late);
}

void SimTravelControls::applySweep(bool on)
{
    m_sweep->setText(on ? tr("Stop") : tr("Run back and forth"));
    if (!on) {
        m_tester->setSpeed(0.0);
        return;
    }
    SimSweep::Profile profile;
    profile.from = std::min(m_from->value(), m_to->value());
    profile.to = std::max(m_from->value(), m_to->value());
    profile.minSpeed = m_minSpeed->value();
    profile.maxSpeed = m_maxSpeed->value();
    profile.steps = m_steps->value();
    m_tester->setSweep(profile);
}

void SimTravelControls::applyBand()
{
    m_tester->setDirtyBand(m_bandStart->value(), m_bandWidth->value(), m_bandDepth->value() / 100.0);
}

void SimTravelControls::applyDisc()
{
    m_tester->setEccentricity(m_revolution->value(), m_discDepth->value() / 100.0, m_discAngle->value());
}
