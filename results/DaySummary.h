#pragma once

#include "ResultFilter.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <optional>

// Tests per UTC day, station, profile and operator in the table
// `station_days` (no profile or operator: an empty text), for the lists of
// what a range of days holds (the line dashboard's stations, profiles and
// operators): a month reads some hundred rows instead of every test in it.
// The store adds each test it stores in that test's transaction, one
// delivered late from a spool too (counts only grow).
class DaySummary
{
public:
    // Schema version 5: the table, filled from the stored tests.
    static bool create(QSqlDatabase& db, QString* error);

    // After the test's insert, in the same transaction.
    static bool add(QSqlDatabase& db, qint64 startedMs, const QString& station,
                    const QString& profile, const QString& operatorName, QString* error);

    // The query of the distinct values of `column` (station, profile_name,
    // operator) among the tests `filter` takes in, in order, at most `cap`,
    // with its values in `values`; nothing when the table cannot tell (a
    // serial or a verdict asked for, an end within a day).
    static std::optional<QString> distinct(const ResultFilter& filter, const QString& column,
                                           int cap, QVariantList* values);
};
