#pragma once

#include "StoreLocation.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QString>

// The tables of a results store, the same on SQLite and PostgreSQL, with a
// version number and the forward migrations between versions:
//   1  results (one row per test, the report whole), items, profiles
//      (each profile once, by its SHA-256)
//   2  every figure of ResultFigures as a column of its own, filled from the
//      stored reports; indexes on (serial, start) and start
//   3  each test's attempt numbers per serial (AttemptNumbers), filled for
//      the stored tests; the views rotaprobe_tests and rotaprobe_items; an
//      index on (station, start)
//   4  the figures along the travel, over a revolution, over speed and of
//      the reference mark by direction as columns (ResultFigures::addedIn(4)),
//      filled from the stored reports; the views with them
//   5  the line dashboard's summaries: a row per unit (UnitSummary), tests
//      per day and station (DaySummary); indexes of the failed and the
//      aborted tests by start
// A migration runs in one transaction under a lock (an advisory lock on
// PostgreSQL, the write lock on SQLite), so stations that open a new or old
// store at once migrate it once.
class ResultSchema
{
    Q_DECLARE_TR_FUNCTIONS(ResultSchema)

public:
    static constexpr int kCurrentVersion = 5;

    // Brings the store to `target` (at most kCurrentVersion). A store newer
    // than this program is refused. On error returns false and sets `error`.
    static bool migrate(QSqlDatabase& db, StoreLocation::Engine engine, QString* error,
                        int target = kCurrentVersion);

    // Whether the store takes writes (a file may be readable only): a write
    // that is rolled back. On error returns false and sets `error`.
    static bool checkWritable(QSqlDatabase& db, QString* error);

    // The store's version; 0 when it has no tables yet, -1 on error.
    static int version(QSqlDatabase& db);

private:
    static bool createVersion1(QSqlDatabase& db, StoreLocation::Engine engine, QString* error);
    static bool addFigureColumns(QSqlDatabase& db, QString* error);
    static bool addTravelFigureColumns(QSqlDatabase& db, StoreLocation::Engine engine,
                                       QString* error);
    static bool addFiguresOfVersion(QSqlDatabase& db, int version, QString* error);
    static bool createViews(QSqlDatabase& db, StoreLocation::Engine engine, int version,
                            QString* error);
    static bool addLineSummaries(QSqlDatabase& db, QString* error);
    static void settleLineSummaries(QSqlDatabase& db);
    static bool exec(QSqlDatabase& db, const QString& sql, QString* error);
};
