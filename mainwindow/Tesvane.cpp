#include "Tesvane.h"

#include "GlyphCacheLabel.h"
#include "HotPlugSource.h"
#include "NestedWait.h"
#include "QtUsb.h"
#include "SetPreValue.h"
#include "SnapshotMailbox.h"
#include "SpeedCurve.h"
#include "SysSetting.h"
#include "WaitDialog.h"
#include "YInfoBox.h"
#include "YSoftNovrel.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHash>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#ifndef ROTAPROBE_CONTACT_URL
#define ROTAPROBE_CONTACT_URL "http://www.korvalis.example/"
#endif

// Changes of the view (not connected, reading, measuring), for tests and
// field diagnosis: QT_LOGGING_RULES="rotaprobe.view.debug=true".
Q_LOGGING_CATEGORY(lcView, "rotaprobe.view", QtWarningMsg)

namespace {

constexpr int kMessageMs = 5000;
constexpr int kWaitDialogMs = 10000;

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
    QMenu* helpMenu = ui.buildHelpMenu(this);
    connectCommands();
    link = new TesterConnection(startupPauseMs, this);
    display = new LiveDisplay(ui, device()->state(), link->waits(), this);
    display->view().setLineWords({tr("Normal"), tr("OffLine")});
    connect(display, &LiveDisplay::frameShown, this, &Tesvane::frameShown);
    connectConnection();
    link->open();
    link->watch(hotPlug ? hotPlug : HotPlugSource::createSystemSource(this), quintptr(winId()));

    UiRefresh();
    setSettingMenu(helpMenu);

    connect(&autoNovrel, &AutoNovrel::NewVer, this, &Tesvane::NewVer);
    autoNovrel.start(QThread::HighestPriority);

    speedTimer = new QTimer(this);
    speedTimer->setInterval(1000);
    connect(speedTimer, &QTimer::timeout, this, &Tesvane::OnSpeedTimer);
}

Tesvane::~Tesvane()
{
    link->shutDown();
    delete waitDialog.data();
}

void Tesvane::connectConnection()
{
    connect(link, &TesterConnection::opened, this, &Tesvane::showOpened);
    connect(link, &TesterConnection::openFailed, this, &Tesvane::showOpenFailed);
    connect(link, &TesterConnection::closed, this, &Tesvane::showNotConnected);
    connect(link, &TesterConnection::stopped, this, &Tesvane::waitsCancelled);
    connect(link, &TesterConnection::accessRefused, this, &Tesvane::showAccessError);
    connect(link, &TesterConnection::replaced, this, [this] {
        showResult(tr("The previous command was replaced by a newer one!"), false);
    });
    connect(this, &Tesvane::UiRefreshOk, link->waits(), &NestedWait::notify);
    // One snapshot per reply, every one computed in order with the next
    // frame: the GUI thread wakes once per batch, not once per reply.
    QtUsb* usb = link->device();
    connect(usb, &QtUsb::LiveSnapshotRet, display->replies(), &SnapshotMailbox::put,
            Qt::DirectConnection);
    connect(display, &LiveDisplay::refreshed, this, &Tesvane::UiRefreshOk);
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
    connect(ui.updateAction, &QAction::triggered, this, &Tesvane::SoftUpdate);
    connect(ui.contactAction, &QAction::triggered, this, &Tesvane::ContactUs);
}

// ------------------------------------------------------ connection views

void Tesvane::deviceArrived()
{
    link->deviceArrived();
}

void Tesvane::deviceRemoved(const QString& interfacePath)
{
    link->deviceRemoved(interfacePath);
}

void Tesvane::UsbClose()
{
    // The worker reports a re-open that failed, once per failed pass. One
    // still queued when the removal and a new arrival were handled (Windows
    // sends them at once) would end the session opened since: an open
    // session was opened after the failure it reports.
    if (link->isOpen())
        return;
    link->lost();
}

bool Tesvane::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(result);
    link->nativeEvent(eventType, message);
    return false;
}

void Tesvane::showOpened()
{
    display->view().connectionOpened();
    ui.positionLabel->setText(QString());
    ui.showReading(tr("Device is connected!"), tr("Reading device parameters!"));
    display->view().setAwaitingConfig(true);
    qCDebug(lcView, "view: reading");
    OnRead();
}

void Tesvane::showOpenFailed()
{
    ui.showNotConnected(tr("The device is not connected!"));
    qCDebug(lcView, "view: not connected");
}

