#include "Tesvane.h"

#include "DeviceIdentity.h"
#include "FramePacer.h"
#include "NestedWait.h"
#include "HotPlugSource.h"
#include "LatchWidget.h"
#include "QtUsb.h"
#include "SetPreValue.h"
#include "SinCosHistory.h"
#include "SpeedCurve.h"
#include "SysSetting.h"
#include "WaitDialog.h"
#include "WinDeviceChange.h"
#include "YInfoBox.h"
#include "YSoftNovrel.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#ifndef ROTAPROBE_CONTACT_URL
#define ROTAPROBE_CONTACT_URL "http://www.korvalis.example/"
#endif

// Per-refresh traces (speeds): off unless enabled with
// QT_LOGGING_RULES="rotaprobe.refresh.debug=true".
Q_LOGGING_CATEGORY(lcRefresh, "rotaprobe.refresh", QtWarningMsg)
// Changes of the view (not connected, reading, measuring), for tests and
// field diagnosis: QT_LOGGING_RULES="rotaprobe.view.debug=true".
Q_LOGGING_CATEGORY(lcView, "rotaprobe.view", QtWarningMsg)

namespace {

constexpr int kMessageMs = 5000;
constexpr int kWaitDialogMs = 10000;
constexpr int kPowerSettleMs = 200;

} // namespace

// ------------------------------------------------------------ construction

Tesvane::Tesvane(QWidget* parent, HotPlugSource* hotPlug, int startupPauseMs)
    : YDialog(parent, tr("Tesvane"), 35, 1300, 750, 1)
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setFixedWidth(1300);
    setFixedHeight(750);
    connect(this, &YDialog::sysclose, this, &Tesvane::sysColse);

    ui.build(bodyWidget(), bottomWidget(), this);
    connectCommands();
    view.setLineWords({tr("Normal"), tr("OffLine")});
    pacer = new FramePacer(this);
    connect(pacer, &FramePacer::frameDue, this, &Tesvane::showFrame);
    waits = new NestedWait(this);
    connect(this, &Tesvane::UiRefreshOk, waits, &NestedWait::notify);
    connect(this, &Tesvane::waitsCancelled, waits, &NestedWait::cancel);

    usb = new QtUsb(this);
    usb->setStartupPause(startupPauseMs);
    if (!openTester())
        showOpenFailed();
    connectDevice();

    hotPlugSource = hotPlug ? hotPlug : HotPlugSource::createSystemSource(this);
    if (hotPlugSource) {
        if (!hotPlugSource->parent())
            hotPlugSource->setParent(this);
        connect(hotPlugSource, &HotPlugSource::deviceArrived, this, &Tesvane::deviceArrived);
        connect(hotPlugSource, &HotPlugSource::deviceRemoved, this, &Tesvane::deviceRemoved);
    }
    WinDeviceChange::registerWindow(quintptr(winId()));

    UiRefresh();
    buildHelpMenu();

    connect(&autoNovrel, &AutoNovrel::NewVer, this, &Tesvane::NewVer);
    autoNovrel.start(QThread::HighestPriority);

    speedTimer = new QTimer(this);
    speedTimer->setInterval(1000);
    connect(speedTimer, &QTimer::timeout, this, &Tesvane::OnSpeedTimer);
}

Tesvane::~Tesvane()
{
    closing = true;
    waits->close();
    if (usb->isRunning())
        usb->stopWorker();
    usb->closeDevice();
    delete waitDialog.data();
}

void Tesvane::connectDevice()
{
    // One snapshot per reply: the refresh computes exactly the values of
    // the reply that RealReadRet() announces beside it.
    connect(usb, &QtUsb::LiveSnapshotRet, this, &Tesvane::refresh);
    connect(usb, &QtUsb::EEpWriteRet, this, &Tesvane::EEpWriteRet);
    connect(usb, &QtUsb::EEpReadRet, this, &Tesvane::EEpReadRet);
    connect(usb, &QtUsb::ResetRet, this, &Tesvane::ResetRet);
    connect(usb, &QtUsb::ClearLineLockRet, this, &Tesvane::ClearLineLockRet);
    connect(usb, &QtUsb::EncoderPowerRet, this, &Tesvane::EncoderPowerRet);
    connect(usb, &QtUsb::UsbClose, this, &Tesvane::UsbClose);
}

