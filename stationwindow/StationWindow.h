#pragma once

#include "Station.h"
#include "StationTexts.h"
#include "YDialog.h"

#include <QTimer>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class SignalPlotView;
class TravelStripView;
class StationSettings;
class VerdictBanner;

// The station's window: the serial field (a scanner types the number and
// Enter), the verdict banner, the live pictures and items while testing,
// the history of this station, and the profile, operator and protocol
// folder. It shows what Station and StationTexts decide and forwards the
// operator's keys: Enter starts, Escape or Stop aborts.
//
// Live figures are taken at most every kFrameMs while testing, and painted
// only when new.
class StationWindow : public YDialog
{
    Q_OBJECT

public:
    static constexpr int kFrameMs = 33;
    // The item table's rows: this high while they fit, never lower than the
    // least height that still shows a line of its text whole.
    static constexpr int kItemRowHeight = 20;
    static constexpr int kItemRowMinHeight = 18;

    StationWindow(Station& station, StationSettings& settings, QWidget* parent = nullptr);

    // For tests and the gallery.
    QLineEdit* serialField() const { return m_serial; }
    VerdictBanner* banner() const { return m_banner; }
    QTableWidget* itemTable() const { return m_items; }
    QTableWidget* historyTable() const { return m_history; }
    QLabel* storeLine() const { return m_storeLine; }
    QLabel* protocolLine() const { return m_protocolLine; }
    int livePaints() const { return m_livePaints; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildUnitBar();
    QWidget* buildSetupBar();
    QWidget* buildItems();
    QWidget* buildPictures();
    QWidget* buildHistory();
    void wire();
    void startTest();
    void chooseProfile();
    void chooseProtocolFolder();
    void showProfile();
    void onState(Station::State state);
    void onTester(bool open, const QString& problem);
    void onRefused(const QString& reason);
    void onFinished(const StationVerdict& verdict);
    void onFiled(const ResultFiling::Filed& filed);
    void onStoreOpened(bool ok, const QString& error, const QStringList& warnings);
    void onHistory(const StationHistory& history);
    void showFrame();
    void showItems(const ToleranceProfile::Verdict& verdict, StationTexts::Marks marks);
    void fitItemRows();
    void fitItemColumns();
    void showLine(QLabel* label, const QString& text, const QColor& colour);
    void showPath(QLabel* label, const QString& text, const QColor& colour);
    void readyForNextUnit();

    Station& m_station;
    StationSettings& m_settings;
    QLineEdit* m_serial = nullptr;
    QLineEdit* m_operator = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QLabel* m_profile = nullptr;
    QPushButton* m_chooseProfile = nullptr;
    QLabel* m_protocols = nullptr;
    QPushButton* m_chooseProtocols = nullptr;
    VerdictBanner* m_banner = nullptr;
    QTableWidget* m_items = nullptr;
    QLabel* m_latch = nullptr;
    QLabel* m_current = nullptr;
    SignalPlotView* m_lissajous = nullptr;
    SignalPlotView* m_error = nullptr;
    TravelStripView* m_travelStrip = nullptr;
    QLabel* m_passRate = nullptr;
    QTableWidget* m_history = nullptr;
    QLabel* m_testerLine = nullptr;
    QLabel* m_storeLine = nullptr;
    QLabel* m_protocolLine = nullptr;
    QTimer m_frameTimer;
    quint64 m_shownRevision = 0;
    int m_livePaints = 0;
    bool m_testerOpen = false;
    QString m_testerProblem;
    bool m_outcomeShown = false; // a verdict or refusal stays until the next unit
    bool m_closeWhenDone = false;
};
