// The worker thread: polling, the requested operations, retries, failures,
// stopping, and the hand-over of requests and values with the GUI thread.
#include "EepromImage.h"
#include "LogCapture.h"
#include "SnapshotMailbox.h"
#include "TestRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kWait = 5000;

std::vector<SimTester::Report> framesOfKind(const std::vector<SimTester::Request>& requests,
                                            quint8 b0, quint8 b1, bool deliveredOnly = true)
{
    std::vector<SimTester::Report> out;
    for (const auto& r : requests)
        if (r.frame[0] == b0 && r.frame[1] == b1 && (r.delivered || !deliveredOnly))
            out.push_back(r.frame);
    return out;
}

SimFaults only(quint8 direction, quint8 space)
{
    SimFaults f;
    f.onlyDirection = direction;
    f.onlySpace = space;
    return f;
}

using Entries = std::initializer_list<std::pair<quint16, quint16>>;

// A request frame as the tester must receive it, built by hand.
SimTester::Report frame(quint8 b0, quint8 b1, quint16 group, Entries entries)
{
    SimTester::Report r{};
    r[0] = b0;
    r[1] = b1;
    r[4] = quint8(entries.size());
    r[6] = quint8(group);
    r[7] = quint8(group >> 8);
    int i = 0;
    for (const auto& e : entries) {
        r[size_t(16 + 4 * i)] = quint8(e.first);
        r[size_t(17 + 4 * i)] = quint8(e.first >> 8);
        r[size_t(18 + 4 * i)] = quint8(e.second);
        r[size_t(19 + 4 * i)] = quint8(e.second >> 8);
        ++i;
    }
    return r;
}

const SimTester::Report kReadGroup0 =
    frame(0x11, 0x12, 0, {{0x10, 0}, {0x14, 0}, {0x20, 0}, {0x21, 0}, {0x22, 0}, {0x23, 0},
                          {0x28, 0}, {0x29, 0}, {0x2A, 0}, {0x2B, 0}, {0x30, 0}, {0x40, 0}});
const SimTester::Report kReadGroup1 =
    frame(0x11, 0x12, 1, {{0x44, 0}, {0x45, 0}, {0x46, 0}, {0x47, 0}, {0x50, 0}, {0x51, 0}});

// The libusb transfers of a run, in order: every one must use its endpoint,
// 64 bytes and the 200 ms time-out. With `alternate`, writes and reads must
// also take turns, starting with a write. Returns the first call that breaks
// the rule, or an empty text.
QString badTransferCall(const std::vector<std::string>& calls, bool alternate)
{
    const std::string write = "usb_interrupt_write 1 64 200";
    const std::string read = "usb_interrupt_read 129 64 200";
    int n = 0;
    for (const std::string& call : calls) {
        if (call.rfind("usb_interrupt_", 0) != 0)
            continue;
        const std::string& expected = n++ % 2 == 0 ? write : read;
        if (alternate ? call != expected : (call != write && call != read))
            return QString::fromStdString(call) + QStringLiteral(" at transfer %1").arg(n);
    }
    return QString();
}

// Microseconds between consecutive requests of the list.
std::vector<int64_t> gaps(const std::vector<SimTester::Request>& requests)
{
    std::vector<int64_t> out;
    for (size_t i = 1; i < requests.size(); ++i)
        out.push_back(requests[i].atUs - requests[i - 1].atUs);
    return out;
}

std::vector<SimTester::Request> requestsOfKind(const std::vector<SimTester::Request>& requests,
                                               quint8 b0, quint8 b1)
{
    std::vector<SimTester::Request> out;
    for (const auto& r : requests)
        if (r.frame[0] == b0 && r.frame[1] == b1)
            out.push_back(r);
    return out;
}

bool waitForResult(TestRig& rig, int count = 1)
{
    return QTest::qWaitFor([&] { return rig.recorder.results.size() >= count; }, kWait);
}

std::vector<uint8_t> configuredImage()
{
    std::vector<uint8_t> image(SimTester::kEepromSize, 0xFF);
    image[0x10] = 0;          // square-wave mode
    image[0x14] = 1;          // supply on
    image[0x20] = 0x20;       // 20000 nm
    image[0x21] = 0x4E;
    image[0x22] = 0;
    image[0x23] = 0;
    image[0x28] = 0xC4;       // 2500
    image[0x29] = 0x09;
    image[0x2A] = 0;
    image[0x2B] = 0;
    image[0x30] = 7;
    image[0x40] = 3;
    image[0x44] = 0xE8;       // 1000 nm
    image[0x45] = 0x03;
    image[0x46] = 0;
    image[0x47] = 0;
    image[0x50] = 3;
    image[0x51] = 2;
    return image;
}

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { LogCapture::install(); }

    void pollingAlternatesGroupsAndPublishesValues();
    void rejectedReplyAdvancesTheCursor_data();
    void rejectedReplyAdvancesTheCursor();
    void shortOrLostReplyAsksTheSameGroupAgain();
    void startupPauseAndPromptStop();
    void failedReadReinitialisesAndPollingGoesOn();
    void unplugWhilePollingClosesOnce();
    void liveValuesAreReadWhole();
    void mailboxHandsOverEveryReplyInOrder();

    void resetAndClearLineLock();
    void commandNakReportsFailure();
    void encoderSupplyOffAndOn();

    void configReadFillsRecord();
    void eepromReadRepliesAreChecked();
    void erasedEepromGivesDefaults();
    void configWriteSendsTwoGroups();
    void writeSendGivesUpAfterTwelve();
    void writeAcknowledgementFailureKeepsEarlierGroups();
    void readFailuresOnSendAndOnSecondGroup();
    void unplugDuringEepromWriteGivesOneResult();

    void requestHandOverRules();
    void pendingRequestIsReplaced();
    void requestWaitsForASuccessfulPoll();
    void stopDuringEepromOperationFinishesItFirst();
    void stopBetweenTakingAndRunningLeavesNothingBehind();
};

