#include "ResultSchema.h"

#include "AttemptNumbers.h"
#include "DaySummary.h"
#include "ResultFigures.h"
#include "UnitSummary.h"

#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The advisory lock that serialises migrations of one PostgreSQL database.
constexpr qint64 kMigrationLock = 0x526f7461; // "Rota"

} // namespace

bool ResultSchema::exec(QSqlDatabase& db, const QString& sql, QString* error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = query.lastError().text();
    return false;
}

bool ResultSchema::checkWritable(QSqlDatabase& db, QString* error)
{
    if (!exec(db, QStringLiteral("BEGIN"), error))
        return false;
    const bool written =
        exec(db, QStringLiteral("UPDATE schema_version SET version = version"), error);
    QString ignored;
    exec(db, QStringLiteral("ROLLBACK"), &ignored);
    return written;
}

int ResultSchema::version(QSqlDatabase& db)
{
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return 0;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        return -1;
    return query.value(0).isNull() ? 0 : query.value(0).toInt();
}

bool ResultSchema::migrate(QSqlDatabase& db, StoreLocation::Engine engine, QString* error,
                           int target)
{
    // Up to date: nothing to write, so a store that is only readable can
    // still be read.
    if (version(db) == target && target == kCurrentVersion)
        return true;
    const bool postgres = engine == StoreLocation::Engine::Postgres;
    // SQLite: BEGIN IMMEDIATE takes the write lock at once, so two programs
    // cannot both read version 0 and both create the tables.
    if (!exec(db, postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    const auto fail = [&db] {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    };
    if (postgres &&
        !exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock), error))
        return fail();
    if (!exec(
            db,
            QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"),
            error))
        return fail();
    int current = version(db);
    if (current < 0) {
        *error = tr("Cannot read the schema version: %1").arg(db.lastError().text());
        return fail();
    }
    if (current > kCurrentVersion) {
        *error = tr("The results store has schema version %1; this program knows up to %2. "
                    "Update Rotaprobe.")
                     .arg(current)
                     .arg(kCurrentVersion);
        return fail();
    }
    if (current == 0 && target >= 1) {
        if (!createVersion1(db, engine, error))
            return fail();
        current = 1;
    }
    if (current == 1 && target >= 2) {
        if (!addFigureColumns(db, error))
            return fail();
        current = 2;
    }
    if (current == 2 && target >= 3) {
        if (!AttemptNumbers::addColumns(db, error) || !createViews(db, engine, 3, error) ||
            !exec(db,
                  QStringLiteral("CREATE INDEX results_station ON results (station, started_ms)"),
                  error))
            return fail();
        current = 3;
    }
    if (current == 3 && target >= 4) {
        if (!addTravelFigureColumns(db, engine, error))
            return fail();
        current = 4;
    }
    const bool summariesAdded = current == 4 && target >= 5;
    if (summariesAdded) {
        if (!addLineSummaries(db, error))
            return fail();
        current = 5;
    }
    if (!exec(db, QStringLiteral("DELETE FROM schema_version"), error))
        return fail();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
    insert.addBindValue(current);
    if (!insert.exec()) {
        *error = insert.lastError().text();
        return fail();
    }
    if (!exec(db, QStringLiteral("COMMIT"), error))
        return fail();
    if (postgres && summariesAdded)
        settleLineSummaries(db);
    return true;
}

bool ResultSchema::createVersion1(QSqlDatabase& db, StoreLocation::Engine engine, QString* error)
{
    const QString key = engine == StoreLocation::Engine::Postgres
                            ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                            : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString statements[] = {
        QStringLiteral("CREATE TABLE profiles ("
                       " sha256 TEXT PRIMARY KEY,"
                       " json TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE results ("
                       " id %1,"
                       " uid TEXT NOT NULL UNIQUE,"
                       " serial TEXT NOT NULL,"
                       " started_ms BIGINT NOT NULL,"
                       " duration_s DOUBLE PRECISION NOT NULL,"
                       " station TEXT NOT NULL,"
                       " operator TEXT,"
                       " program_version TEXT NOT NULL,"
                       " tester_config TEXT NOT NULL,"
                       " profile_name TEXT,"
                       " profile_sha256 TEXT REFERENCES profiles (sha256),"
                       " verdict TEXT NOT NULL CHECK (verdict IN ('pass', 'fail', 'aborted')),"
                       " verdict_reason TEXT,"
                       " report TEXT NOT NULL)")
            .arg(key),
        QStringLiteral("CREATE TABLE items ("
                       " result_id BIGINT NOT NULL REFERENCES results (id),"
                       " position INTEGER NOT NULL,"
                       " name TEXT NOT NULL,"
                       " limit_value DOUBLE PRECISION NOT NULL,"
                       " is_max INTEGER NOT NULL,"
                       " measured INTEGER NOT NULL,"
                       " value DOUBLE PRECISION,"
                       " pass INTEGER NOT NULL)"),
        QStringLiteral("CREATE INDEX items_result ON items (result_id)"),
    };
    for (const QString& sql : statements)
        if (!exec(db, sql, error))
            return false;
    return true;
}

// Version 2: the figures as columns, filled from the reports already stored.
bool ResultSchema::addFigureColumns(QSqlDatabase& db, QString* error)
{
    return addFiguresOfVersion(db, 2, error) &&
           exec(db, QStringLiteral("CREATE INDEX results_serial ON results (serial, started_ms)"),
                error) &&
           exec(db, QStringLiteral("CREATE INDEX results_started ON results (started_ms)"), error);
}

