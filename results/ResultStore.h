#pragma once

#include "ResultFigures.h"
#include "ResultFilter.h"
#include "ResultSpool.h"
#include "ResultStatistics.h"
#include "ResultYield.h"
#include "SqlConnection.h"
#include "StoreLocation.h"
#include "TestResult.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The results history at one location (SQLite file or PostgreSQL database):
// writes one test per transaction, falls back to the spool when the store
// cannot take it, delivers the spool first on every write and on opening,
// and answers the queries of rotaprobe-results.
//
// Threads: one thread per object (its connections belong to it); several
// objects, in one program or many, may use one location at once.
class ResultStore
{
    Q_DECLARE_TR_FUNCTIONS(ResultStore)

public:
    // One test as a list shows it, and every figure (ResultFigures::all()
    // order) when asked for.
    struct Row
    {
        qint64 id = 0;
        QString serial;
        QDateTime startedAt;
        double durationS = 0.0;
        QString station;
        QString operatorName;
        QString programVersion;
        QString profileName;
        QString verdict;
        QString verdictReason;
        int attempt = 0; // the n-th test of its serial (AttemptNumbers)
        QVector<std::optional<double>> figures;
    };

    enum class Outcome
    {
        Stored,  // committed in the store
        Spooled, // kept in the spool for the next write (message: a warning)
        Lost     // neither (message: an error); only when the spool is unusable too
    };

    struct StoreOutcome
    {
        Outcome outcome = Outcome::Lost;
        qint64 id = 0;     // when stored
        int delivered = 0; // spooled results delivered before it
        QString message;
    };

    ResultStore(const StoreLocation& location, const QString& spoolPath);
    ~ResultStore();

    const StoreLocation& location() const { return m_location; }
    const QString& spoolPath() const { return m_spool.path(); }

    // Before a test: creates or migrates the store and delivers the spool. A
    // store that cannot be used (an unreadable, corrupt or read-only file, a
    // newer schema) is an error; an unreachable server only a warning, as
    // its results are spooled until it is back; so is a server reached over
    // a network without a checked certificate.
    bool openForWriting(QString* error, QStringList* warnings);
    // For queries: an existing store (migrated forward if it is older).
    bool openForReading(QString* error);

    StoreOutcome store(const TestResult& result);
    // Many tests in one transaction (imports, the benchmark), no spool.
    bool storeMany(const QVector<TestResult>& results, QString* error);
    // Delivers the spool's results for this location; how many, -1 on error.
    int deliverSpool(QString* error);

    // Newest first.
    std::optional<QVector<Row>> list(const ResultFilter& filter, bool withFigures, QString* error);
    // One test with everything stored for it; nothing and an empty `error`
    // when there is no such test.
    std::optional<TestResult> find(qint64 id, QString* error);
    std::optional<ResultStatistics> statistics(const ResultFilter& filter, QString* error);
    // Yield of the units the filter takes in (ResultYield).
    std::optional<QVector<YieldFigures>> yield(const ResultFilter& filter,
                                               ResultYield::Grouping by, QString* error);
    // Per station, its days (ResultYield::queryByStationAndDay).
    std::optional<std::map<QString, QVector<YieldFigures>>>
    yieldByStationAndDay(const ResultFilter& filter, QString* error);

    // Runs `query` on the store's connection (opened for reading first):
    // the queries of other readers (the line dashboard), always with bound
    // values. On error returns false and sets `error`.
    bool read(const std::function<bool(QSqlDatabase& db, QString* error)>& query, QString* error);

    // Tests: called inside each write's transaction, just before COMMIT.
    void setBeforeCommit(std::function<void()> hook) { m_beforeCommit = std::move(hook); }

private:
    struct Statements;

    bool connect(bool create, QString* error);
    void disconnect();
    bool writeOne(const TestResult& result, qint64* id, QString* error);
    bool insert(const TestResult& result, qint64* id, QString* error);
    bool exec(const QString& sql, QString* error);
    void rollback();
    QString failure(const QSqlQuery& query) const;
    bool limitsOf(const ResultFilter& filter, std::vector<ResultFigures::Limits>* limits,
                  QString* error);

    StoreLocation m_location;
    ResultSpool m_spool;
    std::unique_ptr<SqlConnection> m_connection;
    std::unique_ptr<Statements> m_statements;
    std::function<void()> m_beforeCommit;
};
