// The USB session: finding, opening, configuring and closing the tester, the
// transfer primitives and the re-initialisation after a failed transfer.
#include "LogCapture.h"
#include "TestRig.h"

#include <QTest>

class TestUsbLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { LogCapture::install(); }

    void openLogsAndCallsInOrder();
    void firstTesterInBusOrderWins();
    void otherDevicesArePassedOver();
    void missingTesterFailsWithBothLines();
    void openFailureAndSetupFailuresCloseAgain();
    void closeOnClosedLinkTouchesNothing();
    void transfersOnClosedLink();
    void reinitialisingAnOpenLinkClosesFirst();
    void failedTransferReopensOnNewHandle();
    void unplugDuringTransferEmitsUsbCloseAndStaysClosed();
    void buildersSendTheirFramesThroughTheLink();
    void oversizedCountIsRefusedBeforeUsb();
};

void TestUsbLink::openLogsAndCallsInOrder()
{
    TestRig rig;
    QVERIFY(rig.open());
    QVERIFY(rig.usb.isOpen());
    QVERIFY(rig.state.usbOpened());
    QCOMPARE(LogCapture::lines(),
             QStringList({"D:Initializing LibUSB",
                          "D:Scanning for device with VendorId = 0x0388 and ProductId = 0x0004",
                          "D:Device found", "C:001", "D:Configuration  setted",
                          "D:Interface claimed"}));
    QCOMPARE(rig.bus.calls(),
             std::vector<std::string>({"usb_init", "usb_find_busses", "usb_find_devices",
                                       "usb_get_busses", "usb_open 001", "usb_set_configuration 1",
                                       "usb_claim_interface 0"}));

    rig.bus.clearCalls();
    LogCapture::clear();
    QCOMPARE(rig.usb.closeDevice(), 0);
    QVERIFY(!rig.usb.isOpen());
    QVERIFY(!rig.state.usbOpened());
    QCOMPARE(LogCapture::lines(), QStringList({"D:Closing LibUSB"}));
    QCOMPARE(rig.bus.calls(),
             std::vector<std::string>({"usb_release_interface 0", "usb_close"}));
    QCOMPARE(rig.bus.openHandles(), 0);
}

void TestUsbLink::firstTesterInBusOrderWins()
{
    TestRig rig;
    auto second = rig.bus.addTester(1);
    QVERIFY(rig.open());
    const quint16 address = 0x5010;
    QVERIFY(rig.usb.sendRealTimeRead(&address, 1, 0));
    QCOMPARE(rig.tester->requests().size(), size_t(1));
    QCOMPARE(second->requests().size(), size_t(0));

    // With the first one gone, a new open takes the other.
    rig.usb.closeDevice();
    rig.bus.unplug(rig.tester);
    QVERIFY(rig.open());
    QVERIFY(rig.usb.sendRealTimeRead(&address, 1, 0));
    QCOMPARE(second->requests().size(), size_t(1));
}

void TestUsbLink::otherDevicesArePassedOver()
{
    TestRig rig;
    rig.bus.unplug(rig.tester);
    rig.bus.addOtherDevice(0x0388, 0x0005);
    rig.bus.addOtherDevice(0x1234, 0x0004);
    rig.bus.replug(rig.tester);
    QVERIFY(rig.open());
    QCOMPARE(rig.bus.countCalls("usb_open"), 1);
}

void TestUsbLink::missingTesterFailsWithBothLines()
{
    TestRig rig;
    rig.bus.unplug(rig.tester);
    rig.bus.addOtherDevice(0x046D, 0xC077);
    QVERIFY(!rig.open());
    QVERIFY(!rig.usb.isOpen());
    QVERIFY(!rig.state.usbOpened());
    QCOMPARE(LogCapture::lines().mid(2),
             QStringList({"D:Cannot find specified device", "C:Cannot set configuration. "}));
    QCOMPARE(rig.bus.countCalls("usb_open"), 0);
}

