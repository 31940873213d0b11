#include "Recorder.h"

#include "QtUsb.h"

#include <QFile>
#include <QJsonDocument>

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

Recorder::Recorder(const RecorderOptions& options, QtUsb* usb, QTextStream& out,
                   QTextStream& err, QObject* parent)
    : QObject(parent), m_options(options), m_usb(usb), m_out(out), m_err(err), m_filing(options),
      m_protocol(options)
{
    m_drainTimer.setInterval(kDrainIntervalMs);
    m_durationTimer.setSingleShot(true);
    m_durationTimer.setTimerType(Qt::PreciseTimer);
    m_operationTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, &Recorder::drainReplies);
    connect(&m_durationTimer, &QTimer::timeout, this, &Recorder::onDurationTick);
    connect(&m_operationTimer, &QTimer::timeout, this, &Recorder::onOperationTimeout);
    connect(usb, &QtUsb::LiveSnapshotRet, this, &Recorder::onSnapshot);
    connect(usb, &QtUsb::EEpReadRet, this, &Recorder::onConfigRead);
    connect(usb, &QtUsb::EncoderPowerRet, this, &Recorder::onPowerSwitched);
    connect(usb, &QtUsb::UsbClose, this, &Recorder::onLinkLost);
}

void Recorder::start()
{
    if (m_phase != Phase::Idle)
        return;
    if (!prepareFiles() || !prepareStorage())
        return;
    if (!m_usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId)) {
        fail(openFailureText());
        return;
    }
    m_usb->setStopRequested(false);
    m_usb->start();
    m_phase = Phase::ReadingConfig;
    m_usb->requestConfigRead();
    waitForOperation();
}

bool Recorder::prepareFiles()
{
    QString error;
    if (!m_options.profilePath.isEmpty()) {
        m_limits = ToleranceProfile::load(m_options.profilePath, &error, &m_profileBytes);
        if (!m_limits) {
            fail(tr("Bad profile: %1").arg(error));
            return false;
        }
    }
    if (!m_options.csvPath.isEmpty() && !m_csv.open(m_options.csvPath, &error)) {
        fail(error);
        return false;
    }
    if (m_protocol.active() && !m_protocol.check(&error)) {
        fail(error);
        return false;
    }
    return true;
}

// With --serial: the store must be usable before the tester is opened.
bool Recorder::prepareStorage()
{
    if (!m_filing.active())
        return true;
    m_filing.setProfile(m_profileBytes);
    QString error;
    QStringList warnings;
    const bool ok = m_filing.prepare(&error, &warnings);
    for (const QString& warning : warnings)
        m_err << warning << '\n';
    m_err << Qt::flush;
    if (!ok) {
        fail(error);
        return false;
    }
    return true;
}

QString Recorder::openFailureText() const
{
    switch (m_usb->lastOpenFailure()) {
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
    case QtUsb::OpenFailure::Other:
        break;
    }
    return tr("The tester was found but could not be opened.");
}

void Recorder::waitForOperation()
{
    m_operationTimer.start(m_operationTimeoutMs);
}

void Recorder::onConfigRead(bool ok)
{
    if (m_phase != Phase::ReadingConfig)
        return;
    m_operationTimer.stop();
    if (!ok) {
        fail(tr("Could not read the tester's configuration."));
        return;
    }
    const bool supplyOn = m_usb->state().config().encoderPower == 1;
    if (m_options.powerOn && !supplyOn) {
        m_phase = Phase::PoweringOn;
        m_usb->requestOperation(OpEncoderPowerOn);
        waitForOperation();
        return;
    }
    if (!supplyOn)
        m_err << tr("Note: the encoder supply is off, so its signals are flat. "
                    "--power-on switches it on for the recording.")
              << '\n'
              << Qt::flush;
    beginRecording();
}

void Recorder::onPowerSwitched(bool ok)
{
    if (m_phase == Phase::PoweringOn) {
        m_operationTimer.stop();
        if (!ok) {
            fail(tr("Could not switch the encoder supply on."));
            return;
        }
        m_switchedOn = true;
        m_phase = Phase::Settling;
        QTimer::singleShot(m_settleMs, this, [this] {
            if (m_phase == Phase::Settling)
                beginRecording();
        });
    } else if (m_phase == Phase::PoweringOff) {
        m_operationTimer.stop();
        if (!ok) {
            m_err << tr("Could not switch the encoder supply off: it is still on.") << '\n'
                  << Qt::flush;
            m_failed = true;
        }
        shutDown();
    }
}

void Recorder::onOperationTimeout()
{
    switch (m_phase) {
    case Phase::ReadingConfig:
        fail(tr("The tester did not answer the configuration read."));
        break;
    case Phase::PoweringOn:
        fail(tr("The tester did not answer the supply switch."));
        break;
    case Phase::PoweringOff:
        m_err << tr("The tester did not answer: the encoder supply may still be on.") << '\n'
              << Qt::flush;
        m_failed = true;
        shutDown();
        break;
    default:
        break;
    }
}

void Recorder::onLinkLost()
{
    m_linkLost = true;
    switch (m_phase) {
    case Phase::Recording:
        endRecording(RecordingReport::Stop::Disconnected);
        break;
    case Phase::PoweringOff:
        m_operationTimer.stop();
        m_err << tr("The tester was lost before its supply was switched off.") << '\n' << Qt::flush;
        m_failed = true;
        shutDown();
        break;
    case Phase::ReadingConfig:
    case Phase::PoweringOn:
    case Phase::Settling:
        m_operationTimer.stop();
        fail(tr("The tester was disconnected."));
        break;
    default:
        break;
    }
}

