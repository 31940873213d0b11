#pragma once

#include <QSqlDatabase>
#include <QString>

// Each stored test's attempt numbers, counted in the store per serial in
// the order of their start times (then their ids, for two tests started in
// the same millisecond):
//   attempt         the n-th test of the serial, aborted tests included
//   judged_attempt  the n-th test that ended pass or fail; none for an
//                   aborted test (yield counts units by their judged tests)
// A result delivered late (from a spool) is numbered by its start time like
// any other: it takes its place among the serial's tests, and the tests of
// that serial that started after it move up by one, in the same
// transaction. So the numbers of a serial are always 1..n in start order,
// and a query reads them from a column instead of counting the history.
class AttemptNumbers
{
public:
    // Schema version 3: adds both columns and fills them for the stored
    // tests in one statement; indexes for the yield queries.
    static bool addColumns(QSqlDatabase& db, QString* error);

    // Inside the transaction that inserted the test `id`, after its insert:
    // numbers it and moves the serial's later tests up. On PostgreSQL the
    // serial's numbering is serialised by an advisory lock held to the end
    // of the transaction (two stations storing the same serial at once);
    // SQLite's write lock, taken by the insert, does the same there.
    static bool assign(QSqlDatabase& db, qint64 id, const QString& serial, qint64 startedMs,
                       bool judged, QString* error);

    // Before the insert on PostgreSQL: the serial's lock (see assign).
    static bool lockSerial(QSqlDatabase& db, const QString& serial, QString* error);
};
