#pragma once

#include "ConfigRecord.h"
#include "RecorderOptions.h"
#include "RecordingReport.h"
#include "ResultStore.h"
#include "ToleranceProfile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <memory>

// The recorder's link to the results history: with --serial, the store is
// opened (and its spool delivered) before the tester is, and the report is
// stored as one test when the recording ends.
class ResultFiling
{
    Q_DECLARE_TR_FUNCTIONS(ResultFiling)

public:
    explicit ResultFiling(const RecorderOptions& options);
    ~ResultFiling();

    bool active() const { return !m_options.serial.isEmpty(); }

    // Before the tester is opened: a bad location or an unusable store is
    // an error; `warnings` get what the user should know (an unreachable
    // server, a spool that could not be delivered).
    bool prepare(QString* error, QStringList* warnings);

    void setProfile(const QByteArray& json) { m_profileJson = json; }
    void setStartedAt(const QDateTime& utc) { m_startedAt = utc; }

    // Stores the finished recording. Returns false when the result could
    // be neither stored nor spooled; `message` then holds the error, else a
    // warning or note for the user (or nothing).
    bool file(const RecordingReport& report, const RecordingReport::Facts& facts,
              const ToleranceProfile::Verdict& verdict, const ConfigRecord& config,
              QString* message);

    static QJsonObject configJson(const ConfigRecord& config);

private:
    TestResult makeResult(const RecordingReport& report, const RecordingReport::Facts& facts,
                          const ToleranceProfile::Verdict& verdict,
                          const ConfigRecord& config) const;

    RecorderOptions m_options;
    QByteArray m_profileJson;
    QDateTime m_startedAt;
    std::unique_ptr<ResultStore> m_store;
};