void TestUsbLink::openFailureAndSetupFailuresCloseAgain()
{
    TestRig rig;
    rig.bus.failNextOpens(1);
    QVERIFY(!rig.open());
    QCOMPARE(LogCapture::lines().mid(2),
             QStringList({"D:Device found", "C:001", "C:Could not open USB device",
                          "C:Cannot set configuration. "}));

    SimFaults faults;
    faults.setConfigurationFailures = 1;
    rig.tester->setFaults(faults);
    LogCapture::clear();
    QVERIFY(!rig.open());
    QCOMPARE(LogCapture::lines().mid(4),
             QStringList({"C:Cannot set configuration. ", "D:Closing LibUSB"}));
    QVERIFY(!rig.state.usbOpened());
    QCOMPARE(rig.bus.openHandles(), 0);

    faults.setConfigurationFailures = 0;
    faults.claimFailures = 1;
    rig.tester->setFaults(faults);
    LogCapture::clear();
    QVERIFY(!rig.open());
    QCOMPARE(LogCapture::lines().mid(4),
             QStringList({"D:Configuration  setted", "C:Cannot claim interface.",
                          "D:Closing LibUSB"}));
    QVERIFY(!rig.usb.isOpen());
    QCOMPARE(rig.bus.openHandles(), 0);
    QCOMPARE(rig.usb.lastOpenFailure(), QtUsb::OpenFailure::Busy);

    QVERIFY(rig.open()); // the fault was used up
    QCOMPARE(rig.usb.lastOpenFailure(), QtUsb::OpenFailure::None);
    QCOMPARE(rig.bus.invalidHandleUses(), 0);
}

void TestUsbLink::closeOnClosedLinkTouchesNothing()
{
    TestRig rig;
    QCOMPARE(rig.usb.closeDevice(), 0);
    QCOMPARE(LogCapture::lines(), QStringList({"D:Closing LibUSB"}));
    QVERIFY(rig.bus.calls().empty());
}

void TestUsbLink::transfersOnClosedLink()
{
    TestRig rig;
    quint8 buffer[64] = {};
    QVERIFY(!rig.usb.writeReport(buffer, 64));
    QCOMPARE(rig.usb.readReport(buffer, 64), 0); // 0, not -1
    QVERIFY(!rig.usb.sendEncoderPower(1));
    QCOMPARE(LogCapture::lines(), QStringList({"C:Usb connection not opened",
                                               "C:Usb connection not opened",
                                               "C:Usb connection not opened"}));
    QVERIFY(rig.bus.calls().empty()); // no re-initialisation
    QCOMPARE(rig.recorder.usbCloses, 0);
}

void TestUsbLink::reinitialisingAnOpenLinkClosesFirst()
{
    TestRig rig;
    QVERIFY(rig.open());
    LogCapture::clear();
    rig.bus.clearCalls();
    QVERIFY(rig.open());
    QCOMPARE(LogCapture::lines().mid(0, 2),
             QStringList({"D:Closing LibUSB", "D:Initializing LibUSB"}));
    QCOMPARE(rig.bus.calls().front(), std::string("usb_release_interface 0"));
    QCOMPARE(rig.bus.calls()[1], std::string("usb_close"));
    QCOMPARE(rig.bus.openHandles(), 1);
}

void TestUsbLink::failedTransferReopensOnNewHandle()
{
    TestRig rig;
    QVERIFY(rig.open());
    SimFaults faults;
    faults.writeTimeouts = 1;
    rig.tester->setFaults(faults);
    const quint16 address = 0x5010;
    rig.bus.clearCalls();
    QVERIFY(!rig.usb.sendRealTimeRead(&address, 1, 0));
    QVERIFY(rig.usb.isOpen());
    QCOMPARE(rig.recorder.usbCloses, 0);
    // The failed report is not sent again by the link.
    QCOMPARE(rig.bus.countCalls("usb_interrupt_write"), 1);
    QCOMPARE(rig.bus.countCalls("usb_init"), 1);
    QCOMPARE(rig.bus.countCalls("usb_close"), 1);
    QCOMPARE(rig.bus.openHandles(), 1);

    // A failed read is re-initialised the same way and returns -1.
    faults.writeTimeouts = 0;
    faults.readTimeouts = 1;
    rig.tester->setFaults(faults);
    quint8 buffer[64];
    QVERIFY(rig.usb.sendRealTimeRead(&address, 1, 0));
    QCOMPARE(rig.usb.readReport(buffer, 64), -1);
    QVERIFY(rig.usb.isOpen());
    QCOMPARE(rig.bus.countCalls("usb_init"), 2);

    QVERIFY(rig.usb.sendRealTimeRead(&address, 1, 0));
    QCOMPARE(rig.usb.readReport(buffer, 64), 64);
    QCOMPARE(rig.bus.invalidHandleUses(), 0);
}

