#include "TestSequence.h"

#include "QtUsb.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr int kDrainIntervalMs = 100;
// Timers take int milliseconds: long recordings re-arm in steps of an hour.
constexpr qint64 kLongestTimerMs = 3600 * 1000;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TestSequence::TestSequence(QtUsb* usb, QObject* parent) : QObject(parent), m_usb(usb)
{
    m_drainTimer.setInterval(kDrainIntervalMs);
    m_durationTimer.setSingleShot(true);
    m_durationTimer.setTimerType(Qt::PreciseTimer);
    m_operationTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, &TestSequence::drainReplies);
    connect(&m_durationTimer, &QTimer::timeout, this, &TestSequence::onDurationTick);
    connect(&m_operationTimer, &QTimer::timeout, this, &TestSequence::onOperationTimeout);
    connect(usb, &QtUsb::EEpReadRet, this, &TestSequence::onConfigRead);
    connect(usb, &QtUsb::EncoderPowerRet, this, &TestSequence::onPowerSwitched);
    connect(usb, &QtUsb::ClearLineLockRet, this, &TestSequence::onLineLockCleared);
    connect(usb, &QtUsb::UsbClose, this, &TestSequence::onLinkLost);
}

QString TestSequence::openFailureText(const QtUsb& usb)
{
    switch (usb.lastOpenFailure()) {
    case QtUsb::OpenFailure::NotFound:
    case QtUsb::OpenFailure::None:
        return tr("No tester found (USB 0388:0004). Plug it in and try again.");
    case QtUsb::OpenFailure::AccessDenied:
        return tr("Access to the tester was denied. Install the udev rule \"70-rotaprobe.rules\" "
                  "(the package puts it in /lib/udev/rules.d), then unplug the tester and plug "
                  "it in again.");
    case QtUsb::OpenFailure::Busy:
        return tr("The tester is busy: another program has it open (is Rotaprobe running?). "
                  "Close that program and try again.");
    case QtUsb::OpenFailure::DriverMissing:
        return tr("The USB driver is not installed (libusb0.dll of libusb-win32). Install it, "
                  "then try again.");
    case QtUsb::OpenFailure::Other:
        break;
    }
    return tr("The tester was found but could not be opened.");
}

void TestSequence::setPhase(Phase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(phase);
}

void TestSequence::start(const Settings& settings)
{
    if (running())
        return;
    m_settings = settings;
    m_outcome = Outcome();
    m_switchedOn = false;
    m_taking = false;
    m_pending.clear();
    if (!m_usb->isOpen() && !m_usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId)) {
        fail(openFailureText(*m_usb));
        return;
    }
    m_outcome.opened = true;
    if (!m_usb->isRunning()) {
        m_usb->setStopRequested(false);
        m_usb->start();
    }
    setPhase(Phase::ReadingConfig);
    m_usb->requestConfigRead();
    waitForOperation();
}

qint64 TestSequence::recordedMs() const
{
    return m_outcome.recorded && m_clock.isValid() ? m_clock.elapsed() : 0;
}

void TestSequence::waitForOperation()
{
    m_operationTimer.start(m_settings.operationTimeoutMs);
}

void TestSequence::onConfigRead(bool ok)
{
    if (m_phase != Phase::ReadingConfig)
        return;
    m_operationTimer.stop();
    if (!ok) {
        fail(tr("Could not read the tester's configuration."));
        return;
    }
    const bool supplyOn = m_usb->state().config().encoderPower == 1;
    if (m_settings.powerOn && !supplyOn) {
        setPhase(Phase::PoweringOn);
        m_usb->requestOperation(OpEncoderPowerOn);
        waitForOperation();
        return;
    }
    if (!supplyOn)
        emit supplyIsOff();
    clearLineLock();
}

void TestSequence::onPowerSwitched(bool ok)
{
    if (m_phase == Phase::PoweringOn) {
        m_operationTimer.stop();
        if (!ok) {
            fail(tr("Could not switch the encoder supply on."));
            return;
        }
        m_switchedOn = true;
        setPhase(Phase::Settling);
        QTimer::singleShot(m_settings.settleMs, this, [this] {
            if (m_phase == Phase::Settling)
                clearLineLock();
        });
    } else if (m_phase == Phase::PoweringOff) {
        m_operationTimer.stop();
        if (!ok) {
            m_outcome.supplyLeftOn = true;
            m_outcome.failed = true;
            emit problem(tr("Could not switch the encoder supply off: it is still on."));
        }
        finish();
    }
}

// The tester latches a broken line until told: left from the unit before,
// it would fail this one. Cleared once the supply is settled, so what the
// recording sees is this unit's own.
void TestSequence::clearLineLock()
{
    setPhase(Phase::ClearingLineLock);
    m_usb->requestOperation(OpClearLineLock);
    waitForOperation();
}

