#pragma once

#include "FinishedTest.h"
#include "ResultStore.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QStringList>

#include <memory>

// A program's link to the results history: the store is opened (and its
// spool delivered) before the first test, and each finished test is stored
// as one result, or spooled while the store cannot take it.
//
// Threads: the thread that prepared it, like the store it owns.
class ResultFiling
{
    Q_DECLARE_TR_FUNCTIONS(ResultFiling)

public:
    // `location`: as --db takes it; empty for the default file.
    explicit ResultFiling(const QString& location);
    ~ResultFiling();

    // A bad location or an unusable store is an error; `warnings` get what
    // the user should know (an unreachable server, a spool that could not
    // be delivered).
    bool prepare(QString* error, QStringList* warnings);

    struct Filed
    {
        ResultStore::Outcome outcome = ResultStore::Outcome::Lost;
        qint64 id = 0;   // when stored
        QString message; // a note when stored, a warning when spooled, else the error
    };
    Filed file(const FinishedTest& test);

    // The prepared store, for queries on the same thread; null before.
    ResultStore* store() const { return m_store.get(); }

    // What the store keeps of a test.
    static TestResult result(const FinishedTest& test);
    static QJsonObject configJson(const ConfigRecord& config);

private:
    QString m_location;
    std::unique_ptr<ResultStore> m_store;
};
