// The main window on the simulated tester, offscreen: construction, the
// connection life cycle, the live view and the input rules.
#include "BoxCatcher.h"
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "DisplayState.h"
#include "GlyphCacheLabel.h"
#include "InstrumentText.h"
#include "LatchWidget.h"
#include "LogCapture.h"
#include "QtUsb.h"
#include "ReportFrame.h"
#include "SimBus.h"
#include "SimHotPlugSource.h"
#include "SimTester.h"
#include "SinCosHistory.h"
#include "Tesvane.h"
#include "UpdateCheck.h"
#include "WaitDialog.h"
#include "myGauge2.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>

#include <memory>

// Runs a helper that checks as it goes; stops the test where it failed.
#define STEP(call)                                                                                 \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

// Receives the URLs the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

class tst_Tesvane : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructionWithoutTester();
    void plugInReadAndMeasure();
    void firstReadSwitchesSupplyOffOnce();
    void failedFirstReadThenRetry();
    void unplugByRemovalEvent();
    void unplugNoticedByWorker();
    void staleWorkerCloseLeavesTheNewSession();
    void unplugDuringConfigurationRead();
    void otherDevicesLeaveTheConnection();
    void positionZeroAndKeys();
    void lostSignalLatchesAlarm();
    void squareWaveStatesAndPhaseErrors();
    void latchRowsOnlyWithSupply();
    void framesAtTheScreensPace();
    void positionRepaintsOnlyChangedDigits();
    void keysAndEscape();
    void contextMenuRegion();
    void closeEndsWorker();
    void unplugDuringSupplySequence();
    void commandsNeedTheTester();
    void commandResults();
    void replacedCommandIsReported();
    void presetAndDirection();
    void contactUsOpensTheSite();

private:
    Tesvane* makeWindow();
    std::shared_ptr<SimTester> plug();
    void waitMeasuring();
    void waitSupplyOff();
    void powerOn();
    QStringList menuTexts(const QPoint& pos);
    static void resetQuitState();

    Tesvane* window = nullptr;
    BoxCatcher* boxes = nullptr;
};

// QCoreApplication::quit() from a closed window leaves a flag that makes
// every later event loop return at once; a short exec() clears it.
void tst_Tesvane::resetQuitState()
{
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

void tst_Tesvane::init()
{
    // No window built here checks for updates: the check never reaches a host.
    UpdateCheck::setServiceRoot(QString());
    LogCapture::install();
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    DeviceLinkState::global().reset();
    DisplayState::global().reset();
    SinCosHistory::global().clear();
    boxes = new BoxCatcher(this);
}

void tst_Tesvane::cleanup()
{
    delete window;
    window = nullptr;
    delete boxes;
    boxes = nullptr;
    resetQuitState();
    SimBus::instance().reset();
}

Tesvane* tst_Tesvane::makeWindow()
{
    window = new Tesvane(nullptr, new SimHotPlugSource, 0);
    window->show();
    return window;
}

std::shared_ptr<SimTester> tst_Tesvane::plug()
{
    return DemoTester::plugIn();
}

void tst_Tesvane::waitMeasuring()
{
    QTRY_VERIFY_WITH_TIMEOUT(window->widgets().notConnectedPanel->isHidden() && !window->liveView().awaitingConfig(),
                             5000);
}

// The first read after connecting switches the supply off and ends with a
// device reset.
void tst_Tesvane::waitSupplyOff()
{
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOn"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("Reset successfully!"), 5000);
    QTest::qWait(100); // the display reset after the result waits two refreshes
}

// Switches the supply on and waits for the whole sequence, reset included.
void tst_Tesvane::powerOn()
{
    window->widgets().statusBar->clearMessage();
    window->OnEncoderPower();
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOff"),
                              5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("Reset successfully!"), 5000);
    QTRY_VERIFY(!window->liveView().signalLost());
    QTest::qWait(100);
}

