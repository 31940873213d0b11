#pragma once

#include <QSqlDatabase>
#include <QString>

// One row per unit (serial) in the table `units`, for the yield: its first
// judged test (start and its UTC day's number, station, profile, operator,
// whether it passed), its latest judged test (start, whether it passed) and
// how many judged tests it has. The yield reads a unit's row instead of looking up its tests.
//
// The store keeps it in the transaction of each judged test it stores, by
// counting the serial's row again from its tests: a result delivered late
// (which changes the serial's attempt numbers, and may become its first
// test) leaves the row as a count from scratch would. Aborted tests change
// nothing here.
class UnitSummary
{
public:
    // Schema version 5: the table, filled from the stored tests, and its
    // index by the first judged test's day and station.
    static bool create(QSqlDatabase& db, QString* error);

    // After the test of `serial` was numbered (AttemptNumbers::assign), in
    // the same transaction.
    static bool update(QSqlDatabase& db, const QString& serial, QString* error);
};
