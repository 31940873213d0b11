#pragma once

#include "CsvLog.h"
#include "ProtocolWriting.h"
#include "RecorderOptions.h"
#include "RecordingReport.h"
#include "RecordingSummary.h"
#include "ReplyRecord.h"
#include "ResultFiling.h"
#include "ToleranceProfile.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTextStream>
#include <QTimer>

#include <optional>
#include <vector>

class QtUsb;
struct LiveSnapshot;

// One recording from start to end: opens the tester, reads its
// configuration, switches the supply on when asked, records every reply for
// the set time or until interrupt(), switches the supply off again if it
// switched it on, closes the tester, prints the report and emits finished()
// with the exit code (0 pass, 1 an item failed, 2 an error).
//
// Threads: everything on the main thread; the worker's replies arrive
// queued, one snapshot each (QtUsb::LiveSnapshotRet).
class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int kExitPass = 0;
    static constexpr int kExitFail = 1;
    static constexpr int kExitError = 2;
    // Sample pairs in the protocol's picture.
    static constexpr int kProtocolPairs = 3000;

    Recorder(const RecorderOptions& options, QtUsb* usb, QTextStream& out, QTextStream& err,
             QObject* parent = nullptr);

    // Progress lines on `err` while recording (for a terminal).
    void setProgress(bool on) { m_progress = on; }
    // How long a tester operation may take before it counts as unanswered.
    void setOperationTimeout(int ms) { m_operationTimeoutMs = ms; }
    // Pause after switching the supply on, before recording begins.
    void setSettleTime(int ms) { m_settleMs = ms; }

    void start();
    // Ctrl+C: ends a recording (with its report) or abandons the start.
    void interrupt();

    bool finishedRunning() const { return m_phase == Phase::Done; }
    int exitCode() const { return m_exitCode; }

signals:
    void finished(int exitCode);

private:
    enum class Phase
    {
        Idle,
        ReadingConfig,
        PoweringOn,
        Settling,
        Recording,
        PoweringOff,
        Done,
    };

    bool prepareFiles();
    bool prepareStorage();
    QString openFailureText() const;
    void onConfigRead(bool ok);
    void onPowerSwitched(bool ok);
    void onLinkLost();
    void onOperationTimeout();
    void beginRecording();
    void onDurationTick();
    void onSnapshot(const LiveSnapshot& snapshot);
    void drainReplies();
    void showProgress();
    void endRecording(RecordingReport::Stop stop);
    void fail(const QString& message);
    void windDown();
    void shutDown();
    void printReport();
    void writeProtocol(const RecordingReport::Facts& facts,
                       const ToleranceProfile::Measurements& measured,
                       const ToleranceProfile::Verdict& verdict);
    void waitForOperation();

    RecorderOptions m_options;
    QtUsb* m_usb;
    // Reply intake: taking replies, the newest sequence taken, the start of
    // the recording (steady clock, ns) and the replies not yet drained.
    bool m_taking = false;
    quint64 m_lastSequence = 0;
    qint64 m_startNs = 0;
    std::vector<ReplyRecord> m_pending;
    QTextStream& m_out;
    QTextStream& m_err;
    Phase m_phase = Phase::Idle;
    bool m_progress = false;
    int m_operationTimeoutMs = 15000;
    int m_settleMs = 300;
    bool m_switchedOn = false;
    bool m_recorded = false;
    bool m_failed = false;
    bool m_linkLost = false;
    int m_exitCode = kExitError;
    std::optional<ToleranceProfile::Limits> m_limits;
    CsvLog m_csv;
    ResultFiling m_filing;
    ProtocolWriting m_protocol;
    QByteArray m_profileBytes; // the profile as read at the start, stored and hashed as such
    RecordingSummary m_summary;
    RecordingReport::Stop m_stop = RecordingReport::Stop::Time;
    double m_durationS = 0.0;
    QElapsedTimer m_clock;
    QTimer m_drainTimer;
    QTimer m_durationTimer;
    QTimer m_operationTimer;
};