void tst_Tesvane::constructionWithoutTester()
{
    makeWindow();
    QCOMPARE(window->size(), QSize(1300, 750));
    QCOMPARE(window->widgets().connectionLabel->text(), QStringLiteral("The device is not connected!"));
    QCOMPARE(window->widgets().noticeLabel->text(), QStringLiteral("The device is not connected!"));
    QVERIFY(window->widgets().notConnectedPanel->isVisible());
    for (QWidget* panel : {window->widgets().positionPanel, window->widgets().latchPanel, window->widgets().currentPanel,
                           window->widgets().squareWavePanel, window->widgets().sinCosPanel, window->widgets().speedCurvePanel})
        QVERIFY(panel->isHidden());
    // The direct refresh in the constructor has already enabled the button.
    QVERIFY(window->widgets().powerButton->isEnabled());
    QVERIFY(!window->device()->isRunning());
    QVERIFY(window->speedSampling() && !window->speedSampling()->isActive());

    // Tool bar, left to right; ClearLineLock right after Reset.
    QStringList bar;
    for (QAction* action : window->widgets().toolBar->actions()) {
        if (action->isSeparator()) {
            bar << QStringLiteral("|");
            continue;
        }
        auto* button = qobject_cast<QToolButton*>(window->widgets().toolBar->widgetForAction(action));
        QVERIFY(button);
        bar << button->text();
    }
    QCOMPARE(bar, QStringList({"|", "Reset", "ClearLineLock", "EncoderPoewrOn", "ClearLatch",
                               "PositionZero", "SetPreValue", "PosNeg", "|", "SysSet"}));

    // The help menu: two entries, the update entry checkable.
    QMenu* help = window->findChild<QMenu*>();
    QVERIFY(help);
    QCOMPARE(help->actions().size(), 2);
    QCOMPARE(help->actions().at(0)->text(), QStringLiteral("SoftwareUpdate"));
    QVERIFY(help->actions().at(0)->isCheckable());
    QCOMPARE(help->actions().at(1)->text(), QStringLiteral("ContactUs"));
}

void tst_Tesvane::plugInReadAndMeasure()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    QTRY_COMPARE(window->widgets().noticeLabel->text(), QStringLiteral("Reading device parameters!"));
    QCOMPARE(window->widgets().connectionLabel->text(), QStringLiteral("Device is connected!"));
    QVERIFY(window->openWaitDialogWindow() && window->openWaitDialogWindow()->isVisible());
    QVERIFY(window->device()->isRunning());
    STEP(waitMeasuring());
    QVERIFY(!window->openWaitDialogWindow());
    // Sine/cosine mode: its panel and latch table, not the square-wave ones.
    QVERIFY(window->widgets().sinCosPanel->isVisible());
    QVERIFY(window->widgets().sinCosLatchTable->isVisible());
    QVERIFY(window->widgets().squareWavePanel->isHidden());
    QVERIFY(window->widgets().squareLatchTable->isHidden());
    QVERIFY(window->widgets().positionPanel->isVisible());
    QTRY_VERIFY(window->widgets().positionLabel->text().endsWith(QStringLiteral("mm")));
    QVERIFY(boxes->boxes.isEmpty());
}

void tst_Tesvane::firstReadSwitchesSupplyOffOnce()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    QVERIFY(!tester->supplyOn());

    const SimTester::Report off = ReportFrame::encoderPower(0);
    const SimTester::Report on = ReportFrame::encoderPower(1);
    auto count = [&](const SimTester::Report& frame) {
        int n = 0;
        for (const SimTester::Report& request : tester->deliveredRequests())
            n += std::equal(request.begin(), request.end(), frame.begin()) ? 1 : 0;
        return n;
    };
    QCOMPARE(count(off), 1);
    QCOMPARE(count(on), 0);

    // The operator switches it on; a later read leaves it on.
    window->OnEncoderPower();
    QVERIFY(window->openWaitDialogWindow());
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOff"),
                              5000);
    QVERIFY(tester->supplyOn());
    QVERIFY(window->speedSampling()->isActive());
    window->OnRead();
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("Read configuration data successfully!"), 5000);
    QTest::qWait(300);
    QVERIFY(tester->supplyOn());
    QCOMPARE(count(off), 1);
    QCOMPARE(count(on), 1);
    QVERIFY(boxes->boxes.isEmpty());
}

void tst_Tesvane::failedFirstReadThenRetry()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    // The plug event was posted; fail the reads before the window takes it.
    SimFaults faults = tester->faults();
    faults.eepromReadFailGroup = 0;
    tester->setFaults(faults);
    QTRY_COMPARE_WITH_TIMEOUT(boxes->boxes,
                              QStringList({"Error|Read configuration data failed!"}), 10000);
    QCOMPARE(window->widgets().noticeLabel->text(), QStringLiteral("Read configuration data failed!"));
    QVERIFY(window->widgets().notConnectedPanel->isVisible());
    QVERIFY(window->widgets().positionPanel->isHidden());
    QVERIFY(window->liveView().awaitingConfig());
    QVERIFY(!window->openWaitDialogWindow());

    // A successful read (as from the settings dialog) still starts the view.
    faults.eepromReadFailGroup = -1;
    tester->setFaults(faults);
    window->OnRead();
    STEP(waitMeasuring());
    QTRY_VERIFY(window->widgets().positionLabel->text().endsWith(QStringLiteral("mm")));
    // Still the first read after connecting: the supply is switched off.
    STEP(waitSupplyOff());
}