void Tesvane::connectCommands()
{
    connect(ui.resetButton, &QToolButton::clicked, this, &Tesvane::OnReset);
    connect(ui.clearLineLockButton, &QToolButton::clicked, this, &Tesvane::OnClearLineLock);
    connect(ui.powerButton, &QToolButton::clicked, this, &Tesvane::OnEncoderPower);
    connect(ui.sysSetButton, &QToolButton::clicked, this, &Tesvane::OnSysSet);
    connect(ui.zeroButton, &QToolButton::clicked, this, &Tesvane::OnPositionZero);
    connect(ui.clearLatchButton, &QToolButton::clicked, this, &Tesvane::ClearLatch);
    connect(ui.posNegButton, &QToolButton::clicked, this, &Tesvane::SetPosNeg);
    connect(ui.presetButton, &QToolButton::clicked, this, &Tesvane::OnSetPreValue);
    connect(ui.powerAction, &QAction::triggered, this, &Tesvane::OnEncoderPower);
    connect(ui.sysSetAction, &QAction::triggered, this, &Tesvane::OnSysSet);
    connect(ui.zeroAction, &QAction::triggered, this, &Tesvane::OnPositionZero);
    connect(ui.clearLatchAction, &QAction::triggered, this, &Tesvane::ClearLatch);
}

void Tesvane::buildHelpMenu()
{
    auto* menu = new QMenu(this);
    QAction* update = menu->addAction(QIcon(QStringLiteral(":/UI/SoftwareUpdate")),
                                      tr("SoftwareUpdate"));
    update->setCheckable(true);
    connect(update, &QAction::triggered, this, &Tesvane::SoftUpdate);
    QAction* contact =
        menu->addAction(QIcon(QStringLiteral(":/UI/ContactUs")), tr("ContactUs"));
    connect(contact, &QAction::triggered, this, &Tesvane::ContactUs);
    setSettingMenu(menu);
}

// ------------------------------------------------------ connection life cycle

void Tesvane::deviceArrived()
{
    // Any device: opening decides whether it was the tester.
    if (closing || usb->isOpen())
        return;
    if (!openTester())
        showOpenFailed();
}

bool Tesvane::openTester()
{
    if (!usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId))
        return false;
    qDebug("USB open!");
    view.connectionOpened();
    ui.positionLabel->setText(QString());
    // Cleared before the start: a worker with a short start-up pause would
    // otherwise see the previous stop and end at once.
    usb->setStopRequested(false);
    usb->start(QThread::HighestPriority);
    ui.showReading(tr("Device is connected!"), tr("Reading device parameters!"));
    view.setAwaitingConfig(true);
    qCDebug(lcView, "view: reading");
    OnRead();
    return true;
}

void Tesvane::showOpenFailed()
{
    qDebug("Could not open USB device!");
    ui.showNotConnected(tr("The device is not connected!"));
    qCDebug(lcView, "view: not connected");
}

void Tesvane::deviceRemoved(const QString& interfacePath)
{
    if (!DeviceIdentity::pathNamesDevice(interfacePath, QtUsb::kVendorId, QtUsb::kProductId))
        return;
    UsbClose();
}

void Tesvane::UsbClose()
{
    stopLink();
    qDebug("USB Device  remove");
    showNotConnected();
}

void Tesvane::showNotConnected()
{
    ui.showNotConnected(tr("The device is not connected!"));
    view.connectionClosed();
    qCDebug(lcView, "view: not connected");
}

void Tesvane::stopLink()
{
    usb->stopWorker();
    usb->closeDevice();
    emit waitsCancelled();
}

bool Tesvane::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(result);
    const WinDeviceChange::Change change = WinDeviceChange::interpret(eventType, message);
    if (change.kind == WinDeviceChange::Kind::Arrival)
        deviceArrived();
    else if (change.kind == WinDeviceChange::Kind::Removal)
        deviceRemoved(change.interfacePath);
    return false;
}

void Tesvane::OnRead()
{
    if (!requireDevice())
        return;
    DeviceOperation replaced = OpNone;
    usb->requestConfigRead(&replaced);
    reportReplaced(replaced);
    openWaitDialog();
}

void Tesvane::openWaitDialog()
{
    OnWaitClose();
    waitDialog = new WaitDialog(nullptr);
    waitDialog->show();
    QTimer::singleShot(kWaitDialogMs, this, &Tesvane::OnWaitClose);
}

void Tesvane::OnWaitClose()
{
    if (!waitDialog)
        return;
    waitDialog->close();
    waitDialog->deleteLater();
    waitDialog = nullptr;
}

