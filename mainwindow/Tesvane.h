#pragma once

#include "AutoNovrel.h"
#include "DialogHost.h"
#include "LiveDisplay.h"
#include "LiveSnapshot.h"
#include "LiveView.h"
#include "TesterConnection.h"
#include "TesvaneWidgets.h"
#include "YDialog.h"

#include <QPointer>

class HotPlugSource;
class QTimer;
class QtUsb;
#include "WaitDialog.h"

// The test program's main window: builds its widgets (TesvaneWidgets) and
// wires them, the connection to the tester (TesterConnection, which owns
// the device link) and the live display (LiveDisplay, which computes each
// reply's snapshot and puts the newest frame on the screen at most once per
// screen frame); shows the connection's views (not connected, reading,
// measuring), turns the operator's commands into requests for the worker
// and shows their results.
//
// Threads: GUI thread only. The worker's signals arrive queued.
class Tesvane : public YDialog, public DialogHost
{
    Q_OBJECT

public:
    // `hotPlug`: where plug and unplug events come from; null takes the
    // system's own source. `startupPauseMs`: the worker's pause before its
    // first poll after each connection (shorter only in tests).
    explicit Tesvane(QWidget* parent = nullptr, HotPlugSource* hotPlug = nullptr,
                     int startupPauseMs = 1000);
    ~Tesvane() override;

    QtUsb* device() const { return link->device(); }
    const LiveView& liveView() const { return display->view(); }
    const TesvaneWidgets& widgets() const { return ui; }
    // The wait dialog while one is open, the speed sampling timer.
    WaitDialog* openWaitDialogWindow() const { return waitDialog.data(); }
    const QTimer* speedSampling() const { return speedTimer; }

    // DialogHost: what the configuration dialogs ask of the main window.
    void showAccessError() override;
    void openWaitDialog() override;

    // Live display operations.
    void resetPhaseErrorBaseline();
    void setPanelsHidden(bool hide);

signals:
    void UiRefreshOk();
    // A frame of the live view was put on the widgets (at most once per
    // screen frame); `sequence` names the newest reply it shows.
    void frameShown(quint64 sequence);
    // The link was stopped or the window is closing: nested waits end.
    void waitsCancelled();

public slots:
    void sysColse();
    void OnRead();
    // Refreshes from the link state's newest snapshot (construction).
    void UiRefresh();
    // One reply of the worker: computed now, shown with the next frame.
    void refresh(const LiveSnapshot& snapshot);
    void EEpWriteRet(bool ok);
    void EEpReadRet(bool ok);
    void ResetRet(bool ok);
    void ClearLineLockRet(bool ok);
    void OnReset();
    void OnClearLineLock();
    void OnWaitClose();
    void OnSysSet();
    void OnPositionZero();
    void OnEncoderPower();
    void EncoderPowerRet(bool ok);
    void ClearLatch();
    void NewVer();
    void ContactUs();
    void SoftUpdate();
    void SetPosNeg();
    void OnSetPreValue();
    void OnSpeedTimer();
    void UsbClose();

    // Hot-plug: any device arrived; a device with this interface path left.
    void deviceArrived();
    void deviceRemoved(const QString& interfacePath);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;

private:
    void connectCommands();
    // The connection's and the device link's signals.
    void connectConnection();

    // The connection's views.
    void showOpened();
    void showOpenFailed();
    void showNotConnected();
    void endProgram();

    // Shows the configuration record's supply state (0 off, 1 on; another
    // value changes nothing) and returns it.
    quint8 showSupply();

    void showResult(const QString& text, bool errorBox);
    // The update dialog, `width` pixels wide, run modally.
    void openUpdateDialog(int width);

    TesvaneWidgets ui;
    // The live view on the widgets, paced to the screen.
    LiveDisplay* display = nullptr;
    // The tester's connection, the device link and the commands' nested waits.
    TesterConnection* link = nullptr;
    QPointer<WaitDialog> waitDialog;
    QTimer* speedTimer = nullptr;
    // The start-up update check; it ends a waiting query when destroyed.
    AutoNovrel autoNovrel;
};
