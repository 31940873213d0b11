#include "ResultStore.h"

#include "AttemptNumbers.h"
#include "DaySummary.h"
#include "ResultSchema.h"
#include "ToleranceProfile.h"
#include "UnitSummary.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QVariant>

#include <cmath>
#include <map>
#include <vector>

namespace {

// Seconds to wait for a PostgreSQL server before spooling, unless its URL
// sets connect_timeout.
constexpr int kConnectTimeoutS = 3;
// Milliseconds a SQLite writer waits for another one's lock.
constexpr int kBusyTimeoutMs = 10000;

QVariant optionalDouble(const std::optional<double>& value)
{
    return value ? QVariant(*value) : QVariant(QVariant::Double);
}

QVariant optionalText(const QString& text)
{
    return text.isEmpty() ? QVariant(QVariant::String) : QVariant(text);
}

// Qt SQL binds a null QString as NULL: an empty text must stay a text.
QVariant requiredText(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString compact(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString figureColumns()
{
    QStringList columns;
    for (const ResultFigures::Figure& figure : ResultFigures::all())
        columns << figure.column;
    return columns.join(QStringLiteral(", "));
}

} // namespace

// Prepared once per connection: a store writes the same statements for
// every test. The items of a test go in one statement (one per item count),
// and a profile is written once per connection: fewer round trips to a server.
// Dropped with the connection and after a rollback, which may have taken
// a profile written in it along.
struct ResultStore::Statements
{
    explicit Statements(QSqlDatabase& db) : profile(db), result(db), m_db(db) {}

    QSqlQuery& items(int count)
    {
        std::unique_ptr<QSqlQuery>& query = m_items[count];
        if (!query) {
            QStringList rows;
            for (int i = 0; i < count; ++i)
                rows << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?)");
            query = std::make_unique<QSqlQuery>(m_db);
            query->prepare(QStringLiteral("INSERT INTO items (result_id, position, name, "
                                          "limit_value, is_max, measured, value, pass) VALUES ") +
                           rows.join(QStringLiteral(", ")));
        }
        return *query;
    }

    QSqlQuery profile;
    QSqlQuery result;
    QSet<QString> profilesWritten;

private:
    QSqlDatabase m_db;
    std::map<int, std::unique_ptr<QSqlQuery>> m_items;
};

ResultStore::ResultStore(const StoreLocation& location, const QString& spoolPath)
    : m_location(location), m_spool(spoolPath)
{
}

ResultStore::~ResultStore()
{
    disconnect();
}

void ResultStore::disconnect()
{
    m_statements.reset();
    m_connection.reset();
}

bool ResultStore::connect(bool create, QString* error)
{
    const bool postgres = m_location.engine == StoreLocation::Engine::Postgres;
    // A file moved or deleted while open would still answer (or take writes
    // that are then lost): its path is what counts, so look again.
    if (m_connection && m_connection->db().isOpen() &&
        (postgres || QFileInfo::exists(m_location.filePath)))
        return true;
    disconnect();
    if (!postgres) {
        const QFileInfo file(m_location.filePath);
        if (!create && !file.exists()) {
            *error = tr("No results are stored at %1 (the file does not exist).")
                         .arg(m_location.filePath);
            return false;
        }
        if (create && !QDir().mkpath(file.absolutePath())) {
            *error = tr("Cannot create the folder %1.").arg(file.absolutePath());
            return false;
        }
    }
    m_connection = std::make_unique<SqlConnection>(postgres ? QStringLiteral("QPSQL")
                                                            : QStringLiteral("QSQLITE"));
    QSqlDatabase& db = m_connection->db();
    if (!db.isValid()) {
        *error = tr("The Qt SQL driver for %1 is not installed (Debian: %2).")
                     .arg(postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"),
                          postgres ? QStringLiteral("libqt5sql5-psql")
                                   : QStringLiteral("libqt5sql5-sqlite"));
        disconnect();
        return false;
    }
    if (postgres) {
        db.setDatabaseName(m_location.database);
        db.setUserName(m_location.user);
        db.setHostName(m_location.host);
        if (m_location.port > 0)
            db.setPort(m_location.port);
        db.setConnectOptions(m_location.connectOptions(kConnectTimeoutS));
    } else {
        db.setDatabaseName(m_location.filePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    if (!db.open()) {
        *error = postgres ? tr("Cannot reach the results server %1: %2")
                                .arg(m_location.display(), db.lastError().text().trimmed())
                          : tr("Cannot open the results file %1: %2")
                                .arg(m_location.filePath, db.lastError().text().trimmed());
        disconnect();
        return false;
    }
    // The server's notices ("already exists, skipping") would reach the
    // user's terminal through libpq.
    // The queries here are short: compiling one (PostgreSQL's JIT, on for
    // costly plans such as a month's yield at a million tests) took longer
    // than running it. A server without JIT refuses the setting; no harm.
    if (postgres) {
        QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
        QSqlQuery(db).exec(QStringLiteral("SET jit = off"));
    }
    QString schemaError;
    if (!ResultSchema::migrate(db, m_location.engine, &schemaError)) {
        *error = tr("The results store %1 cannot be used: %2")
                     .arg(m_location.display(), schemaError.trimmed());
        disconnect();
        return false;
    }
    return true;
}

bool ResultStore::openForWriting(QString* error, QStringList* warnings)
{
    if (m_location.unverifiedOverNetwork())
        warnings->append(tr("Warning: %1 is reached over the network without checking its "
                            "certificate, so the password may travel in clear text: add "
                            "sslmode=verify-full&sslrootcert=FILE to the URL.")
                             .arg(m_location.display()));
    QString connectError;
    if (!connect(true, &connectError)) {
        if (m_location.engine == StoreLocation::Engine::Sqlite) {
            *error = connectError;
            return false;
        }
        warnings->append(tr("Warning: %1. Results are kept in %2 until it can be reached.")
                             .arg(connectError, m_spool.path()));
        return true;
    }
    // Reachable but refusing writes (a read-only file, a user without the
    // right): a setting to fix before testing.
    QString writeError;
    if (!ResultSchema::checkWritable(m_connection->db(), &writeError)) {
        *error = tr("The results store %1 does not take results: %2")
                     .arg(m_location.display(), writeError);
        disconnect();
        return false;
    }
    QString spoolError;
    if (deliverSpool(&spoolError) < 0 || !spoolError.isEmpty())
        warnings->append(tr("Warning: %1").arg(spoolError));
    return true;
}

bool ResultStore::openForReading(QString* error)
{
    return connect(false, error);
}

QString ResultStore::failure(const QSqlQuery& query) const
{
    return query.lastError().text().trimmed();
}

bool ResultStore::exec(const QString& sql, QString* error)
{
    QSqlQuery query(m_connection->db());
    if (query.exec(sql))
        return true;
    *error = failure(query);
    return false;
}

// After a failed statement; a connection the server ended has nothing to roll back.
void ResultStore::rollback()
{
    m_statements.reset();
    if (!m_connection->db().isOpen() || m_connection->db().isOpenError())
        return;
    QString ignored;
    exec(QStringLiteral("ROLLBACK"), &ignored);
}

bool ResultStore::insert(const TestResult& result, qint64* id, QString* error)
{
    if (!m_statements) {
        m_statements = std::make_unique<Statements>(m_connection->db());
        m_statements->profile.prepare(QStringLiteral(
            "INSERT INTO profiles (sha256, json) VALUES (?, ?) ON CONFLICT (sha256) DO NOTHING"));
        QStringList marks;
        for (int i = 0; i < 13 + ResultFigures::all().size(); ++i)
            marks << QStringLiteral("?");
        m_statements->result.prepare(
            QStringLiteral("INSERT INTO results (uid, serial, started_ms, duration_s, station, "
                           "operator, program_version, tester_config, profile_name, "
                           "profile_sha256, verdict, verdict_reason, report, %1) VALUES (%2) "
                           "ON CONFLICT (uid) DO NOTHING RETURNING id")
                .arg(figureColumns(), marks.join(QStringLiteral(", "))));
    }
    if (!result.profileSha256.isEmpty() &&
        !m_statements->profilesWritten.contains(result.profileSha256)) {
        QSqlQuery& q = m_statements->profile;
        q.addBindValue(result.profileSha256);
        q.addBindValue(QString::fromUtf8(result.profileJson));
        if (!q.exec()) {
            *error = failure(q);
            return false;
        }
        m_statements->profilesWritten.insert(result.profileSha256);
    }
    if (m_location.engine == StoreLocation::Engine::Postgres &&
        !AttemptNumbers::lockSerial(m_connection->db(), result.serial, error))
        return false;
    QSqlQuery& q = m_statements->result;
    q.addBindValue(result.uid);
    q.addBindValue(requiredText(result.serial));
    q.addBindValue(result.startedAt.toMSecsSinceEpoch());
    q.addBindValue(result.durationS);
    q.addBindValue(requiredText(result.station));
    q.addBindValue(optionalText(result.operatorName));
    q.addBindValue(requiredText(result.programVersion));
    q.addBindValue(compact(result.testerConfig));
    q.addBindValue(optionalText(result.profileName));
    q.addBindValue(optionalText(result.profileSha256));
    q.addBindValue(requiredText(result.verdict));
    q.addBindValue(optionalText(result.verdictReason));
    q.addBindValue(compact(result.report));
    for (const ResultFigures::Figure& figure : ResultFigures::all())
        q.addBindValue(optionalDouble(ResultFigures::valueIn(result.report, figure)));
    if (!q.exec()) {
        *error = failure(q);
        return false;
    }
    if (!q.next()) {
        // Its uid is stored already: a delivery whose commit arrived but
        // whose answer did not. Stored once is stored.
        q.finish();
        *id = 0;
        return true;
    }
    *id = q.value(0).toLongLong();
    q.finish();
    const bool judged = result.verdict != QLatin1String("aborted");
    if (!AttemptNumbers::assign(m_connection->db(), *id, result.serial,
                                result.startedAt.toMSecsSinceEpoch(), judged, error) ||
        (judged && !UnitSummary::update(m_connection->db(), result.serial, error)) ||
        !DaySummary::add(m_connection->db(), result.startedAt.toMSecsSinceEpoch(),
                         result.station, result.profileName, result.operatorName, error))
        return false;
    if (result.items.isEmpty())
        return true;
    QSqlQuery& items = m_statements->items(result.items.size());
    int position = 0;
    for (const TestResult::Item& i : result.items) {
        items.addBindValue(*id);
        items.addBindValue(position++);
        items.addBindValue(i.name);
        items.addBindValue(i.limit);
        items.addBindValue(int(i.isMax));
        items.addBindValue(int(i.measured));
        items.addBindValue(i.measured ? QVariant(i.value) : QVariant(QVariant::Double));
        items.addBindValue(int(i.pass));
    }
    if (!items.exec()) {
        *error = failure(items);
        return false;
    }
    return true;
}

bool ResultStore::writeOne(const TestResult& result, qint64* id, QString* error)
{
    if (!exec(QStringLiteral("BEGIN"), error))
        return false;
    if (!insert(result, id, error)) {
        rollback();
        return false;
    }
    if (m_beforeCommit)
        m_beforeCommit();
    if (!exec(QStringLiteral("COMMIT"), error)) {
        rollback();
        return false;
    }
    return true;
}

int ResultStore::deliverSpool(QString* error)
{
    QString writeError;
    const int delivered = m_spool.deliver(
        m_location.spoolKey(),
        [&](const TestResult& result) {
            if (!connect(true, &writeError))
                return ResultSpool::Delivery::Stop;
            qint64 id = 0;
            if (!writeOne(result, &id, &writeError)) {
                disconnect();
                return ResultSpool::Delivery::Kept;
            }
            return ResultSpool::Delivery::Delivered;
        },
        error);
    if (error->isEmpty() && !writeError.isEmpty())
        *error = writeError;
    return delivered;
}

ResultStore::StoreOutcome ResultStore::store(const TestResult& result)
{
    StoreOutcome outcome;
    QString error;
    if (!result.isValid(&error)) {
        outcome.message = tr("Error: the result cannot be stored: %1").arg(error);
        return outcome;
    }
    if (connect(true, &error)) {
        QString spoolError;
        outcome.delivered = std::max(0, deliverSpool(&spoolError));
        if (connect(true, &error) && writeOne(result, &outcome.id, &error)) {
            outcome.outcome = Outcome::Stored;
            return outcome;
        }
    }
    disconnect();
    QString spoolError;
    if (m_spool.add(m_location.spoolKey(), result, &spoolError)) {
        outcome.outcome = Outcome::Spooled;
        outcome.message = tr("Warning: the result was not stored in %1 (%2). It is kept in %3 "
                             "and delivered on the next write.")
                              .arg(m_location.display(), error, m_spool.path());
        return outcome;
    }
    outcome.message = tr("Error: the result was not stored in %1 (%2), and the spool cannot "
                         "keep it either (%3).")
                          .arg(m_location.display(), error, spoolError);
    return outcome;
}

bool ResultStore::storeMany(const QVector<TestResult>& results, QString* error)
{
    if (!connect(true, error) || !exec(QStringLiteral("BEGIN"), error))
        return false;
    for (const TestResult& result : results) {
        qint64 id = 0;
        if (!insert(result, &id, error)) {
            rollback();
            return false;
        }
    }
    if (exec(QStringLiteral("COMMIT"), error))
        return true;
    m_statements.reset();
    return false;
}

std::optional<QVector<ResultStore::Row>> ResultStore::list(const ResultFilter& filter,
                                                           bool withFigures, QString* error)
{
    if (!connect(false, error))
        return std::nullopt;
    QSqlQuery q(m_connection->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, serial, started_ms, duration_s, station, operator, "
                             "program_version, profile_name, verdict, verdict_reason, attempt%1 "
                             "FROM results%2 ORDER BY started_ms DESC, id DESC%3")
                  .arg(withFigures ? QStringLiteral(", ") + figureColumns() : QString(),
                       filter.whereClause(),
                       filter.limit > 0 ? QStringLiteral(" LIMIT %1").arg(filter.limit)
                                        : QString()));
    for (const QVariant& value : filter.values())
        q.addBindValue(value);
    if (!q.exec()) {
        *error = failure(q);
        return std::nullopt;
    }
    QVector<Row> rows;
    while (q.next()) {
        Row row;
        row.id = q.value(0).toLongLong();
        row.serial = q.value(1).toString();
        row.startedAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
        row.durationS = q.value(3).toDouble();
        row.station = q.value(4).toString();
        row.operatorName = q.value(5).toString();
        row.programVersion = q.value(6).toString();
        row.profileName = q.value(7).toString();
        row.verdict = q.value(8).toString();
        row.verdictReason = q.value(9).toString();
        row.attempt = q.value(10).toInt();
        if (withFigures)
            for (int i = 0; i < ResultFigures::all().size(); ++i) {
                const QVariant v = q.value(11 + i);
                row.figures.append(v.isNull() ? std::nullopt : std::optional<double>(v.toDouble()));
            }
        rows.append(row);
    }
    return rows;
}

std::optional<TestResult> ResultStore::find(qint64 id, QString* error)
{
    if (!connect(false, error))
        return std::nullopt;
    QSqlQuery q(m_connection->db());
    q.prepare(QStringLiteral(
        "SELECT r.uid, r.serial, r.started_ms, r.duration_s, r.station, r.operator, "
        "r.program_version, r.tester_config, r.profile_name, r.profile_sha256, r.verdict, "
        "r.verdict_reason, r.report, p.json FROM results r "
        "LEFT JOIN profiles p ON p.sha256 = r.profile_sha256 WHERE r.id = ?"));
    q.addBindValue(id);
    if (!q.exec()) {
        *error = failure(q);
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    TestResult r;
    r.id = id;
    r.uid = q.value(0).toString();
    r.serial = q.value(1).toString();
    r.startedAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong(), Qt::UTC);
    r.durationS = q.value(3).toDouble();
    r.station = q.value(4).toString();
    r.operatorName = q.value(5).toString();
    r.programVersion = q.value(6).toString();
    r.testerConfig = QJsonDocument::fromJson(q.value(7).toString().toUtf8()).object();
    r.profileName = q.value(8).toString();
    r.profileSha256 = q.value(9).toString();
    r.verdict = q.value(10).toString();
    r.verdictReason = q.value(11).toString();
    r.report = QJsonDocument::fromJson(q.value(12).toString().toUtf8()).object();
    r.profileJson = q.value(13).toString().toUtf8();
    q.finish();

    QSqlQuery items(m_connection->db());
    items.prepare(QStringLiteral("SELECT name, limit_value, is_max, measured, value, pass "
                                 "FROM items WHERE result_id = ? ORDER BY position"));
    items.addBindValue(id);
    if (!items.exec()) {
        *error = failure(items);
        return std::nullopt;
    }
    while (items.next()) {
        TestResult::Item item;
        item.name = items.value(0).toString();
        item.limit = items.value(1).toDouble();
        item.isMax = items.value(2).toInt() != 0;
        item.measured = items.value(3).toInt() != 0;
        item.value = items.value(4).toDouble();
        item.pass = items.value(5).toInt() != 0;
        r.items.append(item);
    }
    return r;
}

// The limits of each figure, when every profile among the tests agrees on them.
bool ResultStore::limitsOf(const ResultFilter& filter, std::vector<ResultFigures::Limits>* limits,
                           QString* error)
{
    QSqlQuery q(m_connection->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT p.json FROM profiles p WHERE p.sha256 IN "
                             "(SELECT DISTINCT profile_sha256 FROM results%1)")
                  .arg(filter.whereClause()));
    for (const QVariant& value : filter.values())
        q.addBindValue(value);
    if (!q.exec()) {
        *error = failure(q);
        return false;
    }
    const QVector<ResultFigures::Figure>& figures = ResultFigures::all();
    const size_t n = size_t(figures.size());
    std::vector<ResultFigures::Limits> agreed(n);
    std::vector<bool> disagree(n, false);
    bool first = true;
    while (q.next()) {
        QString parseError;
        const auto profile = ToleranceProfile::parse(q.value(0).toString().toUtf8(), &parseError);
        for (size_t i = 0; i < n; ++i) {
            const ResultFigures::Limits these =
                profile ? ResultFigures::limitsOf(*profile, figures.at(int(i)).name)
                        : ResultFigures::Limits();
            if (first)
                agreed[i] = these;
            else if (these.lower != agreed[i].lower || these.upper != agreed[i].upper)
                disagree[i] = true;
        }
        first = false;
    }
    for (size_t i = 0; i < n; ++i)
        if (disagree[i])
            agreed[i] = ResultFigures::Limits();
    *limits = std::move(agreed);
    return true;
}

std::optional<ResultStatistics> ResultStore::statistics(const ResultFilter& filter, QString* error)
{
    if (!connect(false, error))
        return std::nullopt;
    const QVector<ResultFigures::Figure>& figures = ResultFigures::all();
    QStringList sums{QStringLiteral("COUNT(*)"),
                     QStringLiteral("SUM(CASE WHEN verdict = 'pass' THEN 1 ELSE 0 END)")};
    for (const ResultFigures::Figure& f : figures)
        sums << QStringLiteral("COUNT(%1), AVG(%1), MIN(%1), MAX(%1)").arg(f.column);
    QSqlQuery q(m_connection->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM results%2")
                  .arg(sums.join(QStringLiteral(", ")), filter.whereClause()));
    for (const QVariant& value : filter.values())
        q.addBindValue(value);
    if (!q.exec() || !q.next()) {
        *error = failure(q);
        return std::nullopt;
    }
    ResultStatistics stats;
    stats.count = q.value(0).toLongLong();
    stats.passed = q.value(1).toLongLong();
    QVector<qint64> counts;
    QVector<double> means, mins, maxes;
    for (int i = 0; i < figures.size(); ++i) {
        counts << q.value(2 + 4 * i).toLongLong();
        means << q.value(3 + 4 * i).toDouble();
        mins << q.value(4 + 4 * i).toDouble();
        maxes << q.value(5 + 4 * i).toDouble();
    }
    q.finish();

    // The squared deviations from each mean, in a second pass: a sum of
    // squares minus the squared sum loses the digits of a narrow spread.
    QStringList deviations;
    for (const ResultFigures::Figure& f : figures)
        deviations << QStringLiteral("SUM((%1 - ?) * (%1 - ?))").arg(f.column);
    QSqlQuery d(m_connection->db());
    d.setForwardOnly(true);
    d.prepare(QStringLiteral("SELECT %1 FROM results%2")
                  .arg(deviations.join(QStringLiteral(", ")), filter.whereClause()));
    for (int i = 0; i < figures.size(); ++i) {
        d.addBindValue(means.at(i));
        d.addBindValue(means.at(i));
    }
    for (const QVariant& value : filter.values())
        d.addBindValue(value);
    if (!d.exec() || !d.next()) {
        *error = failure(d);
        return std::nullopt;
    }
    std::vector<ResultFigures::Limits> limits;
    if (!limitsOf(filter, &limits, error))
        return std::nullopt;
    for (int i = 0; i < figures.size(); ++i) {
        if (counts.at(i) == 0)
            continue;
        stats.figures.append(ResultStatistics::summarize(
            figures.at(i).name, counts.at(i), means.at(i), d.value(i).toDouble(), mins.at(i),
            maxes.at(i), limits[size_t(i)].lower, limits[size_t(i)].upper));
    }
    return stats;
}

std::optional<QVector<YieldFigures>> ResultStore::yield(const ResultFilter& filter,
                                                        ResultYield::Grouping by, QString* error)
{
    if (!connect(false, error))
        return std::nullopt;
    return ResultYield::query(m_connection->db(), filter, by, error);
}

std::optional<std::map<QString, QVector<YieldFigures>>>
ResultStore::yieldByStationAndDay(const ResultFilter& filter, QString* error)
{
    if (!connect(false, error))
        return std::nullopt;
    return ResultYield::queryByStationAndDay(m_connection->db(), filter, error);
}

bool ResultStore::read(const std::function<bool(QSqlDatabase&, QString*)>& query, QString* error)
{
    if (!connect(false, error))
        return false;
    // A connection the server ended reads as closed (Qt's PostgreSQL
    // driver asks libpq), so the next query connects again.
    return query(m_connection->db(), error);
}
