#pragma once

#include "FinishedTest.h"
#include "RecordingSummary.h"
#include "ResultFiling.h"
#include "StationHistory.h"
#include "StationLive.h"
#include "StationVerdict.h"
#include "TestSequence.h"
#include "UnitHistory.h"
#include "ToleranceProfile.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <optional>

class QtUsb;
class StationArchive;

// The production station without its window: holds the tester between
// units, runs one test per scanned serial (TestSequence), keeps the live
// figures, judges the unit against the profile, writes its protocol and
// stores its result (StationArchive, on a thread of its own), and lets go
// of everything cleanly when closed.
//
// Threads: everything on the GUI thread; the tester's replies arrive queued
// from the worker, the store's answers queued from the archive thread.
class Station : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Idle,
        Testing,
        Closing, // a test is winding down before the station closes
        Closed,
    };

    static constexpr int kLivePairs = 600;
    static constexpr int kProtocolPairs = 3000;
    // The travel analyses while testing: at most this often (the whole
    // recording each time, some 15 ms a minute of it).
    static constexpr int kTravelIntervalMs = 500;
    static constexpr int kCurvePoints = 181;
    static constexpr int kReconnectMs = 2000;

    explicit Station(QtUsb* usb, QObject* parent = nullptr);
    ~Station() override;

    // The results store at `location` (as --db takes it), opened on the
    // archive thread; storeOpened() answers, historyChanged() follows.
    void openStore(const QString& location);
    void setProfilePath(const QString& path) { m_profilePath = path; }
    void setProtocolFolder(const QString& folder) { m_protocolFolder = folder; }
    void setOperatorName(const QString& name) { m_operatorName = name.trimmed(); }
    const QString& profilePath() const { return m_profilePath; }
    const QString& protocolFolder() const { return m_protocolFolder; }
    // Why no protocol could be written into the folder now (made if missing);
    // empty when it takes files.
    QString protocolFolderProblem() const;

    // Takes the tester when it is there, now and (while idle) every
    // kReconnectMs after it was not or was lost; testerChanged() says how.
    void connectTester();
    bool testerOpen() const;

    // Starts a test; false and `error` set when refused before it began (a
    // test running, a bad serial, no profile or one that cannot be used, a
    // results store that cannot be used: its result would be lost). The
    // store is asked for the unit's tests first: a unit that has used up
    // the profile's retests (test.retests_max) is refused then, with
    // testRefused(); a store that cannot answer refuses nothing.
    bool startTest(const QString& typedSerial, QString* error);
    // Escape or Stop: the test ends as aborted.
    void abort();
    // Closing the window: a running test is aborted and its supply switched
    // off, its result stored; then the tester is let go and closed() follows.
    void shutDown();

    State state() const { return m_state; }
    TestSequence::Phase phase() const { return m_sequence.phase(); }
    const QString& serial() const { return m_serial; }
    // The unit's judged tests before this one (0: its first test; -1: the
    // store could not say).
    int retest() const { return m_retest; }
    double durationS() const { return m_settings.seconds; }
    double secondsLeft() const;
    const StationLive& live() const { return m_live; }

    // Shorter waits for tests and the benchmark.
    void setTimings(int operationTimeoutMs, int settleMs);

signals:
    void stateChanged(Station::State state);
    void phaseChanged(TestSequence::Phase phase);
    void liveChanged();
    // open: the station holds the tester; else `problem` says why not.
    void testerChanged(bool open, const QString& problem);
    // A scanned unit could not be tested: the tester could not be opened, or
    // it used up its retests.
    void testRefused(const QString& reason);
    // The recording of the test running ended (once per test).
    void recordingEnded();
    void testFinished(const StationVerdict& verdict);
    void filed(const ResultFiling::Filed& filed);
    void storeOpened(bool ok, const QString& error, const QStringList& warnings);
    void historyChanged(const StationHistory& history);
    void closed();

private:
    void onStoreOpened(bool ok, const QString& error);
    void onUnitLookedUp(const QString& serial, const UnitHistory& history);
    void beginTest();
    void startWithoutLookUp();
    void setState(State state);
    void onPhase(TestSequence::Phase phase);
    void onReplies(const std::vector<ReplyRecord>& records);
    void onProblem(const QString& message);
    void onSequenceFinished(const TestSequence::Outcome& outcome);
    void onLinkLost();
    void updateLive();
    FinishedTest finishedTest(const TestSequence::Outcome& outcome) const;
    void writeProtocol(const FinishedTest& test, StationVerdict* verdict) const;
    void releaseTester();
    void finishClosing();

    QtUsb* m_usb;
    TestSequence m_sequence;
    TestSequence::Settings m_settings;
    State m_state = State::Idle;
    QString m_profilePath;
    QString m_protocolFolder;
    QString m_operatorName;
    QTimer m_reconnect;
    QString m_storeError; // the store cannot be used: no unit is tested
    // The test running: its serial, profile, what went wrong and the figures.
    QString m_serial;
    bool m_lookingUp = false; // the store is asked for the unit's tests
    int m_retest = 0;
    std::optional<ToleranceProfile::Limits> m_limits;
    QByteArray m_profileBytes;
    QStringList m_problems;
    RecordingSummary m_summary;
    StationLive m_live;
    TravelSurvey::Result m_liveTravel; // taken at m_liveTravelClock
    QElapsedTimer m_liveTravelClock;
    // The store, on its own thread.
    QThread m_archiveThread;
    StationArchive* m_archive = nullptr;
};