void TestSequence::onLineLockCleared(bool ok)
{
    if (m_phase != Phase::ClearingLineLock)
        return;
    m_operationTimer.stop();
    if (!ok) {
        fail(tr("Could not clear the tester's line lock."));
        return;
    }
    beginRecording();
}

void TestSequence::onOperationTimeout()
{
    switch (m_phase) {
    case Phase::ReadingConfig:
        fail(tr("The tester did not answer the configuration read."));
        break;
    case Phase::PoweringOn:
        fail(tr("The tester did not answer the supply switch."));
        break;
    case Phase::ClearingLineLock:
        fail(tr("The tester did not answer the line lock clear."));
        break;
    case Phase::PoweringOff:
        m_outcome.supplyLeftOn = true;
        m_outcome.failed = true;
        emit problem(tr("The tester did not answer: the encoder supply may still be on."));
        finish();
        break;
    default:
        break;
    }
}

void TestSequence::onLinkLost()
{
    if (!running())
        return;
    m_outcome.linkLost = true;
    switch (m_phase) {
    case Phase::Recording:
        endRecording(RecordingReport::Stop::Disconnected);
        break;
    case Phase::PoweringOff:
        m_operationTimer.stop();
        m_outcome.failed = true;
        emit problem(tr("The tester was lost before its supply was switched off."));
        finish();
        break;
    default:
        m_operationTimer.stop();
        fail(tr("The tester was disconnected."));
        break;
    }
}

void TestSequence::interrupt()
{
    switch (m_phase) {
    case Phase::Recording:
        endRecording(RecordingReport::Stop::Interrupt);
        break;
    case Phase::ReadingConfig:
    case Phase::PoweringOn:
    case Phase::Settling:
    case Phase::ClearingLineLock:
        m_operationTimer.stop();
        fail(tr("Stopped before the recording began."));
        break;
    default:
        break; // already ending
    }
}

void TestSequence::beginRecording()
{
    m_outcome.recorded = true;
    m_outcome.startedAt = QDateTime::currentDateTimeUtc();
    m_clock.start();
    m_pending.clear();
    m_lastSequence = m_usb->state().liveSnapshot().sequence;
    m_startNs = steadyNs();
    m_taking = true;
    // Replies cross to this thread only while they are recorded: a station
    // holding the tester between units does not take 460 a second for nothing.
    m_snapshots = connect(m_usb, &QtUsb::LiveSnapshotRet, this, &TestSequence::onSnapshot);
    m_drainTimer.start();
    setPhase(Phase::Recording);
    if (m_settings.seconds > 0.0)
        onDurationTick();
}

void TestSequence::onDurationTick()
{
    if (m_phase != Phase::Recording)
        return;
    const qint64 remaining =
        qint64(std::ceil(m_settings.seconds * 1000.0)) - m_clock.elapsed();
    if (remaining <= 0) {
        endRecording(RecordingReport::Stop::Time);
        return;
    }
    m_durationTimer.start(int(std::min(remaining, kLongestTimerMs)));
}

void TestSequence::onSnapshot(const LiveSnapshot& snapshot)
{
    // A reply that could not be decoded repeats the sequence; replies from
    // before the start may still be queued.
    if (!m_taking || snapshot.sequence <= m_lastSequence || snapshot.receivedNs < m_startNs)
        return;
    m_lastSequence = snapshot.sequence;
    ReplyRecord record;
    record.ms = (snapshot.receivedNs - m_startNs) / 1e6;
    record.group = snapshot.group;
    record.values = snapshot.values;
    m_pending.push_back(record);
}

void TestSequence::drainReplies()
{
    std::vector<ReplyRecord> records;
    records.swap(m_pending);
    if (!records.empty())
        emit replies(records);
}

void TestSequence::endRecording(RecordingReport::Stop stop)
{
    m_outcome.stop = stop;
    m_outcome.durationS = (steadyNs() - m_startNs) / 1e9;
    m_taking = false;
    disconnect(m_snapshots);
    m_drainTimer.stop();
    m_durationTimer.stop();
    setPhase(Phase::PoweringOff); // not taking replies any more
    drainReplies();
    windDown();
}

void TestSequence::fail(const QString& message)
{
    m_outcome.failed = true;
    emit problem(message);
    windDown();
}

void TestSequence::windDown()
{
    if (m_switchedOn && !m_outcome.linkLost && m_usb->isRunning()) {
        setPhase(Phase::PoweringOff);
        m_switchedOn = false;
        m_usb->requestOperation(OpEncoderPowerOff);
        waitForOperation();
        return;
    }
    finish();
}

void TestSequence::finish()
{
    m_operationTimer.stop();
    m_drainTimer.stop();
    m_durationTimer.stop();
    m_taking = false;
    disconnect(m_snapshots);
    setPhase(Phase::Done);
    emit finished(m_outcome);
}
