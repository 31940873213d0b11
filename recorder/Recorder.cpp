#include "Recorder.h"

#include "QtUsb.h"

#include <QJsonDocument>

Recorder::Recorder(const RecorderOptions& options, QtUsb* usb, QTextStream& out,
                   QTextStream& err, QObject* parent)
    : QObject(parent), m_options(options), m_usb(usb), m_sequence(usb), m_out(out), m_err(err),
      m_filing(options.dbLocation), m_protocol(options.pdfPath, ProtocolPdf::Placement::ReplaceExisting)
{
    m_settings.seconds = options.seconds;
    m_settings.powerOn = options.powerOn;
    connect(&m_sequence, &TestSequence::replies, this, &Recorder::onReplies);
    connect(&m_sequence, &TestSequence::problem, this, &Recorder::onProblem);
    connect(&m_sequence, &TestSequence::supplyIsOff, this, [this] {
        m_err << tr("Note: the encoder supply is off, so its signals are flat. "
                    "--power-on switches it on for the recording.")
              << '\n'
              << Qt::flush;
    });
    connect(&m_sequence, &TestSequence::finished, this, &Recorder::onSequenceFinished);
}

void Recorder::start()
{
    if (m_sequence.phase() != TestSequence::Phase::Idle || m_done)
        return;
    if (!prepareFiles() || !prepareStorage())
        return;
    m_sequence.start(m_settings);
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
    if (m_options.serial.isEmpty())
        return true;
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

void Recorder::interrupt()
{
    m_sequence.interrupt();
}

void Recorder::onReplies(const std::vector<ReplyRecord>& records)
{
    for (const ReplyRecord& record : records)
        m_summary.feed(record);
    QString error;
    if (m_csv.isOpen() && !m_csv.append(records, &error)) {
        m_err << error << '\n' << Qt::flush;
        m_csv.close();
        m_failed = true;
        m_sequence.interrupt();
        return;
    }
    if (m_progress && m_sequence.phase() == TestSequence::Phase::Recording)
        showProgress();
}

void Recorder::onProblem(const QString& message)
{
    if (m_progress)
        m_err << '\r' << QStringLiteral("\x1b[K");
    m_err << message << '\n' << Qt::flush;
}

void Recorder::showProgress()
{
    const double elapsed = m_sequence.recordedMs() / 1000.0;
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

// Before the tester was opened: nothing recorded, nothing to switch off.
void Recorder::fail(const QString& message)
{
    m_err << message << '\n' << Qt::flush;
    m_failed = true;
    shutDown();
}

void Recorder::onSequenceFinished(const TestSequence::Outcome& outcome)
{
    m_csv.close();
    if (m_progress)
        m_err << '\r' << QStringLiteral("\x1b[K") << Qt::flush;
    if (outcome.recorded)
        printReport(outcome);
    if (outcome.failed || outcome.stop == RecordingReport::Stop::Disconnected)
        m_failed = true;
    shutDown();
}

void Recorder::shutDown()
{
    m_done = true;
    if (m_usb->isRunning())
        m_usb->stopWorker();
    m_usb->closeDevice();
    m_csv.close();
    if (m_failed)
        m_exitCode = kExitError;
    emit finished(m_exitCode);
}

void Recorder::printReport(const TestSequence::Outcome& outcome)
{
    FinishedTest test;
    test.serial = m_options.serial;
    test.operatorName = m_options.operatorName;
    test.startedAt = outcome.startedAt;
    test.measured = m_summary.measurements(m_usb->state().config(),
                                           m_limits.value_or(ToleranceProfile::Limits{}));
    if (m_limits)
        test.verdict = ToleranceProfile::evaluate(*m_limits, test.measured);
    test.facts.replies = m_summary.replies();
    test.facts.durationS = outcome.durationS;
    test.facts.stop = outcome.stop;
    test.facts.haveProfile = m_limits.has_value();
    test.facts.profilePath = m_options.profilePath;
    test.facts.csvPath = m_options.csvPath;
    test.facts.csvRows = m_csv.rows();
    test.current = m_summary.current();
    test.config = m_usb->state().config();
    test.profile = m_profileBytes;
    const RecordingReport report = test.report();
    if (m_options.json)
        m_out << QJsonDocument(report.toJson()).toJson(QJsonDocument::Indented);
    else
        m_out << report.toText();
    m_out << Qt::flush;
    m_exitCode = test.verdict.pass ? kExitPass : kExitFail;
    if (!m_options.serial.isEmpty()) {
        const ResultFiling::Filed filed = m_filing.file(test);
        if (!filed.message.isEmpty())
            m_err << filed.message << '\n' << Qt::flush;
        if (filed.outcome == ResultStore::Outcome::Lost)
            m_failed = true;
    }
    writeProtocol(test);
}

void Recorder::writeProtocol(const FinishedTest& recorded)
{
    if (!m_protocol.active())
        return;
    FinishedTest test = recorded;
    test.pairs = m_summary.picturePairs(kProtocolPairs);
    QString error;
    if (!m_protocol.write(test, nullptr, &error)) {
        m_err << error << '\n' << Qt::flush;
        m_failed = true;
    }
}
