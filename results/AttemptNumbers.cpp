#include "AttemptNumbers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The first key of the two-key advisory locks that number one serial's
// tests; the second is the serial's hash.
constexpr int kSerialLockClass = 0x41747470; // "Attp"

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

bool AttemptNumbers::addColumns(QSqlDatabase& db, QString* error)
{
    // Window functions and UPDATE ... FROM: PostgreSQL, SQLite 3.33 and later.
    return run(db, QStringLiteral("ALTER TABLE results ADD COLUMN attempt INTEGER"), error) &&
           run(db, QStringLiteral("ALTER TABLE results ADD COLUMN judged_attempt INTEGER"),
               error) &&
           run(db,
               QStringLiteral(
                   "UPDATE results SET attempt = n.attempt, judged_attempt = n.judged FROM ("
                   " SELECT id,"
                   " ROW_NUMBER() OVER (PARTITION BY serial ORDER BY started_ms, id) AS attempt,"
                   " CASE WHEN verdict <> 'aborted' THEN ROW_NUMBER() OVER ("
                   "  PARTITION BY serial, verdict = 'aborted' ORDER BY started_ms, id) END"
                   "  AS judged"
                   " FROM results) n WHERE results.id = n.id"),
               error) &&
           // A unit's first judged test by its start (the yield's units),
           // and its latest judged test.
           run(db,
               QStringLiteral("CREATE INDEX results_first_judged ON results (started_ms) "
                              "WHERE judged_attempt = 1"),
               error) &&
           run(db,
               QStringLiteral("CREATE INDEX results_serial_judged ON results "
                              "(serial, judged_attempt)"),
               error);
}

bool AttemptNumbers::lockSerial(QSqlDatabase& db, const QString& serial, QString* error)
{
    QSqlQuery lock(db);
    lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?, hashtext(?))"));
    lock.addBindValue(kSerialLockClass);
    lock.addBindValue(serial);
    return run(lock, error);
}

bool AttemptNumbers::assign(QSqlDatabase& db, qint64 id, const QString& serial,
                            qint64 startedMs, bool judged, QString* error)
{
    // The serial's tests before this one (start, then id).
    QSqlQuery number(db);
    number.prepare(QStringLiteral(
        "UPDATE results SET"
        " attempt = 1 + (SELECT COUNT(*) FROM results e WHERE e.serial = ?"
        "  AND (e.started_ms < ? OR (e.started_ms = ? AND e.id < ?))),"
        " judged_attempt = CASE WHEN ? = 1 THEN 1 + (SELECT COUNT(*) FROM results e"
        "  WHERE e.serial = ? AND e.verdict <> 'aborted'"
        "  AND (e.started_ms < ? OR (e.started_ms = ? AND e.id < ?))) END"
        " WHERE id = ?"));
    number.addBindValue(serial);
    number.addBindValue(startedMs);
    number.addBindValue(startedMs);
    number.addBindValue(id);
    number.addBindValue(judged ? 1 : 0);
    number.addBindValue(serial);
    number.addBindValue(startedMs);
    number.addBindValue(startedMs);
    number.addBindValue(id);
    number.addBindValue(id);
    if (!run(number, error))
        return false;
    // The serial's tests after it move up by one (and their judged number
    // by one when this test was judged). Nothing to do for the newest test,
    // the usual case.
    QSqlQuery later(db);
    later.prepare(QStringLiteral(
        "UPDATE results SET attempt = attempt + 1, judged_attempt = judged_attempt + ?"
        " WHERE serial = ? AND (started_ms > ? OR (started_ms = ? AND id > ?))"));
    later.addBindValue(judged ? 1 : 0);
    later.addBindValue(serial);
    later.addBindValue(startedMs);
    later.addBindValue(startedMs);
    later.addBindValue(id);
    return run(later, error);
}
