#include "UnitSummary.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Each unit's row from its tests: the judged test numbered 1 and the one
// with the highest judged number; `%1` further narrows the units.
const char* const kCount =
    "INSERT INTO units (serial, started_ms, day, station, profile_name, operator, first_pass,"
    " latest_ms, latest_pass, judged)"
    " SELECT f.serial, f.started_ms, f.started_ms / 86400000, f.station, f.profile_name,"
    " f.operator,"
    " CASE WHEN f.verdict = 'pass' THEN 1 ELSE 0 END, l.started_ms,"
    " CASE WHEN l.verdict = 'pass' THEN 1 ELSE 0 END, l.judged_attempt"
    " FROM results f JOIN results l ON l.serial = f.serial AND l.judged_attempt ="
    " (SELECT MAX(m.judged_attempt) FROM results m WHERE m.serial = f.serial)"
    " WHERE f.judged_attempt = 1%1";

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
    if (query.exec(sql))
        return true;
    *error = query.lastError().text().trimmed();
    return false;
}

} // namespace

bool UnitSummary::create(QSqlDatabase& db, QString* error)
{
    // In the order of the first tests: PostgreSQL reads a range of days from
    // neighbouring pages.
    return run(db,
               QStringLiteral("CREATE TABLE units ("
                              " serial TEXT PRIMARY KEY,"
                              " started_ms BIGINT NOT NULL,"
                              " day BIGINT NOT NULL,"
                              " station TEXT NOT NULL,"
                              " profile_name TEXT,"
                              " operator TEXT,"
                              " first_pass INTEGER NOT NULL,"
                              " latest_ms BIGINT NOT NULL,"
                              " latest_pass INTEGER NOT NULL,"
                              " judged INTEGER NOT NULL)"),
               error) &&
           run(db, QLatin1String(kCount).arg(QStringLiteral(" ORDER BY f.started_ms")), error) &&
           // The yield's questions answered from the index alone, in the
           // order of their groups (days, then stations): SQLite sorts
           // nothing.
           run(db,
               QStringLiteral("CREATE INDEX units_day ON units (day, station, started_ms, "
                              "profile_name, operator, first_pass, latest_ms, latest_pass, "
                              "judged, serial)"),
               error);
}

bool UnitSummary::update(QSqlDatabase& db, const QString& serial, QString* error)
{
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM units WHERE serial = ?"));
    remove.addBindValue(serial);
    if (!run(remove, error))
        return false;
    QSqlQuery count(db);
    count.prepare(QLatin1String(kCount).arg(QStringLiteral(" AND f.serial = ?")));
    count.addBindValue(serial);
    return run(count, error);
}