void Recorder::interrupt()
{
    switch (m_phase) {
    case Phase::Recording:
        endRecording(RecordingReport::Stop::Interrupt);
        break;
    case Phase::ReadingConfig:
    case Phase::PoweringOn:
    case Phase::Settling:
        m_operationTimer.stop();
        fail(tr("Stopped before the recording began."));
        break;
    default:
        break; // already ending
    }
}

void Recorder::beginRecording()
{
    m_phase = Phase::Recording;
    m_recorded = true;
    m_filing.setStartedAt(QDateTime::currentDateTimeUtc());
    m_clock.start();
    m_pending.clear();
    m_lastSequence = m_usb->state().liveSnapshot().sequence;
    m_startNs = steadyNs();
    m_taking = true;
    m_drainTimer.start();
    if (m_options.seconds > 0.0)
        onDurationTick();
}

void Recorder::onDurationTick()
{
    if (m_phase != Phase::Recording)
        return;
    const qint64 remaining = qint64(std::ceil(m_options.seconds * 1000.0)) - m_clock.elapsed();
    if (remaining <= 0) {
        endRecording(RecordingReport::Stop::Time);
        return;
    }
    m_durationTimer.start(int(std::min(remaining, kLongestTimerMs)));
}

void Recorder::onSnapshot(const LiveSnapshot& snapshot)
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

void Recorder::drainReplies()
{
    std::vector<ReplyRecord> records;
    records.swap(m_pending);
    for (const ReplyRecord& record : records)
        m_summary.feed(record);
    QString error;
    if (m_csv.isOpen() && !records.empty() && !m_csv.append(records, &error)) {
        m_err << error << '\n' << Qt::flush;
        m_csv.close();
        m_failed = true;
        if (m_phase == Phase::Recording)
            endRecording(RecordingReport::Stop::Interrupt);
        return;
    }
    if (m_progress && m_phase == Phase::Recording)
        showProgress();
}

void Recorder::showProgress()
{
    const double elapsed = m_clock.elapsed() / 1000.0;
    QString line = m_options.seconds > 0.0
                       ? tr("Recording: %1 s of %2 s, %3 replies")
                             .arg(elapsed, 0, 'f', 1)
                             .arg(m_options.seconds)
                             .arg(m_summary.replies())
                       : tr("Recording: %1 s, %2 replies (Ctrl+C stops)")
                             .arg(elapsed, 0, 'f', 1)
                             .arg(m_summary.replies());
    m_err << '\r' << line << QStringLiteral("\x1b[K") << Qt::flush;
}

void Recorder::endRecording(RecordingReport::Stop stop)
{
    m_stop = stop;
    m_taking = false;
    m_durationS = (steadyNs() - m_startNs) / 1e9;
    m_drainTimer.stop();
    m_durationTimer.stop();
    m_phase = Phase::PoweringOff; // not taking replies any more
    drainReplies();
    m_csv.close();
    if (m_progress)
        m_err << '\r' << QStringLiteral("\x1b[K") << Qt::flush;
    windDown();
}

void Recorder::fail(const QString& message)
{
    m_err << message << '\n' << Qt::flush;
    m_failed = true;
    windDown();
}

void Recorder::windDown()
{
    if (m_switchedOn && !m_linkLost && m_usb->isRunning()) {
        m_phase = Phase::PoweringOff;
        m_switchedOn = false;
        m_usb->requestOperation(OpEncoderPowerOff);
        waitForOperation();
        return;
    }
    shutDown();
}

void Recorder::shutDown()
{
    m_phase = Phase::Done;
    m_operationTimer.stop();
    if (m_usb->isRunning())
        m_usb->stopWorker();
    m_usb->closeDevice();
    m_csv.close();
    if (m_recorded)
        printReport();
    else
        m_exitCode = kExitError;
    if (m_failed || m_stop == RecordingReport::Stop::Disconnected)
        m_exitCode = kExitError;
    emit finished(m_exitCode);
}

void Recorder::printReport()
{
    const ToleranceProfile::Measurements measured =
        m_summary.measurements(m_usb->state().config());
    ToleranceProfile::Verdict verdict;
    if (m_limits)
        verdict = ToleranceProfile::evaluate(*m_limits, measured);
    RecordingReport::Facts facts;
    facts.replies = m_summary.replies();
    facts.durationS = m_durationS;
    facts.stop = m_stop;
    facts.haveProfile = m_limits.has_value();
    facts.profilePath = m_options.profilePath;
    facts.csvPath = m_options.csvPath;
    facts.csvRows = m_csv.rows();
    const RecordingReport report(facts, measured, m_summary.current(), verdict);
    if (m_options.json)
        m_out << QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented);
    else
        m_out << report.toText();
    m_out << Qt::flush;
    m_exitCode = verdict.pass ? kExitPass : kExitFail;
    QString message;
    const bool kept = m_filing.file(report, facts, verdict, m_usb->state().config(), &message);
    if (!message.isEmpty())
        m_err << message << '\n' << Qt::flush;
    if (!kept)
        m_failed = true;
    writeProtocol(facts, measured, verdict);
}

void Recorder::writeProtocol(const RecordingReport::Facts& facts,
                             const ToleranceProfile::Measurements& measured,
                             const ToleranceProfile::Verdict& verdict)
{
    if (!m_protocol.active())
        return;
    ProtocolWriting::Recording recording;
    recording.facts = facts;
    recording.measured = measured;
    recording.verdict = verdict;
    recording.current = m_summary.current();
    recording.config = m_usb->state().config();
    recording.pairs = m_summary.picturePairs(kProtocolPairs);
    recording.profile = m_profileBytes;
    recording.startedAt =
        QDateTime::currentDateTimeUtc().addMSecs(-qint64(facts.durationS * 1000.0));
    QString error;
    if (!m_protocol.write(recording, &error)) {
        m_err << error << '\n' << Qt::flush;
        m_failed = true;
    }
}
