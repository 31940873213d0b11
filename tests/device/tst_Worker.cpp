// The worker thread: polling, the requested operations, retries, failures,
// stopping, and the hand-over of requests and values with the GUI thread.
#include "LogCapture.h"
#include "TestRig.h"

#include <QElapsedTimer>
#include <QTest>

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
    void rejectedReplyAdvancesShortReplyRepeats();
    void startupPauseAndPromptStop();
    void failedReadReinitialisesAndPollingGoesOn();
    void unplugWhilePollingClosesOnce();
    void liveValuesAreReadWhole();

    void resetAndClearLineLock();
    void commandNakReportsFailure();
    void encoderSupplyOffAndOn();

    void configReadFillsRecord();
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
    const LiveValues v = rig.state.liveValues();
    QVERIFY(v.encoderCurrent >= 98 && v.encoderCurrent <= 102);
    QCOMPARE(v.lineStates, quint16(7));
    QVERIFY(v.sinCosLatchCount >= 0);
    QVERIFY(v.squareLatchCount >= 0);
    QVERIFY(v.sinSample > 0);

    const QStringList lines = LogCapture::lines();
    QVERIFY(lines.contains("C:Thread run!"));
    QCOMPARE(lines.last(), QString("D:USB Thread Quit "));
    QCOMPARE(rig.state.currentOperation(), int(OpPoll));
}

