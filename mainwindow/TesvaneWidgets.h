#pragma once

#include <QPointer>

class GlyphCacheLabel;
class LatchWidget;
class QAction;
class QColor;
class QLabel;
class QMenu;
class QObject;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class SinCosValue;
class SpeedCurve;
class WaitDialog;
class myGauge2;
struct LiveFrame;

// The widgets of the main window: built into its body and bottom band,
// owned by their Qt parents, shown and fed by Tesvane. build() creates
// them unconnected; Tesvane wires the buttons and actions to its slots.
// showFrame() puts one frame of the live view on them, touching only what
// changed, so that an unchanged label does not repaint.
//
// Threads: GUI thread only.
class TesvaneWidgets
{
public:
    // `actionParent` owns the context menu's actions.
    void build(QWidget* body, QWidget* bottom, QObject* actionParent);

    void showFrame(const LiveFrame& frame);
    void setPositionAlarm(bool alarm);
    // Clears both latch tables: rows and trigger counts.
    void clearLatchTables();
    // Hides every panel, or shows those of the work mode.
    void setPanelsHidden(bool hide, bool sinCosMode);
    // The three views: not connected (with `text`), reading the
    // configuration, measuring (the panels of the work mode).
    void showNotConnected(const QString& text);
    void showReading(const QString& connection, const QString& notice);
    void showMeasuring(bool sinCosMode);
    // The help menu (update, contact) of the title bar, owned by `parent`.
    QMenu* buildHelpMenu(QWidget* parent);
    // The context menu: supply, settings, clear latches, zero.
    void execContextMenu(QWidget* parent, const QPoint& globalPos);
    // The supply command's text on the tool button and the context action.
    void setPowerTexts(const QString& text);
    void setPhaseErrorCount(quint16 count);

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
    QToolButton* resetButton = nullptr;
    QToolButton* clearLineLockButton = nullptr;
    QToolButton* powerButton = nullptr;
    QToolButton* sysSetButton = nullptr;
    QToolButton* zeroButton = nullptr;
    QToolButton* clearLatchButton = nullptr;
    QToolButton* posNegButton = nullptr;
    QToolButton* presetButton = nullptr;
    QAction* powerAction = nullptr;
    QAction* sysSetAction = nullptr;
    QAction* zeroAction = nullptr;
    QAction* clearLatchAction = nullptr;
    QAction* updateAction = nullptr;
    QAction* contactAction = nullptr;
    GlyphCacheLabel* positionLabel = nullptr;
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

private:
    void buildBody(QWidget* body);
    void buildToolBar();
    QToolButton* makeToolButton(const QString& text, const QString& icon);
    void buildNotConnectedPanel();
    void buildPositionPanel();
    void buildLatchPanel();
    void buildCurrentPanel();
    void buildSinCosPanel();
    void buildSquareWavePanel();
    void buildSpeedCurvePanel();
    void buildBottomBand(QWidget* bottom);
    void buildContextActions(QObject* parent);
    void addLatchRows(LatchWidget* table, const LiveFrame& frame, bool sinCos);

    enum class PositionStyle
    {
        Unset,
        Normal,
        Alarm,
    };
    PositionStyle m_positionStyle = PositionStyle::Unset;
    bool m_phaseError = false; // the phase state label shows an error
};