void TestWorker::pollingAlternatesGroupsAndPublishesValues()
{
    TestRig rig;
    rig.tester->setSpeed(3.0);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= 6; }, kWait));
    rig.stop();

    const auto polls = framesOfKind(rig.tester->requests(), 0x11, 0x11);
    QVERIFY(polls.size() >= 6);
    const RegisterGroupList groups = ReportFrame::pollGroups();
    for (size_t i = 0; i < polls.size(); ++i) {
        const int group = int(i % 2);
        QCOMPARE(polls[i][4], quint8(12));
        QCOMPARE(polls[i][6], quint8(group)); // the cursor wraps after group 1
        const auto expected =
            *ReportFrame::realTimeRead(groups[group].addresses.data(), 12, quint16(group));
        QCOMPARE(polls[i], expected);
    }
    QCOMPARE(badTransferCall(rig.bus.calls(), true), QString());
    const LiveValues v = rig.state.liveValues();
    QVERIFY(v.encoderCurrent >= 98 && v.encoderCurrent <= 102);
    QCOMPARE(v.lineStates, quint16(7));
    QVERIFY(v.sinCosLatchCount >= 0);
    QVERIFY(v.squareLatchCount >= 0);
    QVERIFY(v.sinSample > 0);

    const QStringList lines = LogCapture::lines();
    QVERIFY(lines.contains("C:Thread run!"));
    QCOMPARE(lines.last(), QString("D:USB Thread Quit "));
    QCOMPARE(rig.state.currentOperation(), OpPoll);
}

void TestWorker::rejectedReplyAdvancesTheCursor_data()
{
    QTest::addColumn<int>("header0");
    QTest::addColumn<int>("header1");
    QTest::addColumn<bool>("statusZero");
    QTest::addColumn<bool>("count13");
    QTest::addColumn<QString>("log");
    QTest::newRow("status 0") << 0x11 << 0x11 << true << false
                              << QStringLiteral("D:Read  RealTimeData Error!");
    QTest::newRow("header byte 0") << 0x12 << 0x11 << false << false << QString();
    QTest::newRow("header byte 1") << 0x11 << 0x12 << false << false << QString();
    QTest::newRow("count 13") << 0x11 << 0x11 << false << true
                              << QStringLiteral("D:ResolveRealReadData DataCount Error!");
}

void TestWorker::rejectedReplyAdvancesTheCursor()
{
    QFETCH(int, header0);
    QFETCH(int, header1);
    QFETCH(bool, statusZero);
    QFETCH(bool, count13);
    QFETCH(QString, log);

    // Every reply to poll group 0 is rejected, group 1 is answered well.
    TestRig rig;
    rig.tester->setManualClock(true);
    rig.tester->moveTo(3.5);
    SimFaults faults = only(0x11, 0x11);
    faults.onlyGroup = 0;
    faults.wrongHeaderReplies = header0 != 0x11 || header1 != 0x11 ? 1000 : 0;
    faults.wrongHeader[0] = header0;
    faults.wrongHeader[1] = header1;
    faults.statusZeroReplies = statusZero ? 1000 : 0;
    faults.oversizedCountReplies = count13 ? 1000 : 0;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= 6; }, kWait));
    rig.stop();
    QCoreApplication::processEvents();

    // A rejected reply of 64 bytes still counts as a poll: the cursor moves
    // on and RealReadRet comes, once per reply.
    const auto polls = framesOfKind(rig.tester->requests(), 0x11, 0x11);
    QVERIFY(polls.size() >= 6);
    for (size_t i = 0; i < polls.size(); ++i)
        QCOMPARE(polls[i][6], quint8(i % 2));
    QCOMPARE(rig.recorder.realReads, int(polls.size()));

    // Nothing of group 0 was taken, group 1 was.
    const LiveValues v = rig.state.liveValues();
    QCOMPARE(v.sinCosPosition, qint64(0));
    QCOMPARE(v.sinCosLatchCount, qint64(-1));
    QCOMPARE(v.sinSample, quint16(0));
    QCOMPARE(v.levelStates, quint16(0));
    qint64 square = 0;
    for (int i = 0; i < 4; ++i)
        square |= qint64(rig.tester->registerValue(quint16(0x2000 + i))) << (16 * i);
    QVERIFY(square != 0);
    QCOMPARE(v.squarePosition, square);
    QCOMPARE(v.lineStates, quint16(7));
    QVERIFY(v.encoderCurrent >= 98 && v.encoderCurrent <= 102);

    // Only decoded replies count in the snapshot's sequence, each with its group.
    const LiveSnapshot snapshot = rig.state.liveSnapshot();
    QCOMPARE(snapshot.group, 1);
    QCOMPARE(snapshot.sequence, quint64(polls.size() / 2));

    QStringList expected;
    for (size_t i = 0; i < polls.size() && !log.isEmpty(); i += 2)
        expected.append(log);
    QCOMPARE(LogCapture::linesMatching({"D:Read", "D:Resolve"}), expected);
}

