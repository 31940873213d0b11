// The hot-plug rules without a window: which interface path names the
// tester, and the system's events (udev on Linux, WM_DEVICECHANGE messages
// on Windows) turned into plug and unplug.
#include "DeviceIdentity.h"
#include "WinDeviceChange.h"

#include <QSignalSpy>
#include <QtTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <dbt.h>

#include <cstring>
#else
#include "UdevHotPlugSource.h"
#endif

class tst_HotPlug : public QObject
{
    Q_OBJECT

private slots:
    void deviceIdentity();
#ifdef Q_OS_WIN
    void deviceChangeMessages();
#else
    void udevEvents();
#endif
};

void tst_HotPlug::deviceIdentity()
{
    using namespace DeviceIdentity;
    QCOMPARE(identityText(0x0388, 0x0004), QStringLiteral("VID_0388&PID_0004"));
    QCOMPARE(identityText(0xABCD, 0x00EF), QStringLiteral("VID_ABCD&PID_00EF"));
    QVERIFY(pathNamesDevice(QStringLiteral("\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{guid}"),
                            0x0388, 0x0004));
    QVERIFY(pathNamesDevice(QStringLiteral("usb\\VID_0388&PID_0004\\1-2"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QStringLiteral("usb\\VID_0388&PID_0005\\1-2"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QStringLiteral("usb\\VID_1388&PID_0004"), 0x0388, 0x0004));
    QVERIFY(!pathNamesDevice(QString(), 0x0388, 0x0004));
    QCOMPARE(interfacePath(0x0388, 0x0004, QStringLiteral("1-2")),
             QStringLiteral("usb\\VID_0388&PID_0004\\1-2"));

    quint16 vendor = 0;
    quint16 product = 0;
    QVERIFY(parseUdevProduct(QStringLiteral("388/4/100"), &vendor, &product));
    QCOMPARE(vendor, quint16(0x0388));
    QCOMPARE(product, quint16(0x0004));
    QVERIFY(parseUdevProduct(QStringLiteral("1d6b/2/601"), &vendor, &product));
    QCOMPARE(vendor, quint16(0x1d6b));
    for (const char* bad : {"388/4", "388/4/1/2", "zz/4/1", "10000/4/1", "", "//"})
        QVERIFY2(!parseUdevProduct(QLatin1String(bad), &vendor, &product), bad);
}

#ifdef Q_OS_WIN

void tst_HotPlug::deviceChangeMessages()
{
    using WinDeviceChange::Kind;
    const QByteArray type("windows_generic_MSG");
    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    msg.message = WM_DEVICECHANGE;
    msg.wParam = DBT_DEVICEARRIVAL;
    QCOMPARE(int(WinDeviceChange::interpret(type, &msg).kind), int(Kind::Arrival));
    QCOMPARE(int(WinDeviceChange::interpret("windows_dispatcher_MSG", &msg).kind), int(Kind::None));
    QCOMPARE(int(WinDeviceChange::interpret(type, nullptr).kind), int(Kind::None));

    // A removal names the interface that left.
    struct
    {
        DEV_BROADCAST_DEVICEINTERFACE_W header;
        wchar_t rest[64];
    } broadcast;
    std::memset(&broadcast, 0, sizeof(broadcast));
    const wchar_t path[] = L"\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{guid}";
    broadcast.header.dbcc_size = DWORD(sizeof(broadcast.header) + sizeof(path));
    broadcast.header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(broadcast.header.dbcc_name, path, sizeof(path));
    msg.wParam = DBT_DEVICEREMOVECOMPLETE;
    msg.lParam = reinterpret_cast<LPARAM>(&broadcast);
    const WinDeviceChange::Change removal = WinDeviceChange::interpret(type, &msg);
    QCOMPARE(int(removal.kind), int(Kind::Removal));
    QCOMPARE(removal.interfacePath, QStringLiteral("\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{guid}"));

    // Removals of other kinds, without a broadcast, and other messages.
    broadcast.header.dbcc_devicetype = DBT_DEVTYP_DEVNODE;
    QCOMPARE(int(WinDeviceChange::interpret(type, &msg).kind), int(Kind::None));
    msg.lParam = 0;
    QCOMPARE(int(WinDeviceChange::interpret(type, &msg).kind), int(Kind::None));
    msg.wParam = DBT_DEVNODES_CHANGED;
    QCOMPARE(int(WinDeviceChange::interpret(type, &msg).kind), int(Kind::None));
    msg.message = WM_PAINT;
    msg.wParam = DBT_DEVICEARRIVAL;
    QCOMPARE(int(WinDeviceChange::interpret(type, &msg).kind), int(Kind::None));
}

#else

void tst_HotPlug::udevEvents()
{
    UdevHotPlugSource source;
    QSignalSpy arrived(&source, &HotPlugSource::deviceArrived);
    QSignalSpy removed(&source, &HotPlugSource::deviceRemoved);
    source.handleEvent(QStringLiteral("add"), QStringLiteral("1234/5678/1"),
                       QStringLiteral("1-1"));
    source.handleEvent(QStringLiteral("bind"), QStringLiteral("388/4/100"),
                       QStringLiteral("1-2"));
    source.handleEvent(QStringLiteral("remove"), QStringLiteral("388/4/100"),
                       QStringLiteral("1-2"));
    source.handleEvent(QStringLiteral("remove"), QStringLiteral("garbage"),
                       QStringLiteral("1-3"));
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(removed.count(), 1);
    const QString path = removed.at(0).at(0).toString();
    QCOMPARE(path, QStringLiteral("usb\\VID_0388&PID_0004\\1-2"));
    QVERIFY(DeviceIdentity::pathNamesDevice(path, 0x0388, 0x0004));
}

#endif

QTEST_GUILESS_MAIN(tst_HotPlug)
#include "tst_HotPlug.moc"