void Tesvane::EEpReadRet(bool ok)
{
    if (ok) {
        showResult(tr("Read configuration data successfully!"), false);
        ui.showMeasuring(usb->state().config().isSinCosMode());
        qCDebug(lcView, "view: measuring");
        const quint8 power = usb->state().config().encoderPower;
        if (power == 1) {
            setSupplyShown(true);
            // A tester that comes up with the encoder supplied is switched off.
            if (view.awaitingConfig())
                request(OpEncoderPowerOff);
        } else if (power == 0) {
            setSupplyShown(false);
        }
        if (view.awaitingConfig()) {
            OnPositionZero();
            resetPhaseErrorBaseline();
            view.setAwaitingConfig(false);
        }
    } else {
        showResult(tr("Read configuration data failed!"), true);
        ui.noticeLabel->setText(tr("Read configuration data failed!"));
    }
    OnWaitClose();
}

void Tesvane::closeEvent(QCloseEvent* event)
{
    endProgram();
    event->accept();
}

void Tesvane::sysColse()
{
    endProgram();
}

void Tesvane::endProgram()
{
    const bool first = !closing;
    closing = true;
    waits->close();
    emit waitsCancelled();
    usb->stopWorker();
    usb->closeDevice();
    if (first)
        qDebug("USB Quit");
    OnWaitClose();
    QCoreApplication::quit();
}

// ------------------------------------------------------------- live display

void Tesvane::UiRefresh()
{
    refresh(usb->state().liveSnapshot());
}

void Tesvane::refresh(const LiveSnapshot& snapshot)
{
    const LiveView::Refresh result = view.refresh(snapshot, usb->state().config());
    const LiveFrame& frame = view.frame();
    // The sample history is every reply's; the picture is drawn per frame.
    SinCosHistory::global().append({frame.sinSample, frame.cosSample});
    pacer->request();
    ui.powerButton->setEnabled(true);
    if (result.modeChanged)
        afterZero(result);
    emit UiRefreshOk();
}

void Tesvane::showFrame()
{
    const LiveFrame frame = view.takeFrame();
    ui.showFrame(frame);
    emit frameShown(frame.sequence);
}

void Tesvane::afterZero(const LiveView::Refresh& zeroed)
{
    ui.speedCurve->resetCurve();
    if (!zeroed.modeChanged)
        return;
    // A new work mode: its tables and phase count start afresh.
    clearLatchTables();
    resetPhaseErrorBaseline();
}

void Tesvane::resetPhaseErrorBaseline()
{
    if (!waits->forNotifications(2))
        return;
    view.resetPhaseBaseline();
    showFrame();
}

void Tesvane::setPanelsHidden(bool hide)
{
    ui.setPanelsHidden(hide, usb->state().config().isSinCosMode());
}

void Tesvane::OnSpeedTimer()
{
    const double speed = view.takeSpeedSample();
    if (speed < 0.0)
        return;
    ui.speedCurve->addSpeed(speed);
    qCDebug(lcRefresh) << speed << "mm/s";
}

void Tesvane::clearLatchTables()
{
    view.dropLatchRows();
    ui.clearLatchTables();
}

// ---------------------------------------------------------------- commands

bool Tesvane::request(DeviceOperation op)
{
    DeviceOperation replaced = OpNone;
    if (!usb->requestOperation(op, &replaced)) {
        showAccessError();
        return false;
    }
    reportReplaced(replaced);
    return true;
}

void Tesvane::reportReplaced(DeviceOperation replaced)
{
    // The worker had not yet taken that request: it will never run and no
    // result will come for it.
    if (isRequestableOperation(replaced))
        showResult(tr("The previous command was replaced by a newer one!"), false);
}

bool Tesvane::requireDevice()
{
    if (usb->state().usbOpened())
        return true;
    showAccessError();
    return false;
}

void Tesvane::showAccessError()
{
    showResult(tr("Equipment access error, please check!"), true);
}

void Tesvane::showResult(const QString& text, bool errorBox)
{
    ui.statusBar->showMessage(text, kMessageMs);
    if (errorBox)
        showErrorBox(tr("Error"), text, nullptr);
}

void Tesvane::setSupplyShown(bool on)
{
    ui.setPowerTexts(on ? tr("EncoderPoewrOff") : tr("EncoderPoewrOn"));
    view.setSupplyOn(on);
}

void Tesvane::displayReset()
{
    resetPhaseErrorBaseline();
    clearLatchTables();
    OnPositionZero();
    view.clearSignalLost();
}