void TestWorker::shortOrLostReplyAsksTheSameGroupAgain()
{
    // The first reply to group 0 is lost, the next two are short.
    TestRig rig;
    SimFaults faults = only(0x11, 0x11);
    faults.onlyGroup = 0;
    faults.readTimeouts = 1;
    faults.shortReplies = 3;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor(
        [&] { return framesOfKind(rig.tester->requests(), 0x11, 0x11).size() >= 6; }, kWait));
    rig.stop();
    QCoreApplication::processEvents();

    const auto polls = framesOfKind(rig.tester->requests(), 0x11, 0x11);
    QVERIFY(polls.size() >= 6);
    for (size_t i = 0; i < polls.size(); ++i) // 0, 0, 0, 0, then 1, 0, 1, ...
        QCOMPARE(polls[i][6], quint8(i < 4 ? 0 : (i + 1) % 2));
    QCOMPARE(rig.recorder.realReads, int(polls.size()) - 3);
    QCOMPARE(rig.bus.countCalls("usb_init"), 2); // the lost reply re-opened the link
    QCOMPARE(rig.recorder.usbCloses, 0);
    QCOMPARE(badTransferCall(rig.bus.calls(), false), QString());
}

void TestWorker::startupPauseAndPromptStop()
{
    TestRig rig;
    rig.usb.setStartupPause(1000);
    QVERIFY(rig.open());
    QElapsedTimer timer;
    timer.start();
    rig.usb.start(QThread::HighestPriority);
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads > 0; }, kWait));
    QVERIFY2(timer.elapsed() >= 990, qPrintable(QString::number(timer.elapsed())));
    rig.stop();

    // A stop during the pause does not wait the pause out.
    rig.tester->clearRequests();
    rig.usb.setStopRequested(false);
    rig.usb.start();
    QTest::qWait(50);
    timer.restart();
    rig.usb.stopWorker();
    QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(rig.tester->requests().empty());
}

void TestWorker::failedReadReinitialisesAndPollingGoesOn()
{
    TestRig rig;
    QVERIFY(rig.startPolling());
    SimFaults faults;
    faults.readTimeouts = 1;
    rig.tester->setFaults(faults);
    const int inits = rig.bus.countCalls("usb_init");
    QVERIFY(QTest::qWaitFor([&] { return rig.bus.countCalls("usb_init") > inits; }, kWait));
    const int reads = rig.recorder.realReads;
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads > reads + 3; }, kWait));
    rig.stop();
    QCOMPARE(rig.recorder.usbCloses, 0);
    QVERIFY(rig.usb.isOpen());
    QCOMPARE(rig.bus.invalidHandleUses(), 0);
}

void TestWorker::unplugWhilePollingClosesOnce()
{
    TestRig rig;
    QVERIFY(rig.startPolling());
    rig.bus.unplug(rig.tester);
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.usbCloses == 1; }, kWait));
    QTest::qWait(50);
    QCOMPARE(rig.recorder.usbCloses, 1);
    QVERIFY(!rig.usb.isOpen());
    QVERIFY(!rig.state.usbOpened());
    // While the thread still runs on a closed link, polls fail at the send.
    QVERIFY(LogCapture::lines().contains("C:Usb connection not opened"));
    rig.stop();
    QCOMPARE(rig.bus.openHandles(), 0);
}

void TestWorker::liveValuesAreReadWhole()
{
    // 1000 periods/s: the low word of the position wraps several times a
    // second. A torn read would show the position going backwards.
    TestRig rig;
    rig.tester->setSpeed(1000.0);
    QVERIFY(rig.startPolling());
    qint64 last = rig.state.liveValues().sinCosPosition;
    QElapsedTimer timer;
    timer.start();
    int reads = 0;
    while (timer.elapsed() < 400) {
        const qint64 now = rig.state.liveValues().sinCosPosition;
        QVERIFY2(now >= last, qPrintable(QStringLiteral("%1 after %2").arg(now).arg(last)));
        last = now;
        ++reads;
    }
    rig.stop();
    QVERIFY(last > 65536);
    QVERIFY(reads > 100);
}

void TestWorker::mailboxHandsOverEveryReplyInOrder()
{
    // The window's mailbox: every snapshot the worker sends, each once and
    // in order, taken here once per frame while the worker keeps putting
    // (also after this thread stood still for thousands of them);
    // this thread is woken once per batch, and again by a reply that comes
    // after the box was emptied.
    TestRig rig;
    rig.tester->setSpeed(50.0);
    SnapshotMailbox mailbox;
    int wakes = 0;
    connect(&mailbox, &SnapshotMailbox::arrived, this, [&wakes] { ++wakes; });
    QVector<quint64> taken;
    auto takeAll = [&] {
        LiveSnapshot snapshot;
        while (mailbox.take(&snapshot))
            taken.append(snapshot.sequence);
    };
    QTimer frames;
    frames.setInterval(16);
    connect(&frames, &QTimer::timeout, this, takeAll);
    connect(&rig.usb, &QtUsb::LiveSnapshotRet, &mailbox, &SnapshotMailbox::put,
            Qt::DirectConnection);
    frames.start();
    QVERIFY(rig.startPolling());
    QTest::qWait(400);

    // A stalled GUI thread: well over a thousand replies wait in the box,
    // and still each comes once and in order.
    const quint64 stalledFrom = rig.state.liveSnapshot().sequence;
    QElapsedTimer stall;
    stall.start();
    while (rig.state.liveSnapshot().sequence < stalledFrom + 2500 && stall.elapsed() < 6 * kWait)
        QThread::msleep(5);
    QVERIFY(rig.state.liveSnapshot().sequence >= stalledFrom + 2500);
    QTest::qWait(100);
    rig.stop();
    QTest::qWait(50);
    takeAll();
    for (int i = 1; i < taken.size(); ++i)
        QCOMPARE(taken.at(i), taken.at(i - 1) + 1);
    QCOMPARE(taken.last(), rig.state.liveSnapshot().sequence);
    QVERIFY2(wakes * 3 < taken.size(), qPrintable(QString::number(wakes)));

    const int before = wakes;
    mailbox.put(rig.state.liveSnapshot());
    QTRY_COMPARE(wakes, before + 1);
}

