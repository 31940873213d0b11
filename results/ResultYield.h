#pragma once

#include "ResultFilter.h"
#include "StoreLocation.h"
#include "YieldFigures.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QVector>

#include <map>

#include <optional>

// The yield of the tests a filter takes in (YieldFigures), in all or per
// UTC day, station or profile: a unit is counted where its first judged
// test falls (the filter applies to that test), its latest judged test is
// its latest one started before the filter's end. The filter's verdict is
// not used. Read from each unit's row (UnitSummary); a unit tested again
// after the filter's end is looked up in its tests (AttemptNumbers).
class ResultYield
{
    Q_DECLARE_TR_FUNCTIONS(ResultYield)

public:
    enum class Grouping
    {
        All,
        Day,
        Station,
        Profile
    };

    // "day", "station", "profile"; on error returns nothing and sets `error`.
    static std::optional<Grouping> parseGrouping(const QString& text, QString* error);

    // Groups in order of their key (days oldest first); for All one group,
    // even without units.
    static std::optional<QVector<YieldFigures>> query(QSqlDatabase& db, const ResultFilter& filter,
                                                      Grouping by, QString* error);

    // Per station, its days: for each station what query() by day gives
    // with the filter's station set to it, in one pass.
    static std::optional<std::map<QString, QVector<YieldFigures>>>
    queryByStationAndDay(QSqlDatabase& db, const ResultFilter& filter, QString* error);

private:
    // Figures keyed by the names of the outer and the inner group.
    using Groups = std::map<std::pair<QString, QString>, YieldFigures>;

    static bool count(QSqlDatabase& db, const ResultFilter& filter, Grouping outer,
                      Grouping inner, Groups* groups, QString* error);
    // The units' query (units u) with its values in order.
    static QString unitsQuery(const ResultFilter& tests, Grouping outer, Grouping inner,
                              QVariantList* values);
    static QString groupKey(Grouping by, const QString& table);
    static QString keyOf(Grouping by, const QString& table);
    static QString groupBy(Grouping outer, Grouping inner, const QString& table);
    static QString groupName(Grouping by, const QVariant& key);
};