void tst_Tesvane::unplugByRemovalEvent()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    SimBus::instance().unplug(tester);
    QTRY_COMPARE(window->widgets().noticeLabel->text(), QStringLiteral("The device is not connected!"));
    QCOMPARE(window->widgets().connectionLabel->text(), QStringLiteral("The device is not connected!"));
    QVERIFY(!window->device()->isRunning());
    QVERIFY(!DeviceLinkState::global().usbOpened());
    QVERIFY(window->widgets().notConnectedPanel->isVisible());
    QVERIFY(window->widgets().positionPanel->isHidden());
    QVERIFY(window->widgets().sinCosPanel->isHidden());
    QCOMPARE(SimBus::instance().openHandles(), 0);

    // Plugged in again: read and measure once more.
    LogCapture::clear();
    SimBus::instance().replug(tester);
    STEP(waitMeasuring());
    QVERIFY(window->device()->isRunning());
    QVERIFY(LogCapture::count(QStringLiteral("D:USB open!")) == 1);
}

void tst_Tesvane::unplugNoticedByWorker()
{
    // No hot-plug events at all: the worker's failed transfer and failed
    // re-open end in UsbClose().
    window = new Tesvane(nullptr, new HotPlugSource, 0);
    window->show();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    window->deviceArrived();
    STEP(waitMeasuring());
    LogCapture::clear();
    SimBus::instance().unplug(tester);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().noticeLabel->text(),
                              QStringLiteral("The device is not connected!"), 5000);
    QVERIFY(!window->device()->isRunning());
    QVERIFY(!DeviceLinkState::global().usbOpened());
    QCOMPARE(LogCapture::count(QStringLiteral("D:USB Device  remove")), 1);
    QVERIFY(window->widgets().positionPanel->isHidden());
}

// The worker's close of a failed re-open is still queued when the removal
// and a new arrival are handled (Windows sends both at once): the session
// opened since stays open.
void tst_Tesvane::staleWorkerCloseLeavesTheNewSession()
{
    window = new Tesvane(nullptr, new HotPlugSource, 0);
    window->show();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    window->deviceArrived();
    STEP(waitMeasuring());
    SimBus::instance().unplug(tester);
    // The worker fails its transfer and re-open and queues its close; no
    // event is handled meanwhile.
    QElapsedTimer timer;
    timer.start();
    while (DeviceLinkState::global().usbOpened() && timer.elapsed() < 5000)
        QThread::msleep(10);
    QVERIFY(!DeviceLinkState::global().usbOpened());
    QThread::msleep(50);
    window->deviceRemoved(QStringLiteral("\\\\?\\usb#vid_0388&pid_0004#5&1a2b#{a5dcbf10}"));
    SimBus::instance().replug(tester);
    window->deviceArrived();
    QVERIFY(window->device()->isRunning());
    STEP(waitMeasuring());
    QTest::qWait(200);
    QVERIFY(window->device()->isRunning());
    QVERIFY(DeviceLinkState::global().usbOpened());
}

void tst_Tesvane::unplugDuringConfigurationRead()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    boxes->boxes.clear();

    // Slow transfers, then unplug while the read is under way.
    SimFaults faults = tester->faults();
    faults.transferDelayMs = 100;
    tester->setFaults(faults);
    int results = 0;
    connect(window->device(), &QtUsb::EEpReadRet, this, [&results] { ++results; });
    window->OnRead();
    QTRY_COMPARE(DeviceLinkState::global().currentOperation(), OpEepromRead);
    SimBus::instance().unplug(tester);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().connectionLabel->text(),
                              QStringLiteral("The device is not connected!"), 5000);
    QVERIFY(!window->device()->isRunning());
    // The read that was under way ends in one failed result, shown once.
    QTRY_COMPARE_WITH_TIMEOUT(results, 1, 5000);
    QTest::qWait(200);
    QCOMPARE(results, 1);
    QCOMPARE(boxes->texts(), QStringList({"Read configuration data failed!"}));
    QVERIFY(!window->openWaitDialogWindow());
    QVERIFY(window->widgets().notConnectedPanel->isVisible());
}