void TestWorker::resetAndClearLineLock()
{
    TestRig rig;
    rig.tester->setManualClock(true);
    rig.tester->moveTo(25.5);
    rig.tester->injectPhaseErrors(3);
    rig.tester->setBrokenLines(1);
    rig.tester->setBrokenLines(0);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= 2; }, kWait));
    LiveValues v = rig.state.liveValues();
    QCOMPARE(v.sinCosPosition, qint64(25.5 * 512));
    QCOMPARE(v.phaseCheckCount, quint16(3));
    QCOMPARE(v.lineStates, quint16(6)); // A stays reported broken until cleared

    QVERIFY(rig.usb.requestOperation(OpReset));
    QVERIFY(waitForResult(rig));
    QCOMPARE(rig.recorder.results, QStringList({"ResetRet(true)"}));
    QVERIFY(rig.tester->requests().size() > 0);
    QVERIFY(rig.usb.requestOperation(OpClearLineLock));
    QVERIFY(waitForResult(rig, 2));
    QCOMPARE(rig.recorder.results.last(), QString("ClearLineLockRet(true)"));
    const int reads = rig.recorder.realReads;
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= reads + 2; }, kWait));
    rig.stop();

    // One frame each, between polls, with value 0.
    const auto requests = rig.tester->requests();
    const auto writes = framesOfKind(requests, 0x12, 0x11);
    QCOMPARE(writes, std::vector<SimTester::Report>({frame(0x12, 0x11, 0, {{0x5000, 0}}),
                                                     frame(0x12, 0x11, 0, {{0x2014, 0}})}));
    for (size_t i = 1; i + 1 < requests.size(); ++i)
        if (requests[i].frame[0] == 0x12) {
            QCOMPARE(requests[i - 1].frame[1], quint8(0x11));
            QCOMPARE(requests[i - 1].frame[0], quint8(0x11));
            QCOMPARE(requests[i + 1].frame[0], quint8(0x11));
        }
    QCOMPARE(badTransferCall(rig.bus.calls(), true), QString());

    v = rig.state.liveValues();
    QCOMPARE(v.sinCosPosition, qint64(0));
    QCOMPARE(v.squarePosition, qint64(0));
    QCOMPARE(v.phaseCheckCount, quint16(0));
    QCOMPARE(v.lineStates, quint16(7));
    QCOMPARE(LogCapture::linesMatching({"C:Reset", "C:Clear"}),
             QStringList({"C:Reset Successful!", "C:ClearLineLock Successful!"}));
}

void TestWorker::commandNakReportsFailure()
{
    TestRig rig;
    SimFaults faults = only(0x12, 0);
    faults.statusZeroReplies = 2;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    rig.usb.requestOperation(OpReset);
    QVERIFY(waitForResult(rig));
    rig.usb.requestOperation(OpClearLineLock);
    QVERIFY(waitForResult(rig, 2));

    // An acknowledgement is judged by its length and status alone.
    faults = only(0x12, 0);
    faults.wrongHeaderReplies = 1;
    faults.wrongHeader[0] = 0x11;
    faults.wrongHeader[1] = 0x11;
    rig.tester->setFaults(faults);
    rig.usb.requestOperation(OpReset);
    QVERIFY(waitForResult(rig, 3));

    // A send that fails on a closed link fails the command at once.
    rig.stop();
    rig.usb.closeDevice();
    rig.usb.requestOperation(OpReset);
    rig.usb.setStopRequested(false);
    rig.usb.start();
    QTest::qWait(100);
    QCOMPARE(rig.recorder.results.size(), 3); // not taken: no poll could be sent
    rig.stop();
    QCOMPARE(rig.recorder.results,
             QStringList({"ResetRet(false)", "ClearLineLockRet(false)", "ResetRet(true)"}));
    QCOMPARE(LogCapture::linesMatching({"C:Reset", "C:Clear"}),
             QStringList({"C:Reset Error!", "C:ClearLineLock Error!", "C:Reset Successful!"}));
    // The request never taken went with the link that stopped.
    QCOMPARE(rig.state.requestedOperation(), OpNone);
}