void TestWorker::rejectedReplyAdvancesShortReplyRepeats()
{
    TestRig rig;
    SimFaults faults = only(0x11, 0x11);
    faults.statusZeroReplies = 1;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= 4; }, kWait));
    QVERIFY(LogCapture::lines().contains("D:Read  RealTimeData Error!"));

    // Restarted with two short replies scripted: the cursor carries over.
    rig.stop();
    faults.statusZeroReplies = 0;
    faults.shortReplies = 2;
    rig.tester->setFaults(faults);
    rig.tester->clearRequests();
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor(
        [&] { return framesOfKind(rig.tester->requests(), 0x11, 0x11).size() >= 5; }, kWait));
    rig.stop();

    // Every reply of 64 bytes advanced the cursor, even the rejected one;
    // the two short replies made the worker ask the same group again.
    const auto polls = framesOfKind(rig.tester->requests(), 0x11, 0x11);
    QVERIFY(polls.size() >= 5);
    QCOMPARE(polls[0][6], polls[1][6]);
    QCOMPARE(polls[1][6], polls[2][6]);
    QVERIFY(polls[3][6] != polls[2][6]);
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
    const auto writes = framesOfKind(rig.tester->requests(), 0x12, 0x11);
    QCOMPARE(writes.size(), size_t(1));
    SimTester::Report expected{};
    expected[0] = 0x12;
    expected[1] = 0x11;
    expected[4] = 1;
    expected[17] = 0x50;
    QCOMPARE(writes[0], expected);

    QVERIFY(rig.usb.requestOperation(OpClearLineLock));
    QVERIFY(waitForResult(rig, 2));
    QCOMPARE(rig.recorder.results.last(), QString("ClearLineLockRet(true)"));
    const int reads = rig.recorder.realReads;
    QVERIFY(QTest::qWaitFor([&] { return rig.recorder.realReads >= reads + 2; }, kWait));
    rig.stop();

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

    // A send that fails on a closed link fails the command at once.
    rig.stop();
    rig.usb.closeDevice();
    rig.usb.requestOperation(OpReset);
    rig.usb.setStopRequested(false);
    rig.usb.start();
    QTest::qWait(100);
    QCOMPARE(rig.recorder.results.size(), 2); // not taken: no poll could be sent
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"ResetRet(false)", "ClearLineLockRet(false)"}));
    QCOMPARE(LogCapture::linesMatching({"C:Reset", "C:Clear"}),
             QStringList({"C:Reset Error!", "C:ClearLineLock Error!"}));
    QCOMPARE(rig.state.requestedOperation(), int(OpReset));
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
    const auto frames = framesOfKind(rig.tester->requests(), 0x12, 0x12);
    QCOMPARE(frames.size(), size_t(2));
    QCOMPARE(frames[0], ReportFrame::encoderPower(0));
    QCOMPARE(frames[1], ReportFrame::encoderPower(1));

    // A refused switch leaves the stored state as it was.
    SimFaults faults = only(0x12, 0x12);
    faults.statusZeroReplies = 1;
    rig.tester->setFaults(faults);
    rig.usb.requestOperation(OpEncoderPowerOff);
    QVERIFY(waitForResult(rig, 3));
    rig.stop();
    QCOMPARE(rig.recorder.results.last(), QString("EncoderPowerRet(false)"));
    QCOMPARE(rig.state.config().encoderPower, quint8(1));
    QCOMPARE(LogCapture::linesMatching({"C:EncoderPower"}),
             QStringList({"C:EncoderPower Successful!", "C:EncoderPower Successful!",
                          "C:EncoderPowert Error!"}));
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

    const auto reads = framesOfKind(rig.tester->requests(), 0x11, 0x12);
    QCOMPARE(reads.size(), size_t(2));
    QCOMPARE(reads[0][4], quint8(12));
    QCOMPARE(reads[0][6], quint8(0));
    QCOMPARE(reads[1][4], quint8(6));
    QCOMPARE(reads[1][6], quint8(1));
    QCOMPARE(LogCapture::linesMatching({"C:EEP"}),
             QStringList({"C:EEP  Read req ++++++++++++++++!",
                          "C:EEP  Read req ----------------------!",
                          "C:EEP  Read req ----------------------!"}));
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

    const auto writes = framesOfKind(rig.tester->requests(), 0x12, 0x12);
    QCOMPARE(writes.size(), size_t(2));
    QCOMPARE(writes[0][4], quint8(12));
    QCOMPARE(writes[0][6], quint8(0));
    QCOMPARE(writes[1][4], quint8(5));
    QCOMPARE(writes[1][6], quint8(1));
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
    rig.usb.requestConfigWrite();
    QVERIFY(waitForResult(rig));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpWriteRet(false)"}));
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x12, 0x12, false).size(), size_t(12));
    QVERIFY(!LogCapture::lines().contains("C:EEP AB Same Write Error!"));
    QCOMPARE(rig.recorder.usbCloses, 0); // each failure re-opened the present tester
    QVERIFY(rig.usb.isOpen());
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
    rig.usb.requestConfigRead();
    QVERIFY(waitForResult(rig, 2));
    rig.stop();
    QCOMPARE(rig.recorder.results.last(), QString("EEpReadRet(false)"));
    QCOMPARE(LogCapture::count("C:EEP AB Same Read req Error!"), 1);
    QCOMPARE(framesOfKind(rig.tester->requests(), 0x11, 0x12, false).size(), size_t(2 + 12));
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
    // Pending: a second EEPROM request is refused and the groups stay.
    QVERIFY(rig.usb.requestConfigRead());
    QVERIFY(!rig.usb.requestConfigWrite());
    QVERIFY(!rig.usb.requestConfigRead());
    QCOMPARE(rig.state.requestedOperation(), int(OpEepromRead));
    QCOMPARE(rig.state.eepromGroups().size(), 2);
    QCOMPARE(rig.state.eepromGroups()[1].count, 6);
    QVERIFY(!rig.state.requestOperation(OpEepromWrite)); // only through the EEPROM path

    // Running: refused as well, until the result has been signalled.
    SimFaults faults;
    faults.transferDelayMs = 15;
    rig.tester->setFaults(faults);
    QVERIFY(rig.startPolling());
    QVERIFY(QTest::qWaitFor([&] { return rig.state.currentOperation() == OpEepromRead; }, kWait));
    QVERIFY(!rig.usb.requestConfigWrite());

    // A request made from the result handler is accepted.
    bool accepted = false;
    QObject::connect(&rig.usb, &QtUsb::EEpReadRet, &rig.recorder,
                     [&](bool) { accepted = rig.usb.requestConfigWrite(); });
    QVERIFY(waitForResult(rig));
    QVERIFY(accepted);
    QVERIFY(waitForResult(rig, 2));
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"EEpReadRet(true)", "EEpWriteRet(true)"}));
}

void TestWorker::pendingRequestIsReplaced()
{
    TestRig rig;
    QVERIFY(rig.open());
    rig.usb.requestOperation(OpReset);
    rig.usb.requestOperation(OpClearLineLock);
    QVERIFY(rig.startPolling());
    QVERIFY(waitForResult(rig));
    QTest::qWait(50);
    rig.stop();
    QCOMPARE(rig.recorder.results, QStringList({"ClearLineLockRet(true)"}));
    QCOMPARE(rig.state.requestedOperation(), int(OpNone));
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

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_Worker.moc"
