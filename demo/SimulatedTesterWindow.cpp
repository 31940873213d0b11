#include "SimulatedTesterWindow.h"

#include "DemoPlacement.h"
#include "SimBus.h"
#include "SimTester.h"
#include "SimTravelControls.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDesktopWidget>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* spinBox(int minimum, int maximum, int value, const QString& suffix = QString())
{
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setAccelerated(true);
    return box;
}

enum FaultKind
{
    FaultTimeouts,
    FaultStatusZero,
    FaultShortReplies,
};

} // namespace

SimulatedTesterWindow::SimulatedTesterWindow(std::shared_ptr<SimTester> tester, QWidget* parent)
    : QWidget(parent), m_tester(std::move(tester))
{
    setWindowTitle(tr("Simulated tester"));
    setObjectName(QStringLiteral("SimulatedTester"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);

    m_plug = new QPushButton(tr("Unplug the tester"));
    m_plug->setCheckable(true);
    m_plug->setChecked(SimBus::instance().isPlugged(m_tester));
    m_plug->setText(m_plug->isChecked() ? tr("Unplug the tester") : tr("Plug the tester in"));
    connect(m_plug, &QPushButton::toggled, this, &SimulatedTesterWindow::setPlugged);
    layout->addWidget(m_plug);

    // Two columns: the tester and its encoder; the travel, speed and the
    // faults along them.
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildEncoderGroup());
    left->addWidget(buildSignalGroup());
    left->addWidget(buildLinesGroup());
    left->addWidget(buildTesterGroup());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(new SimTravelControls(m_tester));
    right->addWidget(buildFaultGroup());
    right->addStretch(1);
    columns->addLayout(left);
    columns->addLayout(right);
    layout->addLayout(columns);
    layout->addStretch(1);
}

QWidget* SimulatedTesterWindow::buildEncoderGroup()
{
    auto* group = new QGroupBox(tr("Encoder"));
    auto* form = new QFormLayout(group);

    m_speed = new QDoubleSpinBox;
    m_speed->setRange(-5000.0, 5000.0);
    m_speed->setDecimals(1);
    m_speed->setSingleStep(0.5);
    m_speed->setSuffix(tr(" periods/s"));
    m_speed->setAccelerated(true);
    m_speed->setValue(m_tester->speed());
    connect(m_speed, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this](double speed) { m_tester->setSpeed(speed); });
    auto* reverse = new QPushButton(tr("Reverse"));
    connect(reverse, &QPushButton::clicked, this, [this] { m_speed->setValue(-m_speed->value()); });
    auto* stop = new QPushButton(tr("Stop"));
    connect(stop, &QPushButton::clicked, this, [this] { m_speed->setValue(0.0); });
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(m_speed, 1);
    speedRow->addWidget(reverse);
    speedRow->addWidget(stop);
    form->addRow(tr("Speed:"), speedRow);

    QSpinBox* reference = spinBox(1, 100000, 10, tr(" periods"));
    connect(reference, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int periods) { m_tester->setReferenceInterval(periods); });
    form->addRow(tr("Reference mark every:"), reference);
    return group;
}

QWidget* SimulatedTesterWindow::buildSignalGroup()
{
    auto* group = new QGroupBox(tr("Sine/cosine signals"));
    auto* form = new QFormLayout(group);
    QSpinBox* amplitude = spinBox(0, 511, 400, tr(" counts"));
    connect(amplitude, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int counts) { m_tester->setAmplitude(counts); });
    form->addRow(tr("Amplitude:"), amplitude);
    m_sinOffset = spinBox(-300, 300, 0, tr(" counts"));
    m_cosOffset = spinBox(-300, 300, 0, tr(" counts"));
    for (QSpinBox* box : {m_sinOffset, m_cosOffset})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &SimulatedTesterWindow::applyOffsets);
    form->addRow(tr("Sine offset:"), m_sinOffset);
    form->addRow(tr("Cosine offset:"), m_cosOffset);
    return group;
}

