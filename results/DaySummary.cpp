#include "DaySummary.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

bool run(QSqlQuery& query, QString* error)
{
    if (query.exec())
        return true;
    *error = query.lastError().text().trimmed();
    return false;
}

bool run(QSqlDatabase& db, const QString& sql, QString* error)
{
    QSqlQuery query(db);
    return query.exec(sql) || (*error = query.lastError().text().trimmed(), false);
}

} // namespace

bool DaySummary::create(QSqlDatabase& db, QString* error)
{
    return run(db,
               QStringLiteral("CREATE TABLE station_days ("
                              " day BIGINT NOT NULL,"
                              " station TEXT NOT NULL,"
                              " profile_name TEXT NOT NULL,"
                              " operator TEXT NOT NULL,"
                              " tests BIGINT NOT NULL,"
                              " PRIMARY KEY (day, station, profile_name, operator))"),
               error) &&
           run(db,
               QStringLiteral("INSERT INTO station_days (day, station, profile_name, operator, "
                              "tests) SELECT started_ms / %1, station, COALESCE(profile_name, ''), "
                              "COALESCE(operator, ''), COUNT(*) FROM results GROUP BY "
                              "started_ms / %1, station, COALESCE(profile_name, ''), "
                              "COALESCE(operator, '')")
                   .arg(kDayMs),
               error);
}

bool DaySummary::add(QSqlDatabase& db, qint64 startedMs, const QString& station,
                     const QString& profile, const QString& operatorName, QString* error)
{
    QSqlQuery add(db);
    add.prepare(QStringLiteral(
        "INSERT INTO station_days (day, station, profile_name, operator, tests) "
        "VALUES (?, ?, ?, ?, 1) ON CONFLICT (day, station, profile_name, operator) "
        "DO UPDATE SET tests = station_days.tests + 1"));
    // Qt SQL binds a null QString as NULL.
    const auto text = [](const QString& s) { return s.isNull() ? QStringLiteral("") : s; };
    add.addBindValue(startedMs / kDayMs);
    add.addBindValue(text(station));
    add.addBindValue(text(profile));
    add.addBindValue(text(operatorName));
    return run(add, error);
}

std::optional<QString> DaySummary::distinct(const ResultFilter& filter, const QString& column,
                                            int cap, QVariantList* values)
{
    if (!filter.serial.isEmpty() || !filter.verdict.isEmpty() ||
        (filter.sinceMs && *filter.sinceMs % kDayMs != 0) ||
        (filter.beforeMs && *filter.beforeMs % kDayMs != 0))
        return std::nullopt;
    QStringList conditions;
    values->clear();
    if (filter.sinceMs) {
        conditions << QStringLiteral("day >= ?");
        *values << *filter.sinceMs / kDayMs;
    }
    if (filter.beforeMs) {
        conditions << QStringLiteral("day < ?");
        *values << *filter.beforeMs / kDayMs;
    }
    const std::pair<const char*, QString> equal[] = {{"station", filter.station},
                                                     {"profile_name", filter.profile},
                                                     {"operator", filter.operatorName}};
    for (const auto& [name, value] : equal)
        if (!value.isEmpty()) {
            conditions << QLatin1String(name) + QStringLiteral(" = ?");
            *values << value;
        }
    // A test without a profile or operator is no value of the list.
    if (column != QLatin1String("station"))
        conditions << column + QStringLiteral(" <> ''");
    return QStringLiteral("SELECT DISTINCT %1 FROM station_days WHERE %2 ORDER BY %1 LIMIT %3")
        .arg(column, conditions.join(QStringLiteral(" AND ")))
        .arg(cap);
}
