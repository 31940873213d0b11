#include "Station.h"

#include "ProtocolFileName.h"
#include "ProtocolWriting.h"
#include "QtUsb.h"
#include "SerialNumber.h"
#include "StationArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

Station::Station(QtUsb* usb, QObject* parent) : QObject(parent), m_usb(usb), m_sequence(usb)
{
    qRegisterMetaType<FinishedTest>();
    qRegisterMetaType<ResultFiling::Filed>();
    qRegisterMetaType<StationHistory>();
    qRegisterMetaType<StationVerdict>();
    qRegisterMetaType<UnitHistory>();
    m_settings.settleMs = 300;
    m_reconnect.setInterval(kReconnectMs);
    connect(&m_reconnect, &QTimer::timeout, this, &Station::connectTester);
    connect(&m_sequence, &TestSequence::phaseChanged, this, &Station::onPhase);
    connect(&m_sequence, &TestSequence::replies, this, &Station::onReplies);
    connect(&m_sequence, &TestSequence::problem, this, &Station::onProblem);
    connect(&m_sequence, &TestSequence::finished, this, &Station::onSequenceFinished);
    connect(usb, &QtUsb::UsbClose, this, &Station::onLinkLost);
}

Station::~Station()
{
    if (m_state != State::Closed) {
        m_reconnect.stop();
        releaseTester();
    }
    if (m_archive) {
        // The archive and its store end on their own thread, which made the
        // store and used it: deleted there once its loop has ended, never on
        // this thread after it.
        connect(&m_archiveThread, &QThread::finished, m_archive, &QObject::deleteLater);
        QMetaObject::invokeMethod(m_archive, &StationArchive::close, Qt::QueuedConnection);
        m_archiveThread.quit();
        m_archiveThread.wait();
        m_archive = nullptr;
    }
}

void Station::openStore(const QString& location)
{
    if (m_archive)
        return;
    m_archive = new StationArchive(location, QSysInfo::machineHostName());
    m_archive->moveToThread(&m_archiveThread);
    connect(m_archive, &StationArchive::opened, this,
            [this](bool ok, const QString& error, const QStringList& warnings) {
                onStoreOpened(ok, error);
                emit storeOpened(ok, error, warnings);
            });
    connect(m_archive, &StationArchive::filed, this, &Station::filed);
    connect(m_archive, &StationArchive::historyRead, this, &Station::historyChanged);
    connect(m_archive, &StationArchive::unitLookedUp, this, &Station::onUnitLookedUp);
    m_archiveThread.setObjectName(QStringLiteral("results store"));
    m_archiveThread.start();
    QMetaObject::invokeMethod(m_archive, &StationArchive::open, Qt::QueuedConnection);
}

void Station::onStoreOpened(bool ok, const QString& error)
{
    m_storeError = ok ? QString() : error;
}

void Station::setTimings(int operationTimeoutMs, int settleMs)
{
    m_settings.operationTimeoutMs = operationTimeoutMs;
    m_settings.settleMs = settleMs;
}

void Station::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

bool Station::testerOpen() const
{
    return m_usb->isOpen();
}

void Station::connectTester()
{
    if (m_state != State::Idle || m_usb->isOpen()) {
        m_reconnect.stop();
        return;
    }
    if (!m_usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId)) {
        const QString problem = TestSequence::openFailureText(*m_usb);
        m_reconnect.start();
        emit testerChanged(false, problem);
        return;
    }
    m_reconnect.stop();
    m_usb->setStopRequested(false);
    m_usb->start();
    emit testerChanged(true, QString());
}

// The tester was lost while idle: let go of it and look for it again.
void Station::onLinkLost()
{
    if (m_state != State::Idle || !m_usb->isRunning())
        return; // the test's sequence handles it, and the station after it
    releaseTester();
    m_reconnect.start();
    emit testerChanged(false, tr("The tester was unplugged. Plug it in again."));
}

void Station::releaseTester()
{
    if (m_usb->isRunning())
        m_usb->stopWorker();
    if (m_usb->isOpen())
        m_usb->closeDevice();
}