void TestWorker::encoderSupplyOffAndOn()
{
    TestRig rig;
    rig.tester->setSpeed(2.0);
    QVERIFY(rig.startPolling());
    QVERIFY(rig.usb.requestOperation(OpEncoderPowerOff));
    QVERIFY(waitForResult(rig));
    QCOMPARE(rig.recorder.results.last(), QString("EncoderPowerRet(true)"));
    QCOMPARE(rig.state.config().encoderPower, quint8(0));
    QVERIFY(!rig.tester->supplyOn());
    const int reads = rig.recorder.realReads;
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= reads + 2; }, kWait));
    LiveValues v = rig.state.liveValues();
    QCOMPARE(v.encoderCurrent, quint16(0));
    QCOMPARE(v.sinSample, quint16(512));
    QCOMPARE(v.cosSample, quint16(512));

    QVERIFY(rig.usb.requestOperation(OpEncoderPowerOn));
    QVERIFY(waitForResult(rig, 2));
    QCOMPARE(rig.state.config().encoderPower, quint8(1));

    // A supply that does not follow: the state stored is the one the reply
    // tells, not the one asked for.
    SimFaults faults;
    faults.supplyStuck = true;
    rig.tester->setFaults(faults);
    QVERIFY(rig.usb.requestOperation(OpEncoderPowerOff));
    QVERIFY(waitForResult(rig, 3));
    QCOMPARE(rig.recorder.results.last(), QString("EncoderPowerRet(true)"));
    QVERIFY(rig.tester->supplyOn());
    QCOMPARE(rig.state.config().encoderPower, quint8(1));

    // A refused switch leaves the stored state as it was.
    faults = only(0x12, 0x12);
    faults.statusZeroReplies = 1;
    rig.tester->setFaults(faults);
    rig.usb.requestOperation(OpEncoderPowerOff);
    QVERIFY(waitForResult(rig, 4));
    rig.stop();
    QCOMPARE(rig.recorder.results.last(), QString("EncoderPowerRet(false)"));
    QCOMPARE(rig.state.config().encoderPower, quint8(1));
    QCOMPARE(LogCapture::linesMatching({"C:EncoderPower"}),
             QStringList({"C:EncoderPower Successful!", "C:EncoderPower Successful!",
                          "C:EncoderPower Successful!", "C:EncoderPowert Error!"}));

    const auto off = frame(0x12, 0x12, 0, {{0x14, 0}});
    const auto on = frame(0x12, 0x12, 0, {{0x14, 1}});
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x12, 0x12),
             std::vector<SimTester::Report>({off, on, off, off}));
    QCOMPARE(badTransferCall(rig.bus.calls(), true), QString());
}

void TestWorker::configReadFillsRecord()
{
    TestRig rig(configuredImage());
    QVERIFY(rig.startPolling());
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(true)"}));

    const ConfigRecord c = rig.state.config();
    QCOMPARE(c.sinCosMode, quint8(0));
    QCOMPARE(c.encoderPower, quint8(1));
    QCOMPARE(c.sinCosEquivalent, quint32(20000));
    QCOMPARE(c.zComparisonValue, quint32(2500));
    QCOMPARE(c.adcGain, quint8(7));
    QCOMPARE(c.squareWaveFilter, quint8(3));
    QCOMPARE(c.squareWaveEquivalent, quint32(1000));
    QCOMPARE(c.accuracy, quint8(3));
    QCOMPARE(c.filterLevel, quint8(2));

    QCOMPARE(framesOfKind(rig.tester->requests(), 0x11, 0x12),
             std::vector<SimTester::Report>({kReadGroup0, kReadGroup1}));
    QCOMPARE(badTransferCall(rig.bus.calls(), true), QString());
    QCOMPARE(LogCapture::linesMatching({"C:EEP"}),
             QStringList({"C:EEP  Read req ++++++++++++++++!",
                          "C:EEP  Read req ----------------------!",
                          "C:EEP  Read req ----------------------!"}));
}

void TestWorker::eepromReadRepliesAreChecked()
{
    // The reply to group 0 carries a write header (first byte wrong): it is
    // decoded into nothing, yet the operation goes on and succeeds.
    TestRig rig(configuredImage());
    SimFaults faults = only(0x11, 0x12);
    faults.onlyGroup = 0;
    faults.wrongHeaderReplies = 1;
    faults.wrongHeader[0] = 0x12;
    faults.wrongHeader[1] = 0x12;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(waitForResult(rig));
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(true)"}));
    ConfigRecord c = rig.state.config();
    const ConfigRecord fresh;
    QCOMPARE(c.sinCosMode, fresh.sinCosMode);
    QCOMPARE(c.encoderPower, quint8(0xFF));
    QCOMPARE(c.sinCosEquivalent, fresh.sinCosEquivalent);
    QCOMPARE(c.adcGain, fresh.adcGain);
    QCOMPARE(c.squareWaveEquivalent, quint32(1000));
    QCOMPARE(c.accuracy, quint8(3));
    QCOMPARE(c.filterLevel, quint8(2));

    // Status 0 on group 1 fails the read; group 0 is decoded, group 1 not.
    rig.tester->setEepromByte(0x50, 4);
    faults.onlyGroup = 1;
    faults.wrongHeaderReplies = 0;
    faults.statusZeroReplies = 1;
    rig.tester->setFaults(faults);
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(waitForResult(rig, 2));
    QCOMPARE(rig.recorder.results.last(), QString("EEpReadRet(false)"));
    QCOMPARE(LogCapture::count("C:EEP AB Same Read Error!"), 1);
    c = rig.state.config();
    QCOMPARE(c.sinCosEquivalent, quint32(20000));
    QCOMPARE(c.accuracy, quint8(3));

    // An acknowledged reply whose entry count is wrong fails the read as
    // well: group 0's new value is taken, group 1's is not.
    rig.tester->setEepromByte(0x20, 0x21);
    faults.statusZeroReplies = 0;
    faults.oversizedCountReplies = 1;
    rig.tester->setFaults(faults);
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(waitForResult(rig, 3));
    QCOMPARE(rig.recorder.results.last(), QString("EEpReadRet(false)"));
    c = rig.state.config();
    QCOMPARE(c.sinCosEquivalent, quint32(20001));
    QCOMPARE(c.accuracy, quint8(3));

    // On group 0: nothing is taken and group 1 is not asked for.
    rig.tester->setEepromByte(0x20, 0x22);
    faults.onlyGroup = 0;
    rig.tester->setFaults(faults);
    rig.tester->clearRequests();
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(waitForResult(rig, 4));
    rig.stop();
    QCOMPARE(rig.recorder.results.last(), QString("EEpReadRet(false)"));
    QCOMPARE(rig.state.config().sinCosEquivalent, quint32(20001));
    QCOMPARE(rig.state.config().accuracy, quint8(3));
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x11, 0x12), std::vector<SimTester::Report>({kReadGroup0}));
}

