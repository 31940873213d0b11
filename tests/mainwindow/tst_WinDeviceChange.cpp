// Windows only, on the real `windows` platform (under Wine headless through
// its null display driver): the main window follows the WM_DEVICECHANGE
// broadcasts sent to its own window handle while the simulated tester is
// plugged in and out. No other hot-plug source feeds it. The system sends
// these messages: one carrying a broadcast cannot be posted.
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "DisplayState.h"
#include "HotPlugSource.h"
#include "LiveView.h"
#include "QtUsb.h"
#include "SimBus.h"
#include "SimTester.h"
#include "SinCosHistory.h"
#include "Tesvane.h"
#include "UpdateCheck.h"

#include <QGuiApplication>
#include <QLabel>
#include <QtTest>

#include <qt_windows.h>

#include <dbt.h>

#include <cstring>
#include <memory>

// Runs a helper that checks as it goes; stops the test where it failed.
#define STEP(call)                                                                                 \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

namespace {

// A device-interface broadcast as the system sends it: header, class, the
// interface path as a NUL-terminated wide string in place.
struct InterfaceBroadcast
{
    DEV_BROADCAST_DEVICEINTERFACE_W header;
    wchar_t rest[200];
};

void fillBroadcast(InterfaceBroadcast* broadcast, const wchar_t* path)
{
    std::memset(broadcast, 0, sizeof(*broadcast));
    broadcast->header.dbcc_size = DWORD(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) +
                                        wcslen(path) * sizeof(wchar_t));
    broadcast->header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    wcscpy(broadcast->header.dbcc_name, path);
}

// Sends a device-change message to the window as the system does.
void sendChange(HWND window, WPARAM event, const void* broadcast = nullptr)
{
    SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast));
}

} // namespace

class tst_WinDeviceChange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowFollowsBroadcasts();
    void unrelatedMessagesAreIgnored();

private:
    HWND showWindow();
    void waitMeasuring();
    void waitNotConnected();

    Tesvane* window = nullptr;
    InterfaceBroadcast broadcast;
};

void tst_WinDeviceChange::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("windows"));
}

void tst_WinDeviceChange::init()
{
    UpdateCheck::setServiceRoot(QString());
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    DeviceLinkState::global().reset();
    DisplayState::global().reset();
    SinCosHistory::global().clear();
}

void tst_WinDeviceChange::cleanup()
{
    delete window;
    window = nullptr;
    SimBus::instance().reset();
}

HWND tst_WinDeviceChange::showWindow()
{
    // A source that never emits: the broadcasts are the only plug events.
    window = new Tesvane(nullptr, new HotPlugSource, 0);
    window->show();
    return reinterpret_cast<HWND>(window->winId());
}

void tst_WinDeviceChange::waitMeasuring()
{
    QTRY_VERIFY_WITH_TIMEOUT(window->widgets().notConnectedPanel->isHidden() &&
                                 !window->liveView().awaitingConfig(),
                             5000);
}

void tst_WinDeviceChange::waitNotConnected()
{
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().noticeLabel->text(),
                              QStringLiteral("The device is not connected!"), 5000);
}

void tst_WinDeviceChange::windowFollowsBroadcasts()
{
    const HWND hwnd = showWindow();
    QVERIFY(IsWindow(hwnd));
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    QTest::qWait(100);
    QVERIFY2(!window->device()->isRunning(), "opened without a broadcast");

    sendChange(hwnd, DBT_DEVICEARRIVAL);
    STEP(waitMeasuring());
    QVERIFY(window->device()->isRunning());

    // Another device leaves: the tester stays open.
    fillBroadcast(&broadcast, L"\\\\?\\USB#VID_1234&PID_5678#1-3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    sendChange(hwnd, DBT_DEVICEREMOVECOMPLETE, &broadcast);
    QTest::qWait(100);
    QVERIFY(window->device()->isRunning());

    // The tester leaves.
    SimBus::instance().unplug(tester);
    fillBroadcast(&broadcast, L"\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{20343a29-6da1-4db8-8a3c-16e774057bf5}");
    sendChange(hwnd, DBT_DEVICEREMOVECOMPLETE, &broadcast);
    STEP(waitNotConnected());
    QTRY_VERIFY(!window->device()->isRunning());
    QVERIFY(!DeviceLinkState::global().usbOpened());
    QCOMPARE(SimBus::instance().openHandles(), 0);

    // And comes back.
    SimBus::instance().replug(tester);
    sendChange(hwnd, DBT_DEVICEARRIVAL);
    STEP(waitMeasuring());
    QVERIFY(window->device()->isRunning());
}

void tst_WinDeviceChange::unrelatedMessagesAreIgnored()
{
    const HWND hwnd = showWindow();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    sendChange(hwnd, DBT_DEVICEARRIVAL);
    STEP(waitMeasuring());
    // A removal without a broadcast, one of a device node rather than an
    // interface, and other device-change events leave the tester open.
    DEV_BROADCAST_HDR node;
    std::memset(&node, 0, sizeof(node));
    node.dbch_size = sizeof(node);
    node.dbch_devicetype = DBT_DEVTYP_DEVNODE;
    sendChange(hwnd, DBT_DEVICEREMOVECOMPLETE);
    sendChange(hwnd, DBT_DEVICEREMOVECOMPLETE, &node);
    sendChange(hwnd, DBT_DEVNODES_CHANGED);
    fillBroadcast(&broadcast, L"\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{20343a29-6da1-4db8-8a3c-16e774057bf5}");
    sendChange(hwnd, DBT_DEVICEQUERYREMOVE, &broadcast);
    QTest::qWait(200);
    QVERIFY(window->device()->isRunning());
    QVERIFY(DeviceLinkState::global().usbOpened());
}

QTEST_MAIN(tst_WinDeviceChange)
#include "tst_WinDeviceChange.moc"
