#pragma once

#include "AutoNovrel.h"
#include "DeviceOperation.h"
#include "DialogHost.h"
#include "MovingAverage.h"
#include "YDialog.h"

#include <QPointer>

class HotPlugSource;
class LatchWidget;
class QAction;
class QLabel;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QtUsb;
class SinCosValue;
class SpeedCurve;
class WaitDialog;
class myGauge2;
struct LiveValues;

// The test program's main window: the tool bar, seven panels of live
// values, the bottom band with the connection text and the status bar. It
// owns the device link, opens and closes it as the tester comes and goes,
// shows every reply of the worker and turns the operator's commands into
// requests for the worker.
//
// Threads: GUI thread only. The worker's signals arrive queued.
class Tesvane : public YDialog, public DialogHost
{
    Q_OBJECT
    friend class tst_Tesvane;

public:
    // `hotPlug`: where plug and unplug events come from; null takes the
    // system's own source. `startupPauseMs`: the worker's pause before its
    // first poll after each connection (shorter only in tests).
    explicit Tesvane(QWidget* parent = nullptr, HotPlugSource* hotPlug = nullptr,
                     int startupPauseMs = 1000);
    ~Tesvane() override;

    QtUsb* device() const { return usb; }

    // DialogHost: what the configuration dialogs ask of the main window.
    void showAccessError() override;
    void openWaitDialog() override;

    // Live display operations.
    void updatePosition(bool force);
    bool checkSignal();
    void updateLatches();
    void setPhaseErrorCount(quint16 n);
    void resetPhaseErrorBaseline();
    void setPanelsHidden(bool hide);

signals:
    void UiRefreshOk();
    // The link was stopped or the window is closing: nested waits end.
    void waitsCancelled();

public slots:
    void sysColse();
    void OnRead();
    void UiRefresh();
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
    enum class PositionStyle
    {
        Unset,
        Normal,
        Alarm,
    };

    // Construction.
    void buildBody();
    void buildToolBar();
    QToolButton* makeToolButton(const QString& text, const QString& icon);
    void buildNotConnectedPanel();
    void buildPositionPanel();
    void buildLatchPanel();
    void buildCurrentPanel();
    void buildSinCosPanel();
    void buildSquareWavePanel();
    void buildSpeedCurvePanel();
    void buildBottomBand();
    void buildContextActions();
    void buildHelpMenu();
    void connectDevice();

    // Connection life cycle.
    void connectAtStartup();
    bool openTester();
    void showOpenFailed();
    void stopLink();
    void showNotConnected();
    void endProgram();

    // Live display helpers.
    void setPositionStyle(PositionStyle style);
    void setLabelText(QLabel* label, const QString& text);
    void setLabelColor(QLabel* label, const QColor& color);
    void clearLatchTables();
    void displayReset();
    bool supplyShownOff() const;
    void setPowerTexts(const QString& text);
    bool requireDevice();
    // Asks the worker for `op`; reports a pending request it replaced.
    bool request(DeviceOperation op);
    void reportReplaced(int replaced);
    void showResult(const QString& text, bool errorBox);
    // Runs nested event loops until `refreshes` refreshes have happened,
    // the link stops or the window closes; false when cut short.
    bool waitForRefreshes(int refreshes);
    bool waitMilliseconds(int ms);
    // The update dialog, `width` pixels wide, run modally.
    void openUpdateDialog(int width);

    QWidget* notConnectedPanel = nullptr;
    QWidget* positionPanel = nullptr;
    QWidget* latchPanel = nullptr;
    QWidget* currentPanel = nullptr;
    QWidget* squareWavePanel = nullptr;
    QWidget* sinCosPanel = nullptr;
    QWidget* speedCurvePanel = nullptr;
    QLabel* noticeLabel = nullptr;
    QLabel* connectionLabel = nullptr;
    QStatusBar* statusBar = nullptr;
    QToolBar* toolBar = nullptr;
    QToolButton* powerButton = nullptr;
    QAction* powerAction = nullptr;
    QAction* sysSetAction = nullptr;
    QAction* zeroAction = nullptr;
    QAction* clearLatchAction = nullptr;
    QLabel* positionLabel = nullptr;
    QLabel* signLabel = nullptr;
    QLabel* phaseStateLabel = nullptr;
    QLabel* phaseErrorCountLabel = nullptr;
    QLabel* levelStateLabel = nullptr;
    QLabel* lineStateLabel = nullptr;
    QLabel* currentLabel = nullptr;
    LatchWidget* sinCosLatchTable = nullptr;
    LatchWidget* squareLatchTable = nullptr;
    SinCosValue* sinCosView = nullptr;
    myGauge2* signalGauge = nullptr;
    SpeedCurve* speedCurve = nullptr;
    QtUsb* usb = nullptr;
    QPointer<WaitDialog> waitDialog;
    QTimer* speedTimer = nullptr;
    HotPlugSource* hotPlugSource = nullptr;
    // The start-up update check; it ends a waiting query when destroyed.
    AutoNovrel autoNovrel;
    MovingAverage sinCosFilterHistory;
    MovingAverage squareFilterHistory;
    quint16 phaseErrorShown = 0;
    quint16 phaseErrorBaseline = 0;
    bool signalLost = false;
    bool awaitingConfig = true;

    PositionStyle positionStyle = PositionStyle::Unset;
    bool phaseErrorState = false; // the phase state label shows an error
    bool closing = false;
};
