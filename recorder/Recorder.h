#pragma once

#include "CsvLog.h"
#include "ProtocolWriting.h"
#include "RecorderOptions.h"
#include "RecordingReport.h"
#include "RecordingSummary.h"
#include "ReplyRecord.h"
#include "ResultFiling.h"
#include "TestSequence.h"
#include "ToleranceProfile.h"

#include <QObject>
#include <QTextStream>

#include <optional>
#include <vector>

class QtUsb;

// One recording from start to end: opens the tester, reads its
// configuration, switches the supply on when asked, records every reply for
// the set time or until interrupt(), switches the supply off again if it
// switched it on, closes the tester, prints the report and emits finished()
// with the exit code (0 pass, 1 an item failed, 2 an error).
//
// Threads: everything on the main thread (the test itself: TestSequence).
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
    void setOperationTimeout(int ms) { m_settings.operationTimeoutMs = ms; }
    // Pause after switching the supply on, before recording begins.
    void setSettleTime(int ms) { m_settings.settleMs = ms; }

    void start();
    // Ctrl+C: ends a recording (with its report) or abandons the start.
    void interrupt();

    bool finishedRunning() const { return m_done; }
    int exitCode() const { return m_exitCode; }

signals:
    void finished(int exitCode);

private:
    bool prepareFiles();
    bool prepareStorage();
    void onReplies(const std::vector<ReplyRecord>& records);
    void onProblem(const QString& message);
    void onSequenceFinished(const TestSequence::Outcome& outcome);
    void showProgress();
    void fail(const QString& message);
    void shutDown();
    void printReport(const TestSequence::Outcome& outcome);
    void writeProtocol(const FinishedTest& test);

    RecorderOptions m_options;
    QtUsb* m_usb;
    TestSequence m_sequence;
    TestSequence::Settings m_settings;
    QTextStream& m_out;
    QTextStream& m_err;
    bool m_done = false;
    bool m_progress = false;
    bool m_failed = false;
    int m_exitCode = kExitError;
    std::optional<ToleranceProfile::Limits> m_limits;
    CsvLog m_csv;
    ResultFiling m_filing;
    ProtocolWriting m_protocol;
    QByteArray m_profileBytes; // the profile as read at the start, stored and hashed as such
    RecordingSummary m_summary;
};