QWidget* SimulatedTesterWindow::buildLinesGroup()
{
    auto* group = new QGroupBox(tr("Lines and phase"));
    auto* form = new QFormLayout(group);
    auto* lines = new QHBoxLayout;
    const char* names[3] = {"A", "B", "Z"};
    for (int i = 0; i < 3; ++i) {
        m_broken[i] = new QCheckBox(tr("%1 broken").arg(QLatin1String(names[i])));
        connect(m_broken[i], &QCheckBox::toggled, this, &SimulatedTesterWindow::setBrokenLines);
        lines->addWidget(m_broken[i]);
    }
    form->addRow(tr("Lines:"), lines);

    QSpinBox* burst = spinBox(1, 1000, 3);
    auto* inject = new QPushButton(tr("Inject phase errors"));
    connect(inject, &QPushButton::clicked, this,
            [this, burst] { m_tester->injectPhaseErrors(unsigned(burst->value())); });
    auto* phaseRow = new QHBoxLayout;
    phaseRow->addWidget(burst, 1);
    phaseRow->addWidget(inject);
    form->addRow(tr("Phase errors:"), phaseRow);
    return group;
}

QWidget* SimulatedTesterWindow::buildTesterGroup()
{
    auto* group = new QGroupBox(tr("Tester"));
    auto* form = new QFormLayout(group);
    QSpinBox* current = spinBox(0, 2000, 100, tr(" mA"));
    connect(current, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int mA) { m_tester->setSupplyCurrent(uint16_t(mA)); });
    form->addRow(tr("Supply current:"), current);

    auto* mode = new QComboBox;
    mode->addItems({tr("Square wave"), tr("Sine/cosine")});
    mode->setCurrentIndex(m_tester->eepromByte(0x10) & 1);
    connect(mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { m_tester->setEepromByte(0x10, uint8_t(index)); });
    form->addRow(tr("Work mode in EEPROM:"), mode);

    QSpinBox* latency = spinBox(0, 200, 0, tr(" ms"));
    connect(latency, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int ms) {
        SimFaults faults = m_tester->faults();
        faults.transferDelayMs = ms;
        m_tester->setFaults(faults);
    });
    form->addRow(tr("Transfer latency:"), latency);
    return group;
}

QWidget* SimulatedTesterWindow::buildFaultGroup()
{
    auto* group = new QGroupBox(tr("Scripted faults"));
    auto* layout = new QVBoxLayout(group);
    auto* countRow = new QFormLayout;
    m_faultCount = spinBox(1, 100, 1);
    countRow->addRow(tr("Replies hit:"), m_faultCount);
    layout->addLayout(countRow);
    auto* buttons = new QHBoxLayout;
    const QString labels[3] = {tr("Time out"), tr("Status 0"), tr("Short reply")};
    for (int kind = 0; kind < 3; ++kind) {
        auto* button = new QPushButton(labels[kind]);
        connect(button, &QPushButton::clicked, this, [this, kind] { addFault(kind); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    return group;
}

void SimulatedTesterWindow::setPlugged(bool plugged)
{
    if (plugged)
        SimBus::instance().replug(m_tester);
    else
        SimBus::instance().unplug(m_tester);
    m_plug->setText(plugged ? tr("Unplug the tester") : tr("Plug the tester in"));
}

void SimulatedTesterWindow::setBrokenLines()
{
    unsigned mask = 0;
    for (int i = 0; i < 3; ++i)
        if (m_broken[i]->isChecked())
            mask |= 1u << i;
    m_tester->setBrokenLines(mask);
}

void SimulatedTesterWindow::applyOffsets()
{
    m_tester->setOffsets(m_sinOffset->value(), m_cosOffset->value());
}

void SimulatedTesterWindow::addFault(int kind)
{
    SimFaults faults = m_tester->faults();
    const int count = m_faultCount->value();
    if (kind == FaultTimeouts)
        faults.readTimeouts += count;
    else if (kind == FaultStatusZero)
        faults.statusZeroReplies += count;
    else
        faults.shortReplies += count;
    m_tester->setFaults(faults);
}

void SimulatedTesterWindow::showBeside(QWidget& main)
{
    setWindowFlags(Qt::Window);
    adjustSize();
    const DemoPlacement::Placement placed = DemoPlacement::sideBySide(
        QApplication::desktop()->availableGeometry(&main), main.frameGeometry(),
        frameGeometry().size());
    main.move(placed.main);
    move(placed.controls);
    show();
}