void tst_Tesvane::otherDevicesLeaveTheConnection()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    // Another device comes and goes.
    SimBus::instance().addOtherDevice(0x1234, 0x5678);
    window->deviceRemoved(QStringLiteral("\\\\?\\USB#VID_1234&PID_5678#1-3#{a5dcbf10}"));
    QVERIFY(window->device()->isRunning());
    QVERIFY(DeviceLinkState::global().usbOpened());
    // An arrival while the tester is open opens nothing anew.
    LogCapture::clear();
    window->deviceArrived();
    QCOMPARE(LogCapture::count(QStringLiteral("D:USB open!")), 0);
    QTest::qWait(50);
    QVERIFY(window->device()->isRunning());
    QVERIFY(window->widgets().notConnectedPanel->isHidden());
    QCOMPARE(window->widgets().connectionLabel->text(), QStringLiteral("Device is connected!"));
    // The tester's identity in lower case still matches.
    window->deviceRemoved(QStringLiteral("\\\\?\\usb#vid_0388&pid_0004#6&2b#{a5dcbf10}"));
    QVERIFY(!window->device()->isRunning());
    QCOMPARE(window->widgets().noticeLabel->text(), QStringLiteral("The device is not connected!"));
}

void tst_Tesvane::positionZeroAndKeys()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    STEP(powerOn());
    tester->setSpeed(0);
    tester->moveTo(1000.0);
    QTest::qWait(50);

    // The zero command, the keys and the labels (the arithmetic itself is
    // tst_LiveView's): zero here, 125 periods of 20 um on.
    window->OnPositionZero();
    QCOMPARE(window->widgets().positionLabel->text(), QStringLiteral("0.000mm"));
    tester->moveTo(1125.0);
    QTRY_COMPARE(window->widgets().positionLabel->text(), QStringLiteral("2.500mm"));
    QCOMPARE(window->widgets().signLabel->text(), QString());

    // Ctrl+I turns the sign; Ctrl+Z zeroes, with the direction kept.
    QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier);
    QTRY_COMPARE(window->widgets().signLabel->text(), QStringLiteral("-"));
    QCOMPARE(window->widgets().positionLabel->text(), QStringLiteral("2.500mm"));
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(window->widgets().positionLabel->text(), QStringLiteral("0.000mm"));
    QCOMPARE(DisplayState::global().direction, -1);
}

void tst_Tesvane::lostSignalLatchesAlarm()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    STEP(powerOn());
    QVERIFY(window->widgets().positionLabel->styleSheet().contains(QStringLiteral("30, 144, 255")));

    tester->setAmplitude(10);
    QTRY_VERIFY(window->liveView().signalLost());
    QVERIFY(window->widgets().positionLabel->styleSheet().contains(QStringLiteral("rgb(240, 50, 50)")));
    QVERIFY(window->widgets().signLabel->styleSheet().contains(QStringLiteral("rgb(240, 50, 50)")));
    const QString frozen = window->widgets().positionLabel->text();
    // The signal returns, but the alarm stays until Ctrl+D.
    tester->setAmplitude(400);
    tester->setSpeed(50);
    QTest::qWait(200);
    QVERIFY(window->liveView().signalLost());
    QCOMPARE(window->widgets().positionLabel->text(), frozen);
    QVERIFY(window->widgets().positionLabel->styleSheet().contains(QStringLiteral("240, 50, 50")));
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!window->liveView().signalLost());
    QTRY_VERIFY(window->widgets().positionLabel->styleSheet().contains(QStringLiteral("30, 144, 255")));
    QTRY_VERIFY(window->widgets().positionLabel->text() != frozen);
    // The gauge reads 100 x the radius of the sample pair.
    QTRY_VERIFY(window->widgets().signalGauge->targetValue() > 70 && window->widgets().signalGauge->targetValue() < 85);
}