void TestUsbLink::unplugDuringTransferEmitsUsbCloseAndStaysClosed()
{
    TestRig rig;
    QVERIFY(rig.open());
    rig.bus.unplug(rig.tester);
    LogCapture::clear();
    quint8 buffer[64] = {};
    QCOMPARE(rig.usb.readReport(buffer, 64), -1);
    QCOMPARE(rig.recorder.usbCloses, 1);
    QVERIFY(!rig.usb.isOpen());
    QVERIFY(!rig.state.usbOpened());
    const QStringList lines = LogCapture::lines();
    QCOMPARE(lines.first(), QString("D:Closing LibUSB"));
    QVERIFY(lines.contains("D:Cannot find specified device"));
    QCOMPARE(lines.last(), QString("C:Cannot set configuration. "));

    // Later transfers fail without touching USB.
    rig.bus.clearCalls();
    QVERIFY(!rig.usb.writeReport(buffer, 64));
    QVERIFY(rig.bus.calls().empty());
    QCOMPARE(rig.recorder.usbCloses, 1);
    QCOMPARE(rig.bus.openHandles(), 0);
}

void TestUsbLink::buildersSendTheirFramesThroughTheLink()
{
    TestRig rig;
    QVERIFY(rig.open());
    rig.bus.clearCalls();
    const quint16 live[] = {0x5000, 0x2014};
    const quint16 values[] = {0xA1B2, 0x0102};
    const quint16 eeprom[] = {0x10, 0x14};
    QVERIFY(rig.usb.sendRealTimeRead(live, 2, 0x0301));
    QVERIFY(rig.usb.sendEepromRead(eeprom, 2, 1));
    QVERIFY(rig.usb.sendEepromWrite(eeprom, values, 2, 2));
    QVERIFY(rig.usb.sendRegisterWrite(live, values, 2, 0));
    QVERIFY(rig.usb.sendEncoderPower(1));
    QVERIFY(rig.usb.sendEncoderPower(0));

    auto frame = [](const char* head, const char* entries) {
        QByteArray hex = QByteArray(head) + QByteArray(16, '0') + QByteArray(entries);
        return QByteArray::fromHex(hex.leftJustified(128, '0'));
    };
    const QList<QByteArray> expected = {
        frame("1111000002000103", "0050000014200000"),
        frame("1112000002000100", "1000000014000000"),
        frame("1212000002000200", "1000b20014000200"), // EEPROM: low byte of the value only
        frame("1211000002000000", "0050b2a114200201"),
        frame("1212000001000000", "14000100"),
        frame("1212000001000000", "14000000"),
    };
    QList<QByteArray> sent;
    for (const auto& request : rig.tester->requests()) {
        QVERIFY(request.delivered);
        sent.append(QByteArray(reinterpret_cast<const char*>(request.frame.data()), 64));
    }
    QCOMPARE(sent, expected);
    QCOMPARE(rig.bus.calls(),
             std::vector<std::string>(6, "usb_interrupt_write 1 64 200"));

    // Only the low 8 bits of a length are used, and reads take 200 ms at most.
    rig.bus.clearCalls();
    quint8 buffer[64];
    QCOMPARE(rig.usb.readReport(buffer, 256 + 64), 64);
    QCOMPARE(rig.bus.calls(), std::vector<std::string>({"usb_interrupt_read 129 64 200"}));
    QVERIFY(rig.usb.writeReport(buffer, 256 + 64));
    QCOMPARE(rig.bus.calls().back(), std::string("usb_interrupt_write 1 64 200"));
}

void TestUsbLink::oversizedCountIsRefusedBeforeUsb()
{
    TestRig rig;
    QVERIFY(rig.open());
    rig.bus.clearCalls();
    quint16 addresses[13] = {};
    QVERIFY(!rig.usb.sendEepromRead(addresses, 13, 0));
    QVERIFY(rig.bus.calls().empty());
    QVERIFY(rig.usb.isOpen());
}

QTEST_GUILESS_MAIN(TestUsbLink)
#include "tst_UsbLink.moc"