void TestWorker::erasedEepromGivesDefaults()
{
    TestRig rig;
    QVERIFY(rig.startPolling());
    rig.usb.requestConfigRead();
    QVERIFY(waitForResult(rig));
    rig.stop();
    const ConfigRecord c = rig.state.config();
    QCOMPARE(c.sinCosMode, quint8(0xFF));
    QCOMPARE(c.encoderPower, quint8(0xFF));
    QCOMPARE(c.sinCosEquivalent, quint32(0xFFFFFFFF));
    QCOMPARE(c.accuracy, quint8(6));
    QCOMPARE(c.filterLevel, quint8(0));
}

void TestWorker::configWriteSendsTwoGroups()
{
    TestRig rig;
    ConfigRecord c;
    c.sinCosMode = 1;
    c.sinCosEquivalent = 20000;
    c.zComparisonValue = 2000;
    c.squareWaveEquivalent = 0x11223344;
    c.accuracy = 5;
    c.filterLevel = 1;
    rig.state.setConfig(c);
    QVERIFY(rig.startPolling());
    QVERIFY(rig.usb.requestConfigWrite());
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(true)"}));

    const auto group0 = frame(0x12, 0x12, 0,
                              {{0x10, 1}, {0x20, 0x20}, {0x21, 0x4E}, {0x22, 0}, {0x23, 0},
                               {0x28, 0xD0}, {0x29, 0x07}, {0x2A, 0}, {0x2B, 0}, {0x30, 0},
                               {0x40, 0}, {0x44, 0x44}});
    const auto group1 =
        frame(0x12, 0x12, 1, {{0x45, 0x33}, {0x46, 0x22}, {0x47, 0x11}, {0x50, 5}, {0x51, 1}});
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x12, 0x12),
             std::vector<SimTester::Report>({group0, group1}));
    QCOMPARE(badTransferCall(rig.bus.calls(), true), QString());
    const std::vector<uint8_t> eeprom = rig.tester->eeprom();
    QCOMPARE(eeprom[0x10], uint8_t(1));
    QCOMPARE(eeprom[0x20], uint8_t(0x20));
    QCOMPARE(eeprom[0x21], uint8_t(0x4E));
    QCOMPARE(eeprom[0x28], uint8_t(0xD0));
    QCOMPARE(eeprom[0x44], uint8_t(0x44));
    QCOMPARE(eeprom[0x47], uint8_t(0x11));
    QCOMPARE(eeprom[0x50], uint8_t(5));
    QCOMPARE(eeprom[0x51], uint8_t(1));
    QCOMPARE(eeprom[0x14], uint8_t(0xFF)); // the supply is not part of a write
}

void TestWorker::writeSendGivesUpAfterTwelve()
{
    TestRig rig;
    SimFaults faults = only(0x12, 0x12);
    faults.writeTimeouts = 100;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    rig.bus.setTimeoutCap(0); // what remains between two sends is the pause
    rig.bus.clearCalls();
    rig.usb.requestConfigWrite();
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(false)"}));
    const auto sends = requestsOfKind(rig.tester->requests(), 0x12, 0x12);
    QCOMPARE(sends.size(), size_t(12));
    for (const auto& send : sends) {
        QVERIFY(!send.delivered);
        QCOMPARE(send.frame, sends.front().frame); // group 0 each time
    }
    QCOMPARE(sends.front().frame[4], quint8(12));
    for (int64_t gap : gaps(sends))
        QVERIFY2(gap >= 9500, qPrintable(QString::number(gap)));
    QVERIFY(!LogCapture::lines().contains("C:EEP AB Same Write Error!"));
    QCOMPARE(rig.bus.countCalls("usb_init"), 12); // each failure re-opened the present tester
    QCOMPARE(rig.recorder.usbCloses, 0);
    QVERIFY(rig.usb.isOpen());
    QCOMPARE(badTransferCall(rig.bus.calls(), false), QString());
}