void tst_Tesvane::squareWaveStatesAndPhaseErrors()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    tester->setEepromByte(0x10, 0);
    STEP(waitMeasuring());
    QVERIFY(window->widgets().squareWavePanel->isVisible());
    QVERIFY(window->widgets().squareLatchTable->isVisible());
    QVERIFY(window->widgets().sinCosPanel->isHidden());
    STEP(waitSupplyOff());
    QTRY_COMPARE(window->widgets().currentLabel->text(), QStringLiteral("0.00A"));
    QCOMPARE(window->widgets().phaseStateLabel->text(), QStringLiteral("Normal"));
    QCOMPARE(window->widgets().lineStateLabel->text(), QStringLiteral("A:Normal  B:Normal  Z:Normal"));

    tester->injectPhaseErrors(3);
    QTRY_COMPARE(window->widgets().phaseStateLabel->text(), QStringLiteral("PhaseError"));
    QCOMPARE(window->widgets().phaseErrorCountLabel->text(), QStringLiteral("3"));
    QCOMPARE(window->widgets().phaseStateLabel->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(window->widgets().phaseErrorCountLabel->palette().color(QPalette::WindowText),
             QColor(255, 0, 0));
    // A new baseline: normal again, the count label back at a blue 0.
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    QTRY_COMPARE(window->widgets().phaseStateLabel->text(), QStringLiteral("Normal"));
    QCOMPARE(window->widgets().phaseErrorCountLabel->text(), QStringLiteral("0"));
    QCOMPARE(window->widgets().phaseStateLabel->palette().color(QPalette::WindowText), QColor(30, 144, 255));

    tester->setBrokenLines(0x4);
    QTRY_COMPARE(window->widgets().lineStateLabel->text(), QStringLiteral("A:Normal  B:Normal  Z:OffLine"));
    tester->setSupplyCurrent(1234);
    STEP(powerOn());
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().currentLabel->text().left(3), QStringLiteral("1.2"), 5000);
    // Levels follow the quadrature signals.
    tester->setSpeed(0);
    tester->moveTo(0.0);
    QTRY_VERIFY(window->widgets().levelStateLabel->text().startsWith(QStringLiteral("A:")));
    QVERIFY(window->widgets().levelStateLabel->text().contains(QStringLiteral("  B:")));
}

void tst_Tesvane::latchRowsOnlyWithSupply()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    tester->setSpeed(0);
    tester->setReferenceInterval(10);
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    // Supply off: the encoder is unseen and nothing is latched.
    tester->setSpeed(200);
    QTest::qWait(300);
    QCOMPARE(window->widgets().sinCosLatchTable->table()->rowCount(), 0);

    STEP(powerOn());
    QTRY_VERIFY_WITH_TIMEOUT(window->widgets().sinCosLatchTable->table()->rowCount() >= 2, 5000);
    // Every trigger is 10 periods from the last; rows show the pulses.
    QTableWidget* table = window->widgets().sinCosLatchTable->table();
    QCOMPARE(table->item(table->rowCount() - 1, 1)->text().toLongLong(), 10);
    QVERIFY(window->widgets().sinCosLatchTable->triggerCount() >= table->rowCount());

    // Ctrl+L clears both tables and their counts.
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(window->widgets().sinCosLatchTable->table()->rowCount(), 0);
    QCOMPARE(window->widgets().sinCosLatchTable->triggerCount(), 0);
    // Also the rows computed but not yet shown: no later frame brings them.
    QStringList pending;
    const auto clearWithRowPending = connect(window, &Tesvane::UiRefreshOk, this, [&] {
        if (!pending.isEmpty())
            return;
        for (const LiveFrame::LatchRow& row : window->liveView().frame().sinCosRows)
            pending << InstrumentText::latchValue(row.millimetres);
        if (!pending.isEmpty())
            QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier);
    });
    QTRY_VERIFY_WITH_TIMEOUT(!pending.isEmpty(), 5000);
    disconnect(clearWithRowPending);
    QTest::qWait(100);
    for (int row = 0; row < table->rowCount(); ++row)
        QVERIFY(!pending.contains(table->item(row, 0)->text()));
}

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A new position repaints only the digits that changed (the whole text when
// its length or width changes): after each, the screen shows what a label
// repainted whole shows.
void tst_Tesvane::positionRepaintsOnlyChangedDigits()
{
    QWidget panel;
    panel.resize(700, 300);
    const QString style = QStringLiteral("font-size : 60px; font: bold large Microsoft YaHei ;");
    auto* label = new GlyphCacheLabel(&panel);
    auto* twin = new GlyphCacheLabel(&panel);
    for (GlyphCacheLabel* each : {label, twin}) {
        each->setStyleSheet(style);
        each->setAlignment(Qt::AlignCenter);
    }
    label->setGeometry(10, 10, 680, 130);
    twin->setGeometry(10, 160, 680, 130);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTRY_VERIFY(label->testAttribute(Qt::WA_OpaquePaintEvent) &&
                twin->testAttribute(Qt::WA_OpaquePaintEvent));
    const QStringList texts = {"12.3456mm", "12.3457mm", "72.3497mm", "19.0017mm", "9.9017mm",
                               "10.0000mm", "-10.0001mm", "-10.0111mm", "0.0111mm"};
    for (const QString& text : texts) {
        label->showText(text);
        twin->setText(text);
        QTest::qWait(20);
        const QImage screen = panel.windowHandle()->screen()->grabWindow(panel.winId()).toImage();
        QVERIFY2(screen.copy(label->geometry()) == screen.copy(twin->geometry()), qPrintable(text));
    }
    QCOMPARE(label->text(), texts.last());
}

void tst_Tesvane::framesAtTheScreensPace()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    STEP(powerOn());
    // The worker stops; the test plays the replies, a burst of 200 as a busy
    // GUI thread would receive them.
    window->device()->stopWorker();
    QTest::qWait(100);
    const TesvaneWidgets& ui = window->widgets();
    PaintCounter counter;
    ui.currentLabel->installEventFilter(&counter);
    ui.positionLabel->installEventFilter(&counter);
    QSignalSpy frames(window, &Tesvane::frameShown);
    int refreshes = 0;
    connect(window, &Tesvane::UiRefreshOk, this, [&refreshes] { ++refreshes; });
    LiveSnapshot snapshot = DeviceLinkState::global().liveSnapshot();
    const QTableWidget* latches = ui.sinCosLatchTable->table();
    const int rowsBefore = latches->rowCount();
    for (int i = 1; i <= 200; ++i) {
        ++snapshot.sequence;
        snapshot.values.encoderCurrent = quint16(1000 + i);
        snapshot.values.sinCosPosition += 512;
        snapshot.values.sinCosLatchCount += 1;
        snapshot.values.sinCosLatchPosition = snapshot.values.sinCosPosition;
        emit window->device()->LiveSnapshotRet(snapshot);
    }
    QTRY_COMPARE(refreshes, 200); // every reply computed, with the next frame
    // Shown: the newest reply, with every latch row, in a frame or two.
    QTRY_COMPARE(ui.currentLabel->text(), QStringLiteral("1.20A"));
    QTest::qWait(100);
    QVERIFY2(frames.count() <= 2, qPrintable(QString::number(frames.count())));
    QCOMPARE(frames.last().at(0).toULongLong(), snapshot.sequence);
    QVERIFY2(counter.paints <= 6, qPrintable(QString::number(counter.paints)));
    QCOMPARE(latches->rowCount(), qMin(200, rowsBefore + 200));
    QCOMPARE(latches->item(latches->rowCount() - 1, 1)->text(), QStringLiteral("1"));
}

