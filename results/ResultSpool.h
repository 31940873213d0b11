#pragma once

#include "SqlConnection.h"
#include "TestResult.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

// Results that could not reach their store, in a local SQLite file, each
// under the location it was meant for. An entry leaves the spool only after
// its store confirmed it (committed); a store that already has it (a commit
// whose answer was lost) confirms it without storing it again, since
// results are keyed by their uid. Several programs may share one spool.
//
// Threads: one thread per object (see SqlConnection).
class ResultSpool
{
    Q_DECLARE_TR_FUNCTIONS(ResultSpool)

public:
    enum class Delivery
    {
        Delivered, // committed in the store: the entry leaves the spool
        Kept,      // the store refused it: kept, go on with the next one
        Stop       // the store is out of reach: kept, and so are the rest
    };

    explicit ResultSpool(const QString& path);

    const QString& path() const { return m_path; }

    // Keeps `result` for `location`; on error returns false and sets `error`.
    bool add(const QString& location, const TestResult& result, QString* error);

    // Hands each entry for `location` to `deliver`, oldest first, and removes
    // it once delivered; one the store refuses stays without holding up the
    // rest. Returns how many were delivered, -1 when the spool cannot be read
    // (with `error`).
    int deliver(const QString& location, const std::function<Delivery(const TestResult&)>& deliver,
                QString* error);

    // Entries waiting for `location` (-1: cannot read; none when the file does not exist).
    int pending(const QString& location);

private:
    bool open(bool create, QString* error);

    QString m_path;
    std::unique_ptr<SqlConnection> m_connection;
};
