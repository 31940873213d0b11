#pragma once

#include "RecordingReport.h"
#include "ReplyRecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

class QtUsb;
struct LiveSnapshot;

// One test on the tester, without what is made of it: opens the tester if
// it is not open, reads its configuration, switches the encoder supply on
// when asked, records every reply for the set time or until interrupt(),
// switches the supply off again if it switched it on, and finishes. The
// owner gathers the replies (replies()) and decides about the link after
// finished(): the recorder closes it, a station keeps it for the next unit.
//
// Threads: everything on the owner's (GUI or main) thread; the worker's
// replies arrive queued, one snapshot each (QtUsb::LiveSnapshotRet),
// connected only while recording.
class TestSequence : public QObject
{
    Q_OBJECT

public:
    enum class Phase
    {
        Idle,
        ReadingConfig,
        PoweringOn,
        Settling,
        ClearingLineLock, // the tester keeps a broken line latched: each test starts clear
        Recording,
        PoweringOff,
        Done,
    };

    struct Settings
    {
        double seconds = 0.0; // 0: until interrupt()
        bool powerOn = false;
        int operationTimeoutMs = 15000; // a tester operation unanswered this long failed
        int settleMs = 300;             // after switching the supply on, before recording
    };

    struct Outcome
    {
        bool opened = false;   // the tester was open; false: openFailureText() says why not
        bool recorded = false; // the recording began; the fields below describe it
        RecordingReport::Stop stop = RecordingReport::Stop::Time;
        double durationS = 0.0;
        QDateTime startedAt; // UTC
        bool failed = false; // something went wrong (problem() said what)
        bool linkLost = false;
        // The supply was switched on for the test and may still be on: the
        // switch-off failed or went unanswered (not after the tester was lost,
        // which takes the supply with it).
        bool supplyLeftOn = false;
    };

    TestSequence(QtUsb* usb, QObject* parent = nullptr);

    void start(const Settings& settings);
    // Ends a recording (as interrupted) or abandons the start.
    void interrupt();

    Phase phase() const { return m_phase; }
    bool running() const { return m_phase != Phase::Idle && m_phase != Phase::Done; }
    // Milliseconds since the recording began (0 before).
    qint64 recordedMs() const;
    const Outcome& outcome() const { return m_outcome; }

    // A sentence for why initDevice failed, that the user can act on.
    static QString openFailureText(const QtUsb& usb);

signals:
    void phaseChanged(TestSequence::Phase phase);
    // The replies since the last, every 100 ms while recording and once at its end.
    void replies(const std::vector<ReplyRecord>& records);
    // An error; the sequence then winds down.
    void problem(const QString& message);
    // Recording with the supply off (not asked to switch it on): flat signals.
    void supplyIsOff();
    void finished(const TestSequence::Outcome& outcome);

private:
    void setPhase(Phase phase);
    void onConfigRead(bool ok);
    void onPowerSwitched(bool ok);
    void clearLineLock();
    void onLineLockCleared(bool ok);
    void onLinkLost();
    void onOperationTimeout();
    void beginRecording();
    void onDurationTick();
    void onSnapshot(const LiveSnapshot& snapshot);
    void drainReplies();
    void endRecording(RecordingReport::Stop stop);
    void fail(const QString& message);
    void windDown();
    void finish();
    void waitForOperation();

    QtUsb* m_usb;
    Settings m_settings;
    Phase m_phase = Phase::Idle;
    Outcome m_outcome;
    bool m_switchedOn = false;
    // Reply intake: taking replies, the newest sequence taken, the start of
    // the recording (steady clock, ns) and the replies not yet drained.
    bool m_taking = false;
    quint64 m_lastSequence = 0;
    qint64 m_startNs = 0;
    std::vector<ReplyRecord> m_pending;
    QMetaObject::Connection m_snapshots; // LiveSnapshotRet, while recording
    QElapsedTimer m_clock;
    QTimer m_drainTimer;
    QTimer m_durationTimer;
    QTimer m_operationTimer;
};