void tst_Tesvane::keysAndEscape()
{
    makeWindow();
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::qWait(400);
    QVERIFY(window->isVisible());
    // Only exactly Ctrl counts: Ctrl+Shift+I and Alt+I change nothing.
    QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_I, Qt::AltModifier);
    QCOMPARE(DisplayState::global().direction, 1);
    QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(DisplayState::global().direction, -1);
    // Ctrl+P without a tester: the access error, nothing requested.
    QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier);
    QTRY_COMPARE(boxes->boxes, QStringList({"Error|Equipment access error, please check!"}));
    QCOMPARE(window->widgets().statusBar->currentMessage(),
             QStringLiteral("Equipment access error, please check!"));
    QCOMPARE(DeviceLinkState::global().requestedOperation(), OpNone);
}

QStringList tst_Tesvane::menuTexts(const QPoint& pos)
{
    QStringList texts;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                texts << action->text();
            menu->close();
        }
    });
    timer.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, window->mapToGlobal(pos));
    QApplication::sendEvent(window, &event);
    return texts;
}

void tst_Tesvane::contextMenuRegion()
{
    makeWindow();
    // Not connected: no menu anywhere.
    QVERIFY(menuTexts(QPoint(600, 400)).isEmpty());
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    const QStringList expected({"EncoderPoewrOn", "SysSet", "ClearLatch", "PositionZero"});
    STEP(waitSupplyOff());
    QCOMPARE(menuTexts(QPoint(600, 400)), expected);
    // Tool bar, title bar and bottom band: none.
    QVERIFY(menuTexts(QPoint(600, 60)).isEmpty());
    QVERIFY(menuTexts(QPoint(600, 10)).isEmpty());
    QVERIFY(menuTexts(QPoint(600, 740)).isEmpty());
    QCOMPARE(menuTexts(QPoint(600, 76)), expected);
}

