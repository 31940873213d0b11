#include "ResultYield.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <map>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

// `where` (a filter's " WHERE ..." or nothing) with one more condition.
QString withCondition(const QString& where, const QString& condition)
{
    return where.isEmpty() ? QStringLiteral(" WHERE ") + condition
                           : where + QStringLiteral(" AND ") + condition;
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

std::optional<QVector<YieldFigures>> ResultYield::query(QSqlDatabase& db,
                                                        const ResultFilter& filter, Grouping by,
                                                        QString* error)
{
    ResultFilter tests = filter;
    tests.verdict.clear();
    const QString key = groupKey(by, QStringLiteral("f"));
    // PostgreSQL groups by no constant.
    const QString grouped =
        by == Grouping::All ? QString() : QStringLiteral(" GROUP BY ") + key;
    // Each unit's first judged test (f) inside the filter, and its latest
    // judged test (l) before the filter's end.
    const QString latest =
        QStringLiteral("SELECT MAX(m.judged_attempt) FROM results m WHERE m.serial = f.serial%1")
            .arg(tests.beforeMs ? QStringLiteral(" AND m.started_ms < ?") : QString());
    QSqlQuery units(db);
    units.setForwardOnly(true);
    units.prepare(
        QStringLiteral("SELECT %1, COUNT(*), SUM(CASE WHEN f.verdict = 'pass' THEN 1 ELSE 0 END), "
                       "SUM(CASE WHEN l.verdict = 'pass' THEN 1 ELSE 0 END), "
                       "SUM(l.judged_attempt) FROM results f JOIN results l "
                       "ON l.serial = f.serial AND l.judged_attempt = (%2)%3%4")
            .arg(key, latest,
                 withCondition(tests.whereClause(QStringLiteral("f")),
                               QStringLiteral("f.judged_attempt = 1")),
                 grouped));
    if (tests.beforeMs)
        units.addBindValue(*tests.beforeMs);
    for (const QVariant& value : tests.values())
        units.addBindValue(value);
    if (!units.exec()) {
        *error = units.lastError().text().trimmed();
        return std::nullopt;
    }
    // Keyed by the group's name: days as ISO dates sort as they run.
    std::map<QString, YieldFigures> groups;
    while (units.next()) {
        YieldFigures& g = groups[groupName(by, units.value(0))];
        g.units = units.value(1).toLongLong();
        g.firstPass = units.value(2).toLongLong();
        g.finalPass = units.value(3).toLongLong();
        g.judgedTests = units.value(4).toLongLong();
    }
    units.finish();

    QSqlQuery aborted(db);
    aborted.setForwardOnly(true);
    aborted.prepare(QStringLiteral("SELECT %1, COUNT(*) FROM results f%2%3")
                        .arg(key,
                             withCondition(tests.whereClause(QStringLiteral("f")),
                                           QStringLiteral("f.verdict = 'aborted'")),
                             grouped));
    for (const QVariant& value : tests.values())
        aborted.addBindValue(value);
    if (!aborted.exec()) {
        *error = aborted.lastError().text().trimmed();
        return std::nullopt;
    }
    while (aborted.next())
        groups[groupName(by, aborted.value(0))].aborted = aborted.value(1).toLongLong();

    QVector<YieldFigures> result;
    if (by == Grouping::All && groups.empty())
        groups[QString()];
    for (auto& [name, figures] : groups) {
        figures.group = name;
        result.append(figures);
    }
    return result;
}