bool Station::startTest(const QString& typedSerial, QString* error)
{
    if (m_state != State::Idle) {
        *error = tr("A test is running: wait for its verdict or stop it.");
        return false;
    }
    const std::optional<QString> serial = SerialNumber::check(typedSerial, error);
    if (!serial)
        return false;
    if (!m_storeError.isEmpty()) {
        *error = tr("The results store cannot be used, so no result could be kept: %1")
                     .arg(m_storeError);
        return false;
    }
    if (m_profilePath.isEmpty()) {
        *error = tr("Choose the test profile first.");
        return false;
    }
    QString profileError;
    QByteArray bytes;
    const std::optional<ToleranceProfile::Limits> limits =
        ToleranceProfile::load(m_profilePath, &profileError, &bytes);
    if (!limits) {
        *error = tr("The profile %1 cannot be used: %2")
                     .arg(QFileInfo(m_profilePath).fileName(), profileError);
        return false;
    }
    if (ToleranceProfile::evaluate(*limits, ToleranceProfile::Measurements()).items.isEmpty()) {
        *error = tr("The profile %1 sets no limits: every unit would pass.")
                     .arg(QFileInfo(m_profilePath).fileName());
        return false;
    }
    m_serial = *serial;
    m_limits = limits;
    m_profileBytes = bytes;
    m_problems.clear();
    m_summary = RecordingSummary();
    m_live = StationLive();
    m_liveTravel = TravelSurvey::Result();
    m_liveTravelClock.invalidate();
    m_settings.seconds = limits->test_duration_s;
    m_settings.powerOn = limits->test_power_on;
    m_retest = 0;
    m_reconnect.stop();
    setState(State::Testing);
    if (!m_archive) {
        beginTest();
        return true;
    }
    m_lookingUp = true;
    QMetaObject::invokeMethod(
        m_archive, [archive = m_archive, serial = m_serial] { archive->lookUp(serial); },
        Qt::QueuedConnection);
    return true;
}

void Station::onUnitLookedUp(const QString& serial, const UnitHistory& history)
{
    if (!m_lookingUp || serial != m_serial)
        return; // the answer to a unit stopped before its test began
    m_lookingUp = false;
    m_retest = history.known ? history.judged : -1;
    const std::optional<int> allowed = m_limits ? m_limits->test_retests_max : std::nullopt;
    if (history.known && allowed && history.judged > *allowed) {
        setState(State::Idle);
        emit testRefused(tr("Unit %1 has used its retests: %2 tests passed or failed, "
                            "test.retests_max is %3. It is not tested again.")
                             .arg(serial)
                             .arg(history.judged)
                             .arg(*allowed));
        return;
    }
    beginTest();
}

void Station::beginTest()
{
    m_sequence.start(m_settings);
}

// Stopped while the store is asked: the test begins, to be stopped at once
// and stored as aborted like any test stopped before its recording; the
// store's answer comes too late to count.
void Station::startWithoutLookUp()
{
    if (!m_lookingUp)
        return;
    m_lookingUp = false;
    m_retest = -1;
    beginTest();
}

void Station::abort()
{
    startWithoutLookUp();
    if (m_state == State::Testing || m_state == State::Closing)
        m_sequence.interrupt();
}

void Station::shutDown()
{
    switch (m_state) {
    case State::Idle:
        finishClosing();
        break;
    case State::Testing:
        startWithoutLookUp();
        setState(State::Closing);
        m_sequence.interrupt();
        break;
    case State::Closing:
    case State::Closed:
        break;
    }
}

void Station::finishClosing()
{
    m_reconnect.stop();
    releaseTester();
    setState(State::Closed);
    emit closed();
}

QString Station::protocolFolderProblem() const
{
    QDir().mkpath(m_protocolFolder);
    if (ProtocolWriting::checkFolder(m_protocolFolder, nullptr))
        return QString();
    return tr("the folder %1 is missing or not writable.").arg(m_protocolFolder);
}

double Station::secondsLeft() const
{
    if (m_state == State::Idle || m_state == State::Closed)
        return 0.0;
    if (m_sequence.phase() != TestSequence::Phase::Recording)
        return m_settings.seconds;
    return std::max(0.0, m_settings.seconds - m_sequence.recordedMs() / 1000.0);
}

void Station::onPhase(TestSequence::Phase phase)
{
    // A recording always ends by switching to PoweringOff, once per test.
    if (phase == TestSequence::Phase::PoweringOff && m_sequence.outcome().recorded)
        emit recordingEnded();
    emit phaseChanged(phase);
}

void Station::onReplies(const std::vector<ReplyRecord>& records)
{
    for (const ReplyRecord& record : records)
        m_summary.feed(record);
    updateLive();
}