void tst_Tesvane::closeEndsWorker()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    // Close while the supply sequence waits for refreshes (this handler runs
    // inside that wait): no hang, the sequence stops, the worker stops and
    // the link closes.
    bool closed = false;
    connect(window->device(), &QtUsb::EncoderPowerRet, this, [&] {
        window->close();
        closed = true;
    });
    window->OnEncoderPower();
    QTRY_VERIFY_WITH_TIMEOUT(closed, 5000);
    QTest::qWait(300);
    QVERIFY(!window->device()->isRunning());
    QVERIFY(!DeviceLinkState::global().usbOpened());
    QCOMPARE(SimBus::instance().openHandles(), 0);
    QCOMPARE(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOn"));
    QCOMPARE(DeviceLinkState::global().requestedOperation(), OpNone);
    // Later plug events are ignored by a closing window: it never opens
    // the tester again.
    const int opens = LogCapture::count(QStringLiteral("D:USB open!"));
    SimBus::instance().unplug(tester);
    SimBus::instance().replug(tester);
    QTest::qWait(50);
    QVERIFY(!window->device()->isRunning());
    QCOMPARE(LogCapture::count(QStringLiteral("D:USB open!")), opens);
}

void tst_Tesvane::unplugDuringSupplySequence()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    boxes->boxes.clear();
    // Unplugged while the supply sequence waits for refreshes that will not
    // come: the wait ends, the sequence stops, nothing is requested.
    bool unplugged = false;
    connect(window->device(), &QtUsb::EncoderPowerRet, this, [&] {
        if (!unplugged)
            SimBus::instance().unplug(tester);
        unplugged = true;
    });
    window->OnEncoderPower();
    QTRY_VERIFY_WITH_TIMEOUT(unplugged, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().connectionLabel->text(),
                              QStringLiteral("The device is not connected!"), 5000);
    QTest::qWait(300);
    QVERIFY(!window->device()->isRunning());
    QCOMPARE(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOn"));
    QCOMPARE(DeviceLinkState::global().requestedOperation(), OpNone);
    QVERIFY(boxes->boxes.isEmpty());
    // Plugged in again, the program comes back to the measurement view.
    SimBus::instance().replug(tester);
    STEP(waitMeasuring());
}

void tst_Tesvane::commandsNeedTheTester()
{
    makeWindow();
    const QString error = QStringLiteral("Error|Equipment access error, please check!");
    window->OnReset();
    window->OnClearLineLock();
    window->OnEncoderPower();
    window->OnSysSet();
    window->OnRead();
    QTRY_COMPARE(boxes->boxes, QStringList({error, error, error, error, error}));
    QCOMPARE(window->widgets().statusBar->currentMessage(),
             QStringLiteral("Equipment access error, please check!"));
    QCOMPARE(DeviceLinkState::global().requestedOperation(), OpNone);
    QVERIFY(!window->openWaitDialogWindow());
    QVERIFY(!window->findChild<QDialog*>(QStringLiteral("SysSetting")));
    // Display commands need no tester.
    window->ClearLatch();
    window->OnPositionZero();
    window->SetPosNeg();
    QCOMPARE(boxes->boxes.size(), 5);
}

void tst_Tesvane::commandResults()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    boxes->boxes.clear();

    window->OnClearLineLock();
    QTRY_COMPARE(window->widgets().statusBar->currentMessage(),
                 QStringLiteral("ClearLineLock successfully!"));
    QVERIFY(!window->openWaitDialogWindow());

    // The tester refuses register writes (status 0): both fail with a box.
    SimFaults faults = tester->faults();
    faults.statusZeroReplies = 1000;
    faults.onlyDirection = ReportFrame::kWrite;
    faults.onlySpace = ReportFrame::kLiveSpace;
    tester->setFaults(faults);
    window->OnReset();
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("Reset failed!"), 5000);
    window->OnClearLineLock();
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("ClearLineLock failed!"), 5000);
    QTRY_COMPARE(boxes->boxes,
                 QStringList({"Error|Reset failed!", "Error|ClearLineLock failed!"}));

    // A refused supply switch: the status text only, the button unchanged.
    faults.onlySpace = ReportFrame::kEepromSpace;
    tester->setFaults(faults);
    window->OnEncoderPower();
    QVERIFY(window->openWaitDialogWindow() && window->openWaitDialogWindow()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().statusBar->currentMessage(),
                              QStringLiteral("Encoder power set failed!"), 5000);
    QVERIFY(!window->openWaitDialogWindow());
    QCOMPARE(window->widgets().powerButton->text(), QStringLiteral("EncoderPoewrOn"));
    QCOMPARE(window->widgets().powerAction->text(), QStringLiteral("EncoderPoewrOn"));
    QCOMPARE(boxes->boxes.size(), 2);

    // Configuration write results.
    window->EEpWriteRet(false);
    QCOMPARE(window->widgets().statusBar->currentMessage(),
             QStringLiteral("Write configuration data failed!"));
    QTRY_COMPARE(boxes->boxes.last(), QStringLiteral("Error|Write configuration data failed!"));
    window->EEpWriteRet(true);
    QCOMPARE(window->widgets().statusBar->currentMessage(),
             QStringLiteral("Write configuration data successfully!"));
    QCOMPARE(boxes->boxes.size(), 3);
}

