#include "ResultYield.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

// `where` (a filter's " WHERE ..." or nothing) with one more condition.
QString withCondition(const QString& where, const QString& condition)
{
    return where.isEmpty() ? QStringLiteral(" WHERE ") + condition
                           : where + QStringLiteral(" AND ") + condition;
}

// The UTC day's number of a time as the store counts it (integer
// division, as in SQL): it grows with the time, so the filter's ends bound it.
qint64 dayOf(qint64 ms)
{
    return ms / kDayMs;
}

} // namespace

std::optional<ResultYield::Grouping> ResultYield::parseGrouping(const QString& text,
                                                                QString* error)
{
    if (text == QLatin1String("day"))
        return Grouping::Day;
    if (text == QLatin1String("station"))
        return Grouping::Station;
    if (text == QLatin1String("profile"))
        return Grouping::Profile;
    *error = tr("--by is day, station or profile, not \"%1\".").arg(text);
    return std::nullopt;
}

QString ResultYield::groupKey(Grouping by, const QString& table)
{
    switch (by) {
    case Grouping::Day:
        // Integer division on both engines: the UTC day's number.
        return QStringLiteral("%1.started_ms / %2").arg(table).arg(kDayMs);
    case Grouping::Station:
        return table + QStringLiteral(".station");
    case Grouping::Profile:
        return QStringLiteral("COALESCE(%1.profile_name, '')").arg(table);
    case Grouping::All:
        break;
    }
    return QStringLiteral("''");
}

QString ResultYield::groupName(Grouping by, const QVariant& key)
{
    if (by == Grouping::Day)
        return QDateTime::fromMSecsSinceEpoch(key.toLongLong() * kDayMs, Qt::UTC)
            .date()
            .toString(Qt::ISODate);
    if (by == Grouping::All)
        return QString();
    return key.toString();
}

// A unit's row has its day's number as a column of its own.
QString ResultYield::keyOf(Grouping by, const QString& table)
{
    return by == Grouping::Day && table == QLatin1String("u") ? QStringLiteral("u.day")
                                                              : groupKey(by, table);
}

// Days first, in the order of the units' index. PostgreSQL groups by no
// constant.
QString ResultYield::groupBy(Grouping outer, Grouping inner, const QString& table)
{
    QStringList by;
    for (const Grouping g : {outer, inner})
        if (g == Grouping::Day)
            by.prepend(keyOf(g, table));
        else if (g != Grouping::All)
            by << keyOf(g, table);
    return by.isEmpty() ? QString() : QStringLiteral(" GROUP BY ") + by.join(QLatin1String(", "));
}

QString ResultYield::unitsQuery(const ResultFilter& tests, Grouping outer, Grouping inner,
                                QVariantList* values)
{
    // A unit's final verdict and judged tests from its row, unless it was
    // tested again after the filter's end: then from its latest judged
    // test started before it.
    QString finalPass = QStringLiteral("u.latest_pass");
    QString judged = QStringLiteral("u.judged");
    if (tests.beforeMs) {
        const QString latest = QStringLiteral("SELECT MAX(m.judged_attempt) FROM results m "
                                              "WHERE m.serial = u.serial AND m.started_ms < ?");
        finalPass = QStringLiteral("CASE WHEN u.latest_ms < ? THEN u.latest_pass ELSE (SELECT "
                                   "CASE WHEN l.verdict = 'pass' THEN 1 ELSE 0 END FROM results l "
                                   "WHERE l.serial = u.serial AND l.judged_attempt = (%1)) END")
                        .arg(latest);
        judged = QStringLiteral("CASE WHEN u.latest_ms < ? THEN u.judged ELSE (%1) END").arg(latest);
        *values << *tests.beforeMs << *tests.beforeMs << *tests.beforeMs << *tests.beforeMs;
    }
    *values << tests.values();
    // The days the filter's ends imply, for the units' index.
    QString where = tests.whereClause(QStringLiteral("u"));
    if (tests.sinceMs) {
        where = withCondition(where, QStringLiteral("u.day >= ?"));
        *values << dayOf(*tests.sinceMs);
    }
    if (tests.beforeMs) {
        where = withCondition(where, QStringLiteral("u.day <= ?"));
        *values << dayOf(*tests.beforeMs - 1);
    }
    return QStringLiteral("SELECT %1, %2, COUNT(*), SUM(u.first_pass), SUM(%3), SUM(%4) "
                          "FROM units u%5%6")
        .arg(keyOf(outer, QStringLiteral("u")), keyOf(inner, QStringLiteral("u")), finalPass,
             judged, where, groupBy(outer, inner, QStringLiteral("u")));
}

bool ResultYield::count(QSqlDatabase& db, const ResultFilter& filter, Grouping outer,
                        Grouping inner, Groups* groups, QString* error)
{
    ResultFilter tests = filter;
    tests.verdict.clear();
    QVariantList values;
    const QString sql = unitsQuery(tests, outer, inner, &values);
    QSqlQuery units(db);
    units.setForwardOnly(true);
    units.prepare(sql);
    for (const QVariant& value : values)
        units.addBindValue(value);
    if (!units.exec()) {
        *error = units.lastError().text().trimmed();
        return false;
    }
    while (units.next()) {
        YieldFigures& g = (*groups)[{groupName(outer, units.value(0)),
                                     groupName(inner, units.value(1))}];
        g.units = units.value(2).toLongLong();
        g.firstPass = units.value(3).toLongLong();
        g.finalPass = units.value(4).toLongLong();
        g.judgedTests = units.value(5).toLongLong();
    }
    units.finish();

    QSqlQuery aborted(db);
    aborted.setForwardOnly(true);
    aborted.prepare(QStringLiteral("SELECT %1, %2, COUNT(*) FROM results f%3%4")
                        .arg(keyOf(outer, QStringLiteral("f")), keyOf(inner, QStringLiteral("f")),
                             withCondition(tests.whereClause(QStringLiteral("f")),
                                           QStringLiteral("f.verdict = 'aborted'")),
                             groupBy(outer, inner, QStringLiteral("f"))));
    for (const QVariant& value : tests.values())
        aborted.addBindValue(value);
    if (!aborted.exec()) {
        *error = aborted.lastError().text().trimmed();
        return false;
    }
    while (aborted.next())
        (*groups)[{groupName(outer, aborted.value(0)), groupName(inner, aborted.value(1))}]
            .aborted = aborted.value(2).toLongLong();
    return true;
}

std::optional<QVector<YieldFigures>> ResultYield::query(QSqlDatabase& db,
                                                        const ResultFilter& filter, Grouping by,
                                                        QString* error)
{
    // Keyed by the group's name: days as ISO dates sort as they run.
    Groups groups;
    if (!count(db, filter, Grouping::All, by, &groups, error))
        return std::nullopt;
    QVector<YieldFigures> result;
    if (by == Grouping::All && groups.empty())
        groups[{}];
    for (auto& [names, figures] : groups) {
        figures.group = names.second;
        result.append(figures);
    }
    return result;
}

std::optional<std::map<QString, QVector<YieldFigures>>>
ResultYield::queryByStationAndDay(QSqlDatabase& db, const ResultFilter& filter, QString* error)
{
    Groups groups;
    if (!count(db, filter, Grouping::Station, Grouping::Day, &groups, error))
        return std::nullopt;
    std::map<QString, QVector<YieldFigures>> stations;
    for (auto& [names, figures] : groups) {
        figures.group = names.second;
        stations[names.first].append(figures);
    }
    return stations;
}