void TestWorker::writeAcknowledgementFailureKeepsEarlierGroups()
{
    TestRig rig;
    SimFaults faults;
    faults.eepromWriteNakGroup = 1;
    rig.tester->setFaults(faults);
    ConfigRecord c;
    c.sinCosMode = 0;
    c.squareWaveEquivalent = 0x0A0B0C0D;
    c.accuracy = 2;
    rig.state.setConfig(c);
    QVERIFY(rig.startPolling());
    rig.usb.requestConfigWrite();
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(false)"}));
    QCOMPARE(LogCapture::count("C:EEP AB Same Write Error!"), 1);
    const std::vector<uint8_t> eeprom = rig.tester->eeprom();
    QCOMPARE(eeprom[0x10], uint8_t(0));    // group 0 stays written
    QCOMPARE(eeprom[0x44], uint8_t(0x0D)); // ... half of the square-wave equivalent
    QCOMPARE(eeprom[0x45], uint8_t(0xFF)); // group 1 was refused
    QCOMPARE(eeprom[0x50], uint8_t(0xFF));
}

void TestWorker::readFailuresOnSendAndOnSecondGroup()
{
    TestRig rig(configuredImage());
    SimFaults faults;
    faults.eepromReadFailGroup = 1;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    rig.usb.requestConfigRead();
    QVERIFY(waitForResult(rig));
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(false)"}));
    QCOMPARE(LogCapture::count("C:EEP AB Same Read Error!"), 1);
    ConfigRecord c = rig.state.config();
    QCOMPARE(c.sinCosEquivalent, quint32(20000)); // group 0 decoded
    QCOMPARE(c.squareWaveEquivalent, quint32(0)); // group 1 never arrived
    QCOMPARE(c.accuracy, quint8(6));

    faults = only(0x11, 0x12);
    faults.writeTimeouts = 100;
    rig.tester->setFaults(faults);
    rig.tester->clearRequests();
    rig.bus.setTimeoutCap(0); // what remains between two sends is the pause
    rig.usb.requestConfigRead();
    QVERIFY(waitForResult(rig, 2));
    rig.stop();
    QCOMPARE(rig.recorder.results.last(), QString("EEpReadRet(false)"));
    QCOMPARE(LogCapture::count("C:EEP AB Same Read req Error!"), 1);
    const auto sends = requestsOfKind(rig.tester->requests(), 0x11, 0x12);
    QCOMPARE(sends.size(), size_t(12));
    for (const auto& send : sends)
        QCOMPARE(send.frame, kReadGroup0);
    for (int64_t gap : gaps(sends))
        QVERIFY2(gap >= 19500, qPrintable(QString::number(gap)));
}

void TestWorker::unplugDuringEepromWriteGivesOneResult()
{
    TestRig rig;
    SimFaults faults;
    faults.transferDelayMs = 20;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    rig.usb.requestConfigWrite();
    QVERIFY(QTest::qWaitFor([&] { return rig.state.currentOperation() == OpEepromWrite; }, kWait));
    rig.bus.unplug(rig.tester);
    QVERIFY(waitForResult(rig, 2));
    QTest::qWait(100);
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"UsbClose", "EEpWriteRet(false)"}));
    QVERIFY(!rig.usb.isOpen());
    QCOMPARE(rig.bus.openHandles(), 0);
}

void TestWorker::requestHandOverRules()
{
    TestRig rig;
    // Pending: each request replaces the one before, and says which.
    DeviceOperation replaced = OpPoll;
    QVERIFY(rig.usb.requestConfigRead(&replaced));
    QCOMPARE(replaced, OpNone);
    QVERIFY(rig.usb.requestOperation(OpReset, &replaced));
    QCOMPARE(replaced, OpEepromRead);
    ConfigRecord c;
    c.accuracy = 4;
    rig.state.setConfig(c);
    QVERIFY(rig.usb.requestConfigWrite(&replaced));
    QCOMPARE(replaced, OpReset);
    QCOMPARE(rig.state.requestedOperation(), OpEepromWrite);
    QCOMPARE(rig.state.eepromGroups().size(), 2);
    QCOMPARE(rig.state.eepromGroups()[1].count, 5);
    QCOMPARE(rig.state.eepromGroups()[1].values[3], quint16(4));

    // What is not a request is refused and changes nothing.
    for (int op : {int(OpPoll), int(OpEepromWrite), int(OpEepromRead), int(OpNone), 99}) {
        replaced = OpPoll;
        QVERIFY(!rig.usb.requestOperation(DeviceOperation(op), &replaced));
        QCOMPARE(replaced, OpNone);
    }
    QVERIFY(!rig.state.requestEepromOperation(OpReset, EepromImage::readGroups()));
    QCOMPARE(rig.state.requestedOperation(), OpEepromWrite);
    QCOMPARE(rig.state.eepromGroups()[1].count, 5);

    // Running: requests made meanwhile wait for it; the running write keeps
    // the groups it took although the GUI publishes new ones.
    SimFaults faults;
    faults.transferDelayMs = 25;
    rig.tester->setFaults(faults);
    QVERIFY(rig.open());
    rig.usb.setStopRequested(false);
    rig.usb.start();
    QVERIFY(QTest::qWaitFor(
        [&] { return !framesOfKind(rig.tester->requests(), 0x12, 0x12).empty(); }, kWait));
    c.accuracy = 2;
    rig.state.setConfig(c);
    QVERIFY(rig.usb.requestConfigRead(&replaced));
    QCOMPARE(replaced, OpNone);
    QVERIFY(rig.usb.requestConfigWrite(&replaced));
    QCOMPARE(replaced, OpEepromRead);
    QCOMPARE(rig.state.currentOperation(), OpEepromWrite); // still the first one

    // A request made from a result handler is taken as well.
    int writes = 0;
    QObject::connect(&rig.usb, &QtUsb::EEpWriteRet, &rig.recorder, [&](bool) {
        if (++writes == 2)
            rig.usb.requestOperation(OpClearLineLock);
    });
    QVERIFY(waitForResult(rig, 3));
    QTest::qWait(100);
    rig.stop();
    QCoreApplication::processEvents();
    // Exactly one result for each operation that ran, none for the replaced.
    QCOMPARE(rig.recorder.results,
             QStringList({"EEpWriteRet(true)", "EEpWriteRet(true)", "ClearLineLockRet(true)"}));

    const auto requests = rig.tester->requests();
    QVERIFY(framesOfKind(requests, 0x11, 0x12).empty());
    const auto eeprom = requestsOfKind(requests, 0x12, 0x12);
    QCOMPARE(eeprom.size(), size_t(4));
    QCOMPARE(eeprom[1].frame[28], quint8(0x50));
    QCOMPARE(eeprom[1].frame[30], quint8(4)); // the first write, as requested
    QCOMPARE(eeprom[3].frame[30], quint8(2)); // the second, with the new groups
    QCOMPARE(rig.tester->eepromByte(0x50), quint8(2));
    // The second write was taken at the end of a poll pass.
    size_t second = 0;
    while (second < requests.size() && requests[second].atUs != eeprom[2].atUs)
        ++second;
    QCOMPARE(requests[second - 1].frame[0], quint8(0x11));
    QCOMPARE(requests[second - 1].frame[1], quint8(0x11));
}