void Station::updateLive()
{
    ToleranceProfile::Measurements measured = m_summary.measurements(m_usb->state().config());
    const ToleranceProfile::Limits limits = m_limits.value_or(ToleranceProfile::Limits{});
    if (!m_liveTravelClock.isValid() || m_liveTravelClock.elapsed() >= kTravelIntervalMs) {
        m_liveTravel = m_summary.travel(m_usb->state().config(), limits);
        m_liveTravelClock.start();
    }
    measured.travel = m_liveTravel;
    m_live.travel = m_liveTravel.travel;
    m_live.travelVariationLimitPct = limits.travel_amplitude_variation_pct_max;
    m_live.revision += 1;
    m_live.replies = m_summary.replies();
    m_live.pairs = m_summary.picturePairs(kLivePairs);
    m_live.fit = measured.signal;
    m_live.errorCurve = InterpolationError::curve(measured.signal, kCurvePoints);
    if (m_limits)
        m_live.items = ToleranceProfile::evaluate(*m_limits, measured);
    m_live.sinCosLatch = measured.sinCosLatch;
    m_live.squareLatch = measured.squareLatch;
    m_live.current = m_summary.current();
    emit liveChanged();
}

void Station::onProblem(const QString& message)
{
    m_problems << message;
}

FinishedTest Station::finishedTest(const TestSequence::Outcome& outcome) const
{
    FinishedTest test;
    test.serial = m_serial;
    test.operatorName = m_operatorName;
    test.startedAt = outcome.recorded ? outcome.startedAt : QDateTime::currentDateTimeUtc();
    test.config = m_usb->state().config();
    test.measured = m_summary.measurements(test.config, m_limits.value_or(ToleranceProfile::Limits{}));
    if (m_limits)
        test.verdict = ToleranceProfile::evaluate(*m_limits, test.measured);
    test.facts.replies = m_summary.replies();
    test.facts.durationS = outcome.durationS;
    // A test that never began recording is aborted: by the tester's loss or for the reason given.
    test.facts.stop = outcome.recorded ? outcome.stop
                      : outcome.linkLost ? RecordingReport::Stop::Disconnected
                                         : RecordingReport::Stop::Interrupt;
    test.facts.haveProfile = true;
    test.facts.profilePath = m_profilePath;
    test.current = m_summary.current();
    test.pairs = m_summary.picturePairs(kProtocolPairs);
    test.profile = m_profileBytes;
    if (!outcome.recorded && !m_problems.isEmpty())
        test.abortReason = m_problems.constFirst();
    return test;
}

void Station::writeProtocol(const FinishedTest& test, StationVerdict* verdict) const
{
    verdict->protocolError = protocolFolderProblem();
    if (!verdict->protocolError.isEmpty())
        return;
    QString error;
    const QString path =
        QDir(m_protocolFolder).filePath(ProtocolFileName::make(test.serial, test.startedAt));
    if (!ProtocolWriting(path, ProtocolPdf::Placement::KeepExisting)
             .write(test, &verdict->protocolPath, &error))
        verdict->protocolError = error;
}

void Station::onSequenceFinished(const TestSequence::Outcome& outcome)
{
    const bool closing = m_state == State::Closing;
    if (!outcome.opened) {
        releaseTester();
        const QString reason = m_problems.value(0);
        setState(State::Idle);
        emit testerChanged(false, reason);
        emit testRefused(reason);
        if (closing)
            finishClosing();
        else
            m_reconnect.start();
        return;
    }
    const FinishedTest test = finishedTest(outcome);
    StationVerdict verdict;
    verdict.outcome = test.outcome();
    verdict.serial = test.serial;
    verdict.verdict = test.verdict;
    verdict.reason = test.abortReason;
    verdict.retest = m_retest;
    verdict.linkLost = outcome.linkLost;
    verdict.supplyLeftOn = outcome.supplyLeftOn;
    writeProtocol(test, &verdict);
    if (m_archive)
        QMetaObject::invokeMethod(m_archive, [archive = m_archive, test] { archive->file(test); },
                                  Qt::QueuedConnection);
    if (outcome.linkLost) {
        releaseTester();
        emit testerChanged(false, tr("The tester was lost during the test. Plug it in again."));
    }
    setState(State::Idle);
    emit testFinished(verdict);
    if (closing)
        finishClosing();
    else if (!m_usb->isOpen())
        m_reconnect.start();
}
