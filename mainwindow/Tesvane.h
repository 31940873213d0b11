#pragma once

#include "AutoNovrel.h"
#include "DeviceOperation.h"
#include "DialogHost.h"
#include "LiveSnapshot.h"
#include "LiveView.h"
#include "TesvaneWidgets.h"
#include "YDialog.h"

#include <QPointer>

class FramePacer;
class HotPlugSource;
class NestedWait;
class QTimer;
class QtUsb;
#include "WaitDialog.h"

// The test program's main window: builds its widgets (TesvaneWidgets), owns
// the device link and follows the tester as it comes and goes, hands each
// reply's snapshot to the live view (LiveView) and puts the newest frame on
// the screen at most once per screen frame (FramePacer); turns the
// operator's commands into requests for the worker and shows their results.
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

    QtUsb* device() const { return usb; }
    const LiveView& liveView() const { return view; }
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
    void buildHelpMenu();
    void connectDevice();

    // Connection life cycle.
    bool openTester();
    void showOpenFailed();
    void stopLink();
    void showNotConnected();
    void endProgram();

    // Live display.
    void showFrame();
    void afterZero(const LiveView::Refresh& zeroed);
    void clearLatchTables();
    void displayReset();
    void setSupplyShown(bool on);

    bool requireDevice();
    // Asks the worker for `op`; reports a pending request it replaced.
    bool request(DeviceOperation op);
    void reportReplaced(DeviceOperation replaced);
    void showResult(const QString& text, bool errorBox);
    // The update dialog, `width` pixels wide, run modally.
    void openUpdateDialog(int width);

    TesvaneWidgets ui;
    LiveView view;
    FramePacer* pacer = nullptr;
    // Nested waits for refreshes: end when the link stops or the window closes.
    NestedWait* waits = nullptr;
    QtUsb* usb = nullptr;
    QPointer<WaitDialog> waitDialog;
    QTimer* speedTimer = nullptr;
    HotPlugSource* hotPlugSource = nullptr;
    // The start-up update check; it ends a waiting query when destroyed.
    AutoNovrel autoNovrel;
    bool closing = false;
};