void tst_Tesvane::replacedCommandIsReported()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    // Slow transfers: the second command comes before the worker takes the
    // first, replaces it, and the operator is told.
    SimFaults faults = tester->faults();
    faults.transferDelayMs = 40;
    tester->setFaults(faults);
    QTest::qWait(100);
    QStringList messages;
    connect(window->widgets().statusBar, &QStatusBar::messageChanged, this,
            [&messages](const QString& text) {
                if (!text.isEmpty())
                    messages << text;
            });
    window->OnClearLineLock();
    window->OnReset();
    QTRY_COMPARE_WITH_TIMEOUT(messages,
                              QStringList({"The previous command was replaced by a newer one!",
                                           "Reset successfully!"}),
                              5000);
    QVERIFY(boxes->boxes.isEmpty());

    // A command still pending when the tester goes is dropped with the link:
    // the first request after plugging in again replaces nothing.
    QTest::qWait(300); // the display reset after the result
    faults.writeTimeouts = 1 << 30; // no poll is sent, so nothing is taken
    tester->setFaults(faults);
    QTest::qWait(100);
    window->OnClearLineLock();
    QTest::qWait(100);
    QCOMPARE(DeviceLinkState::global().requestedOperation(), OpClearLineLock);
    SimBus::instance().unplug(tester);
    QTRY_COMPARE_WITH_TIMEOUT(window->widgets().connectionLabel->text(),
                              QStringLiteral("The device is not connected!"), 5000);
    messages.clear();
    tester->setFaults(SimFaults());
    SimBus::instance().replug(tester);
    STEP(waitMeasuring());
    QTest::qWait(100);
    QVERIFY(messages.contains(QStringLiteral("Read configuration data successfully!")));
    QVERIFY(!messages.contains(QStringLiteral("The previous command was replaced by a newer one!")));
}

void tst_Tesvane::presetAndDirection()
{
    makeWindow();
    std::shared_ptr<SimTester> tester = plug();
    STEP(waitMeasuring());
    STEP(waitSupplyOff());
    STEP(powerOn());
    tester->setSpeed(0);
    QTest::qWait(50);
    window->SetPosNeg();

    // Types into the preset dialog once it is up, then presses its OK.
    auto enterPreset = [](const QString& text) {
        QTimer::singleShot(50, [text] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (!widget->isVisible() || !widget->inherits("SetPreValue"))
                    continue;
                auto* edit = widget->findChild<QLineEdit*>();
                edit->setText(text);
                QMetaObject::invokeMethod(widget, "OnOk");
            }
        });
    };
    enterPreset(QStringLiteral("10"));
    window->OnSetPreValue();
    QCOMPARE(DisplayState::global().presetValue, 10.0);
    QTRY_COMPARE(window->widgets().positionLabel->text(), QStringLiteral("10.000mm"));
    QCOMPARE(window->widgets().signLabel->text(), QString());
    window->SetPosNeg();
    QTRY_COMPARE(window->widgets().signLabel->text(), QStringLiteral("-"));
    QCOMPARE(window->widgets().positionLabel->text(), QStringLiteral("10.000mm"));

    // Zero clears the preset.
    window->OnPositionZero();
    QCOMPARE(DisplayState::global().presetValue, 0.0);
    QTRY_COMPARE(window->widgets().positionLabel->text(), QStringLiteral("0.000mm"));
}

void tst_Tesvane::contactUsOpensTheSite()
{
    makeWindow();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QMenu* help = window->findChild<QMenu*>();
    help->actions().at(1)->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(catcher.urls.size(), 1);
    const QUrl url = catcher.urls.first();
    QCOMPARE(url.scheme(), QStringLiteral("http"));
    QVERIFY(url.path().isEmpty() || url.path() == QStringLiteral("/"));
    QVERIFY(url.host().endsWith(QStringLiteral(".example")));
}

QTEST_MAIN(tst_Tesvane)
#include "tst_Tesvane.moc"