void Tesvane::showNotConnected()
{
    ui.showNotConnected(tr("The device is not connected!"));
    display->view().connectionClosed();
    qCDebug(lcView, "view: not connected");
}

void Tesvane::OnRead()
{
    if (link->requestConfigRead())
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
    if (!ok) {
        showResult(tr("Read configuration data failed!"), true);
        ui.noticeLabel->setText(tr("Read configuration data failed!"));
        OnWaitClose();
        return;
    }
    showResult(tr("Read configuration data successfully!"), false);
    ui.showMeasuring(link->config().isSinCosMode());
    qCDebug(lcView, "view: measuring");
    // A tester that comes up with the encoder supplied is switched off.
    if (showSupply() == 1 && display->view().awaitingConfig())
        link->request(OpEncoderPowerOff);
    if (display->view().awaitingConfig()) {
        OnPositionZero();
        resetPhaseErrorBaseline();
        display->view().setAwaitingConfig(false);
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
    link->end();
    OnWaitClose();
    QCoreApplication::quit();
}

// ------------------------------------------------------------- live display

void Tesvane::UiRefresh()
{
    refresh(device()->state().liveSnapshot());
}

void Tesvane::refresh(const LiveSnapshot& snapshot)
{
    display->refresh(snapshot);
}

void Tesvane::resetPhaseErrorBaseline()
{
    display->resetPhaseErrorBaseline();
}

void Tesvane::setPanelsHidden(bool hide)
{
    ui.setPanelsHidden(hide, link->config().isSinCosMode());
}

void Tesvane::OnSpeedTimer()
{
    display->sampleSpeed();
}

// ---------------------------------------------------------------- commands

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

quint8 Tesvane::showSupply()
{
    const quint8 power = link->config().encoderPower;
    if (power <= 1) {
        ui.setPowerTexts(power == 1 ? tr("EncoderPoewrOff") : tr("EncoderPoewrOn"));
        display->view().setSupplyOn(power == 1);
    }
    return power;
}

void Tesvane::OnReset()
{
    if (!link->requireOpen())
        return;
    if (!link->request(OpReset))
        return;
    display->displayReset();
}

void Tesvane::OnClearLineLock()
{
    if (!link->requireOpen())
        return;
    link->request(OpClearLineLock);
}

void Tesvane::OnEncoderPower()
{
    if (!link->requireOpen())
        return;
    openWaitDialog();
    if (!link->request(display->view().supplyOn() ? OpEncoderPowerOff : OpEncoderPowerOn))
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
    if (!link->awaitSupplySettled())
        return;
    if (showSupply() == 1) {
        ui.speedCurve->resetCurve();
        speedTimer->start();
    }
    OnPositionZero();
    display->clearLatchTables();
    OnReset();
}

void Tesvane::ResetRet(bool ok)
{
    if (!ok) {
        showResult(tr("Reset failed!"), true);
        return;
    }
    showResult(tr("Reset successfully!"), false);
    display->view().renewSpeedReference();
    ui.speedCurve->resetCurve();
    display->displayReset();
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
    if (!link->requireOpen())
        return;
    auto* dialog = new SysSetting(this, this, device());
    dialog->move(x() + width() / 2 - dialog->width() / 2, y() + height() / 2 - dialog->height() / 2);
    dialog->refresh();
    connect(device(), &QtUsb::EEpReadRet, dialog, &SysSetting::EEpReadRet);
    dialog->exec();
}

void Tesvane::OnPositionZero()
{
    display->zero();
}

void Tesvane::ClearLatch()
{
    display->clearLatchTables();
}

void Tesvane::SetPosNeg()
{
    display->view().reverseDirection();
    qDebug("direction %d", display->view().state().direction);
}

void Tesvane::OnSetPreValue()
{
    SetPreValue dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        display->view().preset(link->config());
}

void Tesvane::NewVer()
{
    // The answer came while the window was closing: nothing to ask.
    if (link->ending())
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
    using Command = void (*)(Tesvane*);
    static const QHash<int, Command> commands = {
        {Qt::Key_D, [](Tesvane* w) { w->display->displayReset(); }},
        {Qt::Key_P, [](Tesvane* w) { w->OnEncoderPower(); }},
        {Qt::Key_L, [](Tesvane* w) { w->display->clearLatchTables(); }},
        {Qt::Key_Z, [](Tesvane* w) { w->OnPositionZero(); }},
        {Qt::Key_I, [](Tesvane* w) { w->SetPosNeg(); }},
    };
    const Command command = commands.value(event->key());
    if (event->modifiers() == Qt::ControlModifier && command)
        command(this);
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