void TestWorker::pendingRequestIsReplaced()
{
    TestRig rig;
    QVERIFY(rig.open());
    DeviceOperation replaced = OpPoll;
    QVERIFY(rig.usb.requestOperation(OpReset, &replaced));
    QCOMPARE(replaced, OpNone);
    QVERIFY(rig.usb.requestOperation(OpClearLineLock, &replaced));
    QCOMPARE(replaced, OpReset);
    QVERIFY(rig.startPolling());
    QVERIFY(waitForResult(rig));
    QTest::qWait(50);
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"ClearLineLockRet(true)"}));
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x12, 0x11),
             std::vector<SimTester::Report>({frame(0x12, 0x11, 0, {{0x2014, 0}})}));
    QCOMPARE(rig.state.requestedOperation(), OpNone);
}

void TestWorker::requestWaitsForASuccessfulPoll()
{
    TestRig rig;
    SimFaults faults = only(0x11, 0x11);
    faults.writeTimeouts = 3;
    rig.tester->setFaults(faults);
    QVERIFY(rig.open());
    rig.usb.requestOperation(OpReset);
    QVERIFY(rig.startPolling());
    QVERIFY(waitForResult(rig));
    rig.stop();
    const auto requests = rig.tester->requests();
    QVERIFY(requests.size() >= 5);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!requests[size_t(i)].delivered);
    QVERIFY(requests[3].delivered);
    QCOMPARE(requests[3].frame[0], quint8(0x11)); // the first poll that got through
    QCOMPARE(requests[4].frame[0], quint8(0x12)); // then the reset
    QCOMPARE(requests[4].frame[17], quint8(0x50));
}

void TestWorker::stopDuringEepromOperationFinishesItFirst()
{
    TestRig rig;
    SimFaults faults;
    faults.transferDelayMs = 25;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    rig.usb.requestConfigWrite();
    QVERIFY(QTest::qWaitFor([&] { return rig.state.currentOperation() == OpEepromWrite; }, kWait));
    rig.usb.stopWorker();
    QVERIFY(rig.usb.isFinished());
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x12, 0x12).size(), size_t(2));
    QVERIFY(waitForResult(rig));
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(true)"}));
    const QStringList lines = LogCapture::lines();
    QCOMPARE(lines.last(), QString("D:USB Thread Quit "));
}

void TestWorker::stopBetweenTakingAndRunningLeavesNothingBehind()
{
    TestRig rig;
    SimFaults faults;
    faults.transferDelayMs = 40;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());

    // Once a poll has been written, the worker waits about 40 ms for its
    // reply and then takes what is pending: a stop now comes just after.
    const size_t written = rig.tester->requests().size();
    QElapsedTimer timer;
    timer.start();
    while (rig.tester->requests().size() == written && timer.elapsed() < kWait)
        QThread::usleep(100);
    QVERIFY(rig.usb.requestConfigRead());
    rig.usb.stopWorker();
    QCOMPARE(rig.state.requestedOperation(), OpNone); // taken
    QCOMPARE(rig.state.currentOperation(), OpPoll);   // but not left behind
    QVERIFY(framesOfKind(rig.tester->requests(), 0x11, 0x12, false).empty());
    QTest::qWait(50);
    QVERIFY(rig.recorder.results.isEmpty()); // it never ran: no result

    // Reconnected: the first configuration read runs and reports.
    rig.usb.closeDevice();
    faults.transferDelayMs = 0;
    rig.tester->setFaults(faults);
    QVERIFY(rig.open());
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(rig.startPolling());
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(true)"}));
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x11, 0x12),
             std::vector<SimTester::Report>({kReadGroup0, kReadGroup1}));
}

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_Worker.moc"