void Tesvane::OnReset()
{
    if (!requireDevice())
        return;
    if (!request(OpReset))
        return;
    displayReset();
}

void Tesvane::OnClearLineLock()
{
    if (!requireDevice())
        return;
    request(OpClearLineLock);
}

void Tesvane::OnEncoderPower()
{
    if (!requireDevice())
        return;
    openWaitDialog();
    if (!request(view.supplyOn() ? OpEncoderPowerOff : OpEncoderPowerOn))
        OnWaitClose();
}

void Tesvane::EncoderPowerRet(bool ok)
{
    OnWaitClose();
    if (!ok) {
        showResult(tr("Encoder power set failed!"), false);
        return;
    }
    showResult(tr("Encoder power set successfully!"), false);
    // Let the new supply state reach the configuration record and the live
    // values before reading them.
    if (!waits->forNotifications(2) || !waits->forMilliseconds(kPowerSettleMs))
        return;
    const quint8 power = usb->state().config().encoderPower;
    if (power == 1) {
        setSupplyShown(true);
        ui.speedCurve->resetCurve();
        speedTimer->start();
    } else if (power == 0) {
        setSupplyShown(false);
    }
    OnPositionZero();
    clearLatchTables();
    OnReset();
}

void Tesvane::ResetRet(bool ok)
{
    if (!ok) {
        showResult(tr("Reset failed!"), true);
        return;
    }
    showResult(tr("Reset successfully!"), false);
    view.renewSpeedReference();
    ui.speedCurve->resetCurve();
    displayReset();
}

void Tesvane::ClearLineLockRet(bool ok)
{
    showResult(ok ? tr("ClearLineLock successfully!") : tr("ClearLineLock failed!"), !ok);
}

void Tesvane::EEpWriteRet(bool ok)
{
    if (ok) {
        showResult(tr("Write configuration data successfully!"), false);
        setPanelsHidden(false);
    } else {
        showResult(tr("Write configuration data failed!"), true);
    }
    OnWaitClose();
}

void Tesvane::OnSysSet()
{
    if (!requireDevice())
        return;
    auto* dialog = new SysSetting(this, this, usb);
    dialog->move(x() + width() / 2 - dialog->width() / 2, y() + height() / 2 - dialog->height() / 2);
    dialog->refresh();
    connect(usb, &QtUsb::EEpReadRet, dialog, &SysSetting::EEpReadRet);
    dialog->exec();
}

void Tesvane::OnPositionZero()
{
    const LiveView::Refresh zeroed = view.zero(usb->state().config());
    showFrame();
    afterZero(zeroed);
}

void Tesvane::ClearLatch()
{
    clearLatchTables();
}

void Tesvane::SetPosNeg()
{
    view.reverseDirection();
    qDebug("direction %d", view.state().direction);
}

void Tesvane::OnSetPreValue()
{
    SetPreValue dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        view.preset(usb->state().config());
}

void Tesvane::NewVer()
{
    // The answer came while the window was closing: nothing to ask.
    if (closing)
        return;
    if (askQuestion(tr("Update prompt"),
                    tr("found that the software has a new version, whether the update?"),
                    nullptr) == 0)
        return;
    openUpdateDialog(400);
}

void Tesvane::SoftUpdate()
{
    openUpdateDialog(430);
}

void Tesvane::openUpdateDialog(int width)
{
    YSoftNovrel dialog(this, tr("Soft Novrel"), 35, width, 130);
    dialog.exec();
}

void Tesvane::ContactUs()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral(ROTAPROBE_CONTACT_URL)));
}

// ------------------------------------------------------------ input events

void Tesvane::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() != Qt::ControlModifier)
        return;
    switch (event->key()) {
    case Qt::Key_D:
        displayReset();
        break;
    case Qt::Key_P:
        OnEncoderPower();
        break;
    case Qt::Key_L:
        clearLatchTables();
        break;
    case Qt::Key_Z:
        OnPositionZero();
        break;
    case Qt::Key_I:
        SetPosNeg();
        break;
    default:
        break;
    }
}

void Tesvane::contextMenuEvent(QContextMenuEvent* event)
{
    // Only between the tool bar and the bottom band, and only while measuring.
    QRect region(bodyWidget()->mapTo(this, QPoint(0, 0)), bodyWidget()->size());
    region.setTop(75);
    region.setBottom(bottomWidget()->mapTo(this, QPoint(0, 0)).y());
    if (region.contains(event->pos()) && ui.notConnectedPanel->isHidden())
        ui.execContextMenu(this, QCursor::pos());
}