// Version 4: the figures along the travel, over a revolution, over speed and
// of the reference mark by direction, filled from the stored reports that
// have them; the views show them too.
bool ResultSchema::addTravelFigureColumns(QSqlDatabase& db, StoreLocation::Engine engine,
                                          QString* error)
{
    return addFiguresOfVersion(db, 4, error) && createViews(db, engine, 4, error);
}

// The columns of the figures `version` added, filled from the stored
// reports. Only rows with a value of them are written: a store of tests
// that never had those sections is left as it is.
bool ResultSchema::addFiguresOfVersion(QSqlDatabase& db, int version, QString* error)
{
    const QVector<ResultFigures::Figure> figures = ResultFigures::addedIn(version);
    for (const ResultFigures::Figure& figure : figures)
        if (!exec(db,
                  QStringLiteral("ALTER TABLE results ADD COLUMN %1 DOUBLE PRECISION")
                      .arg(figure.column),
                  error))
            return false;

    QSqlQuery reports(db);
    reports.setForwardOnly(true);
    if (!reports.exec(QStringLiteral("SELECT id, report FROM results ORDER BY id"))) {
        *error = reports.lastError().text();
        return false;
    }
    // Read all first: SQLite cannot update rows under an open cursor on
    // every driver version. Only the values are kept, not the reports.
    QVector<QPair<qint64, QVector<QVariant>>> rows;
    while (reports.next()) {
        const QJsonObject report =
            QJsonDocument::fromJson(reports.value(1).toString().toUtf8()).object();
        QVector<QVariant> values;
        bool any = false;
        for (const ResultFigures::Figure& figure : figures) {
            const std::optional<double> value = ResultFigures::valueIn(report, figure);
            any = any || value.has_value();
            values.append(value ? QVariant(*value) : QVariant(QVariant::Double));
        }
        if (any)
            rows.append({reports.value(0).toLongLong(), values});
    }
    reports.finish();
    QStringList assignments;
    for (const ResultFigures::Figure& figure : figures)
        assignments << figure.column + QStringLiteral(" = ?");
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE results SET %1 WHERE id = ?")
                       .arg(assignments.join(QStringLiteral(", "))));
    for (const auto& [id, values] : rows) {
        for (const QVariant& value : values)
            update.addBindValue(value);
        update.addBindValue(id);
        if (!update.exec()) {
            *error = update.lastError().text();
            return false;
        }
    }
    return true;
}

// Views for a plant's own tools (Grafana, Metabase): the tests without the
// stored report, with their start as a time, and their items with the
// test's facts. Made again by any migration that adds a figure column, with
// the figures a store of `version` has.
bool ResultSchema::createViews(QSqlDatabase& db, StoreLocation::Engine engine, int version,
                               QString* error)
{
    const QString started = engine == StoreLocation::Engine::Postgres
                                ? QStringLiteral("to_timestamp(r.started_ms / 1000.0)")
                                : QStringLiteral("strftime('%Y-%m-%dT%H:%M:%fZ', "
                                                 "r.started_ms / 1000.0, 'unixepoch')");
    QStringList figures;
    for (const ResultFigures::Figure& figure : ResultFigures::upTo(version))
        figures << QStringLiteral("r.") + figure.column;
    return exec(db, QStringLiteral("DROP VIEW IF EXISTS rotaprobe_items"), error) &&
           exec(db, QStringLiteral("DROP VIEW IF EXISTS rotaprobe_tests"), error) &&
           exec(db,
                QStringLiteral("CREATE VIEW rotaprobe_tests AS SELECT r.id, r.uid, r.serial, "
                               "%1 AS started_at, r.started_ms, r.duration_s, r.station, "
                               "r.operator, r.program_version, r.profile_name, r.profile_sha256, "
                               "r.verdict, r.verdict_reason, r.attempt, r.judged_attempt, %2 "
                               "FROM results r")
                    .arg(started, figures.join(QStringLiteral(", "))),
                error) &&
           exec(db,
                QStringLiteral("CREATE VIEW rotaprobe_items AS SELECT i.result_id, r.serial, "
                               "%1 AS started_at, r.station, r.profile_name, r.verdict, "
                               "r.attempt, i.position, i.name, i.limit_value, i.is_max, "
                               "i.measured, i.value, i.pass "
                               "FROM items i JOIN results r ON r.id = i.result_id")
                    .arg(started),
                error);
}

// PostgreSQL, after the summaries were filled: their statistics for the
// planner, and their pages marked visible, so the yield reads its index
// alone from the start instead of after the server's next autovacuum.
// Outside the migration's transaction (VACUUM cannot run in one); a role
// that may not vacuum leaves it to autovacuum.
void ResultSchema::settleLineSummaries(QSqlDatabase& db)
{
    QString ignored;
    exec(db, QStringLiteral("VACUUM (ANALYZE) units"), &ignored);
    exec(db, QStringLiteral("VACUUM (ANALYZE) station_days"), &ignored);
}

// Version 5: what the line dashboard reads at a million tests: each unit's
// yield (UnitSummary), the tests per day and station (DaySummary), and the
// failed and aborted tests by their start.
bool ResultSchema::addLineSummaries(QSqlDatabase& db, QString* error)
{
    return UnitSummary::create(db, error) && DaySummary::create(db, error) &&
           exec(db,
                QStringLiteral("CREATE INDEX results_failed ON results (started_ms) "
                               "WHERE verdict = 'fail'"),
                error) &&
           exec(db,
                QStringLiteral("CREATE INDEX results_aborted ON results (started_ms) "
                               "WHERE verdict = 'aborted'"),
                error);
}
