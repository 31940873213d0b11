// The results store on SQLite, and what needs no server: locations, the
// migration from the first schema, filters at the edges of a day,
// statistics against hand-computed figures, and the spool when the store
// cannot take a result (read-only or corrupt file, unreachable server),
// delivered exactly once.
#include "ResultSchema.h"
#include "ResultSpool.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"
#include "StoreLocation.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QDateTime utc(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs).toUTC();
}

// Root ignores file modes: while it lives, the process acts as "nobody"
// for file access, so a read-only file is read-only. (On Windows the
// read-only attribute holds for everyone: nothing to do.)
#ifdef Q_OS_WIN
class AsUnprivileged
{
public:
    AsUnprivileged() {}
};
#else
class AsUnprivileged
{
public:
    AsUnprivileged() : m_root(geteuid() == 0)
    {
        if (m_root && seteuid(65534) != 0)
            qFatal("seteuid");
    }
    ~AsUnprivileged()
    {
        if (m_root && seteuid(0) != 0)
            qFatal("seteuid back");
    }

private:
    bool m_root;
};
#endif

} // namespace

class tst_Results : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void locationsAreParsed_data();
    void locationsAreParsed();
    void connectionSettingsAreChecked_data();
    void connectionSettingsAreChecked();
    void migrationFromTheFirstSchema();
    void travelFiguresAreColumns();
    void filtersTakeWholeDays();
    void statisticsOfAKnownSample();
    void unusableFileIsAnErrorAndSpoolsTheResult_data();
    void unusableFileIsAnErrorAndSpoolsTheResult();
#ifndef Q_OS_WIN // Windows does not let an open file be moved
    void fileMovedAwayWhileOpen();
#endif
    void unreachableServerSpools();
    void spoolDeliversOnceWhenTheAnswerWasLost();
    void spoolKeepsWhatTheStoreRefuses();

private:
    StoreLocation sqlite(const QString& name) const;
    qint64 count(const StoreLocation& location, const QString& where = QString());
    static QStringList matching(ResultStore& store, const QStringList& pairs);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_spool;
};

void tst_Results::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    // Reachable by "nobody" too (AsUnprivileged).
    QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777));
    m_spool = m_dir->filePath(QStringLiteral("spool/spool.sqlite"));
}

StoreLocation tst_Results::sqlite(const QString& name) const
{
    QString error;
    return *StoreLocation::parse(m_dir->filePath(name), &error);
}

qint64 tst_Results::count(const StoreLocation& location, const QString& where)
{
    SqlConnection connection(QStringLiteral("QSQLITE"));
    connection.db().setDatabaseName(location.filePath);
    if (!connection.db().open())
        return -1;
    QSqlQuery q(connection.db());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM results ") + where) || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

void tst_Results::locationsAreParsed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("postgres");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::newRow("default file") << "" << true << false << ""
                                  << "" << 0 << "";
    QTest::newRow("tcp") << "postgresql://line@db.example:6543/results" << true << true << "line"
                         << "db.example" << 6543 << "results";
    QTest::newRow("socket") << "postgresql:///results?host=/run/pg%20x" << true << true << ""
                            << "/run/pg x" << 0 << "results";
    QTest::newRow("short scheme") << "postgres://u@h/d" << true << true << "u"
                                  << "h" << 0 << "d";
    QTest::newRow("password") << "postgresql://line:secret@db/results" << false;
    QTest::newRow("empty password") << "postgresql://line:@db/results" << false;
    QTest::newRow("no database") << "postgresql://line@db/" << false;
    QTest::newRow("path below database") << "postgresql://line@db/a/b" << false;
    QTest::newRow("port zero") << "postgresql://line@db:0/results" << false;
    QTest::newRow("port too big") << "postgresql://line@db:70000/results" << false;
    QTest::newRow("unknown parameter") << "postgresql://db/results?gssencmode=disable" << false;
    QTest::newRow("host parameter not a folder") << "postgresql:///results?host=db" << false;
    QTest::newRow("encoded line break") << "postgresql://db/res%0Aults" << false;
    QTest::newRow("two hosts") << "postgresql://db/results?host=/tmp" << false;
    QTest::newRow("password parameter") << "postgresql:///results?host=/tmp&password=x" << false;
    QTest::newRow("other scheme") << "mysql://db/results" << false;
    QTest::newRow("control character") << "results\n.sqlite" << false;
}

void tst_Results::locationsAreParsed()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QString error;
    const auto location = StoreLocation::parse(text, &error);
    QCOMPARE(location.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (!valid) {
        if (text.contains(QLatin1String(":secret@")))
            QVERIFY2(error.contains(QLatin1String(".pgpass")) && !error.contains("secret"),
                     qPrintable(error));
        return;
    }
    QFETCH(bool, postgres);
    QCOMPARE(location->engine == StoreLocation::Engine::Postgres, postgres);
    if (!postgres) {
        QCOMPARE(location->filePath, StoreLocation::defaultPath());
        return;
    }
    QFETCH(QString, user);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, database);
    QCOMPARE(location->user, user);
    QCOMPARE(location->host, host);
    QCOMPARE(location->port, port);
    QCOMPARE(location->database, database);
    // What the spool keys its entries by reads back as the same location.
    const auto again = StoreLocation::parse(location->display(), &error);
    QVERIFY2(again && again->host == host && again->database == database,
             qPrintable(location->display()));
}

void tst_Results::connectionSettingsAreChecked_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("options"); // empty: refused
    const QString base = QStringLiteral("connect_timeout=3");
    QTest::newRow("none") << "" << base;
    QTest::newRow("verify-full") << "sslmode=verify-full&sslrootcert=/etc/line/ca.crt"
                                 << "connect_timeout=3;sslmode=verify-full;"
                                    "sslrootcert='/etc/line/ca.crt'";
    QTest::newRow("client certificate")
        << "sslmode=require&sslcert=/home/u/.pg/a%20b.crt&sslkey=/k/it's%5Ca.key"
        << "connect_timeout=3;sslmode=require;sslcert='/home/u/.pg/a b.crt';"
           "sslkey='/k/it\\'s\\\\a.key'";
    QTest::newRow("timeout") << "connect_timeout=10&sslmode=disable"
                             << "connect_timeout=10;sslmode=disable";
    for (const char* mode : {"allow", "prefer", "verify-ca"})
        QTest::newRow(mode) << QStringLiteral("sslmode=") + QLatin1String(mode)
                            << base + QStringLiteral(";sslmode=") + QLatin1String(mode);
    QTest::newRow("unknown mode") << "sslmode=verify" << "";
    QTest::newRow("mode in capitals") << "sslmode=REQUIRE" << "";
    QTest::newRow("empty mode") << "sslmode=" << "";
    QTest::newRow("mode twice") << "sslmode=require&sslmode=disable" << "";
    QTest::newRow("empty root certificate") << "sslrootcert=" << "";
    QTest::newRow("option smuggled in a path") << "sslkey=/a%3Bsslmode=disable" << "";
    QTest::newRow("line break in a path") << "sslcert=/a%0Ab" << "";
    QTest::newRow("timeout zero") << "connect_timeout=0" << "";
    QTest::newRow("timeout negative") << "connect_timeout=-1" << "";
    QTest::newRow("timeout signed") << "connect_timeout=+5" << "";
    QTest::newRow("timeout not a number") << "connect_timeout=5s" << "";
    QTest::newRow("timeout too big") << "connect_timeout=99999999999" << "";
    QTest::newRow("password") << "sslmode=require&password=x" << "";
}

// The connection settings a URL may carry reach Qt's driver quoted for
// libpq (nothing can add an option of its own), parse back from the
// display form, and leave the spool's key as it was without them.
void tst_Results::connectionSettingsAreChecked()
{
    QFETCH(QString, query);
    QFETCH(QString, options);
    const QString plain = QStringLiteral("postgresql://line@db.example:5433/results");
    const QString text = query.isEmpty() ? plain : plain + QLatin1Char('?') + query;
    QString error;
    const auto location = StoreLocation::parse(text, &error);
    QCOMPARE(location.has_value(), !options.isEmpty());
    if (!location) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(location->connectOptions(3), options);
    QCOMPARE(location->unverifiedOverNetwork(), !options.contains(QLatin1String("sslmode=verify")));
    const auto again = StoreLocation::parse(location->display(), &error);
    QVERIFY2(again, qPrintable(location->display() + QLatin1Char(' ') + error));
    QCOMPARE(again->connectOptions(3), options);
    QCOMPARE(location->spoolKey(), StoreLocation::parse(plain, &error)->display());
}

// A store written by the first schema is taken forward on opening: its
// tests keep their figures (filled from their reports) and new ones join.
void tst_Results::migrationFromTheFirstSchema()
{
    const StoreLocation location = sqlite(QStringLiteral("old.sqlite"));
    const TestResult old =
        SampleResults::make(QStringLiteral("OLD-1"), utc("2025-06-01T10:00:00Z"), 62.5, -2.0);
    {
        SqlConnection connection(QStringLiteral("QSQLITE"));
        connection.db().setDatabaseName(location.filePath);
        QVERIFY(connection.db().open());
        QString error;
        QVERIFY2(SampleResults::writeFirstSchema(connection.db(), location.engine, old, &error),
                 qPrintable(error));
        QCOMPARE(ResultSchema::version(connection.db()), 1);
    }
    ResultStore store(location, m_spool);
    QString error;
    QVERIFY2(store.openForReading(&error), qPrintable(error));
    ResultFilter all;
    const auto rows = store.list(all, true, &error);
    QVERIFY2(rows, qPrintable(error));
    QCOMPARE(rows->size(), 1);
    const int quality = 6; // ResultFigures::all() order
    QCOMPARE(ResultFigures::all().at(quality).name, QStringLiteral("signal.quality_pct"));
    QCOMPARE(rows->first().figures.at(quality), std::optional<double>(62.5));
    QCOMPARE(rows->first().figures.at(0), std::optional<double>(-2.0));
    QVERIFY(!rows->first().figures.at(9)); // latch.sincos.spread: not measured

    const auto outcome = store.store(
        SampleResults::make(QStringLiteral("NEW-1"), utc("2025-06-02T10:00:00Z"), 71.5));
    QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Stored));
    const auto stats = store.statistics(all, &error);
    QVERIFY2(stats, qPrintable(error));
    QCOMPARE(stats->count, 2);
    bool seen = false;
    for (const ResultStatistics::Figure& f : stats->figures)
        if (f.name == QLatin1String("signal.quality_pct")) {
            seen = true;
            QCOMPARE(f.count, 2);
            QCOMPARE(f.mean, 67.0);
        }
    QVERIFY(seen);
    const auto found = store.find(rows->first().id, &error);
    QVERIFY(found);
    QCOMPARE(found->uid, old.uid);
    QCOMPARE(found->profileJson, SampleResults::profile());
}

// The figures along the travel, over speed and of the marks by direction
// are columns too: a store of version 3 has them filled from its stored
// reports on opening (a test without them stays without), a new test
// writes them, the view shows them, and statistics take them with the
// travel profile's limits (one-sided: a Cpk, no Cp).
void tst_Results::travelFiguresAreColumns()
{
    const StoreLocation location = sqlite(QStringLiteral("travel.sqlite"));
    const auto travelTest = [](const char* serial, const char* start, double variation,
                               double withinHz, double difference) {
        return SampleResults::withTravel(
            SampleResults::make(QLatin1String(serial), utc(start)), variation, withinHz, difference);
    };
    {
        SqlConnection connection(QStringLiteral("QSQLITE"));
        connection.db().setDatabaseName(location.filePath);
        QVERIFY(connection.db().open());
        QString error;
        QVERIFY2(SampleResults::writeThirdSchema(
                     connection.db(), location.engine,
                     {travelTest("T-1", "2026-05-01T08:00:00Z", 12, 250, 0.25),
                      SampleResults::make(QStringLiteral("P-1"), utc("2026-05-01T08:01:00Z"))},
                     &error),
                 qPrintable(error));
    }
    ResultStore store(location, m_spool);
    QString error;
    QVERIFY2(store.openForReading(&error), qPrintable(error));
    {
        SqlConnection connection(QStringLiteral("QSQLITE"));
        connection.db().setDatabaseName(location.filePath);
        QVERIFY(connection.db().open());
        QCOMPARE(ResultSchema::version(connection.db()), ResultSchema::kCurrentVersion);
        QSqlQuery q(connection.db());
        QVERIFY(q.exec(QStringLiteral("SELECT serial, travel_amplitude_variation_pct, "
                                      "speed_within_limit_hz FROM rotaprobe_tests ORDER BY serial")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("P-1"));
        QVERIFY(q.value(1).isNull() && q.value(2).isNull());
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toDouble(), 12.0);
        QCOMPARE(q.value(2).toDouble(), 250.0);
    }
    const QStringList more[] = {{"T-2", "2026-05-01T09:00:00Z", "8", "200", "0.1"},
                                {"T-3", "2026-05-01T09:01:00Z", "10", "300", "0.2"},
                                {"T-4", "2026-05-01T09:02:00Z", "14", "250", "0.3"}};
    for (const QStringList& t : more)
        QCOMPARE(int(store.store(travelTest(qPrintable(t.at(0)), qPrintable(t.at(1)),
                                            t.at(2).toDouble(), t.at(3).toDouble(),
                                            t.at(4).toDouble()))
                         .outcome),
                 int(ResultStore::Outcome::Stored));

    const auto column = [](const char* name) {
        for (int i = 0; i < ResultFigures::all().size(); ++i)
            if (ResultFigures::all().at(i).name == QLatin1String(name))
                return i;
        return -1;
    };
    ResultFilter t1;
    t1.serial = QStringLiteral("T-1");
    const auto rows = store.list(t1, true, &error);
    QVERIFY2(rows && rows->size() == 1, qPrintable(error));
    const ResultStore::Row& row = rows->first();
    const std::pair<const char*, std::optional<double>> expected[] = {
        {"travel.amplitude_variation_pct", 12.0},
        {"travel.amplitude_min_pct", 60.0},
        {"travel.amplitude_min_pct_at_mm", 2.5},
        {"travel.worst_offset_pct", 1.25},
        {"travel.worst_phase_deviation_deg", 1.75},
        {"travel.worst_amplitude_ratio_min", 0.95},
        {"travel.worst_amplitude_ratio_max", 1.02},
        {"travel.worst_interpolation_error_pct", 0.6},
        {"rotary.eccentricity_pct", std::nullopt}, // not measured
        {"rotary.ovality_pct", std::nullopt},
        {"speed.within_limit_hz", 250.0},
        {"speed.amplitude_at_max_pct", 65.0},
        {"latch.directions.difference_periods", 0.25}};
    for (const auto& [name, value] : expected) {
        QVERIFY2(column(name) >= 0, name);
        QVERIFY2(row.figures.value(column(name)) == value, name);
    }
    QCOMPARE(row.figures.at(column("signal.quality_pct")), std::optional<double>(70.0));

    // Four tests by the travel profile: variations 12, 8, 10, 14 against at
    // most 15: mean 11, s = sqrt(20 / 3), Cpk = (15 - 11) / 3s = 0.5164; the
    // signal kept up to 250, 200, 300, 250 Hz against at least 100 Hz:
    // s = sqrt(5000 / 3), Cpk = (250 - 100) / 3s = 1.2247.
    ResultFilter travel;
    travel.profile = QStringLiteral("travel.json");
    const auto stats = store.statistics(travel, &error);
    QVERIFY2(stats, qPrintable(error));
    QCOMPARE(stats->count, 4);
    const auto figure = [&](const char* name) {
        for (const ResultStatistics::Figure& f : stats->figures)
            if (f.name == QLatin1String(name))
                return f;
        return ResultStatistics::Figure();
    };
    const auto near = [](std::optional<double> value, double expected) {
        return value && std::fabs(*value - expected) < 5e-4;
    };
    const ResultStatistics::Figure variation = figure("travel.amplitude_variation_pct");
    QCOMPARE(variation.count, 4);
    QCOMPARE(variation.mean, 11.0);
    QCOMPARE(variation.max, 14.0);
    QCOMPARE(variation.upper, std::optional<double>(15.0));
    QVERIFY(!variation.lower && !variation.cp);
    QVERIFY2(near(variation.cpk, 0.5164), qPrintable(QString::number(variation.cpk.value_or(-1))));
    const ResultStatistics::Figure speed = figure("speed.within_limit_hz");
    QCOMPARE(speed.lower, std::optional<double>(100.0));
    QVERIFY2(near(speed.cpk, 1.2247), qPrintable(QString::number(speed.cpk.value_or(-1))));
    QCOMPARE(figure("latch.directions.difference_periods").upper, std::optional<double>(0.5));
    QVERIFY(figure("rotary.eccentricity_pct").name.isEmpty()); // never measured
}

// The start times (newest first) of the tests a filter made of
// (key, value) pairs lets through.
QStringList tst_Results::matching(ResultStore& store, const QStringList& pairs)
{
    ResultFilter filter;
    QString error;
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        const QString& key = pairs.at(i);
        const QString& value = pairs.at(i + 1);
        const bool ok = key == QLatin1String("since")     ? filter.setSince(value, &error)
                        : key == QLatin1String("until")   ? filter.setUntil(value, &error)
                        : key == QLatin1String("verdict") ? filter.setVerdict(value, &error)
                        : key == QLatin1String("station") ? (filter.station = value, true)
                        : key == QLatin1String("limit")   ? (filter.limit = value.toInt(), true)
                                                          : (filter.serial = value, true);
        if (!ok)
            return {QStringLiteral("refused: ") + error};
    }
    const auto rows = store.list(filter, false, &error);
    if (!rows)
        return {QStringLiteral("error: ") + error};
    QStringList times;
    for (const ResultStore::Row& row : *rows)
        times << row.startedAt.toString(Qt::ISODateWithMs);
    return times;
}

// --since and --until take in the whole day they name, to the millisecond
// at both edges; a time is taken in itself.
void tst_Results::filtersTakeWholeDays()
{
    ResultStore store(sqlite(QStringLiteral("days.sqlite")), m_spool);
    const QStringList times{"2026-02-28T23:59:59.999Z", "2026-03-01T00:00:00.000Z",
                            "2026-03-01T23:59:59.999Z", "2026-03-02T00:00:00.000Z"};
    for (int i = 0; i < times.size(); ++i) {
        const double quality = i == 2 ? 40.0 : 70.0; // the third fails
        TestResult result = SampleResults::make(QStringLiteral("SN-%1").arg(i % 2),
                                                utc(qPrintable(times.at(i))), quality);
        if (i == 3)
            result.station = QStringLiteral("bench-2");
        const auto outcome = store.store(result);
        QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Stored));
    }
    const QStringList newestFirst{times.at(3), times.at(2), times.at(1), times.at(0)};
    QCOMPARE(matching(store, {}), newestFirst);
    QCOMPARE(matching(store, {"since", "2026-03-01", "until", "2026-03-01"}),
             (QStringList{times.at(2), times.at(1)}));
    QCOMPARE(matching(store, {"until", "2026-02-28"}), QStringList{times.at(0)});
    QCOMPARE(matching(store, {"since", "2026-03-02"}), QStringList{times.at(3)});
    QCOMPARE(matching(store, {"until", "2026-03-01T00:00:00Z"}),
             (QStringList{times.at(1), times.at(0)}));
    QCOMPARE(matching(store, {"since", "2026-03-01T23:59:59.999Z"}),
             (QStringList{times.at(3), times.at(2)}));
    QCOMPARE(matching(store, {"serial", "SN-1", "since", "2026-03-01"}),
             (QStringList{times.at(3), times.at(1)}));
    QCOMPARE(matching(store, {"verdict", "fail"}), QStringList{times.at(2)});
    // A station's latest tests, as its window lists them.
    QCOMPARE(matching(store, {"station", "bench-1", "limit", "2"}),
             (QStringList{times.at(2), times.at(1)}));
    QCOMPARE(matching(store, {"serial", "SN-2"}), QStringList{});
    QVERIFY(matching(store, {"since", "2026-02-30"}).value(0).startsWith("refused"));
    QVERIFY(matching(store, {"until", "yesterday"}).value(0).startsWith("refused"));
    QVERIFY(matching(store, {"verdict", "passed"}).value(0).startsWith("refused"));
    // A filter value is a value, never SQL.
    QCOMPARE(matching(store, {"serial", "x' OR '1'='1"}), QStringList{});
}

// Five tests with qualities 60, 62, 64, 66, 68 against limits 50..80:
// mean 64, sample variance 40 / 4 = 10, Cp = 30 / (6 sqrt 10) = 1.5811,
// Cpk = min(80 - 64, 64 - 50) / (3 sqrt 10) = 1.4757. The sine offsets
// 1, 1, 2, 2, 4 against |offset| <= 3: mean 2, variance 1.5,
// Cpk = (3 - 2) / (3 sqrt 1.5) = 0.2722, and the one at 4 fails.
void tst_Results::statisticsOfAKnownSample()
{
    ResultStore store(sqlite(QStringLiteral("stats.sqlite")), m_spool);
    const double quality[] = {60, 62, 64, 66, 68};
    const double offset[] = {1, 1, 2, 2, 4};
    for (int i = 0; i < 5; ++i)
        store.store(SampleResults::make(QStringLiteral("B-%1").arg(i),
                                        utc("2026-04-01T08:00:00Z").addSecs(i * 60), quality[i],
                                        offset[i]));
    // Outside the filter: would move every figure.
    store.store(SampleResults::make(QStringLiteral("B-9"), utc("2026-04-02T08:00:00Z"), 10, 30));
    ResultFilter filter;
    QString error;
    QVERIFY(filter.setUntil(QStringLiteral("2026-04-01"), &error));
    const auto stats = store.statistics(filter, &error);
    QVERIFY2(stats, qPrintable(error));
    QCOMPARE(stats->count, 5);
    QCOMPARE(stats->passed, 4);
    QCOMPARE(stats->passRate(), 0.8);
    const auto figure = [&](const char* name) {
        for (const ResultStatistics::Figure& f : stats->figures)
            if (f.name == QLatin1String(name))
                return f;
        return ResultStatistics::Figure();
    };
    const auto near = [](std::optional<double> value, double expected) {
        return value && std::fabs(*value - expected) < 5e-4;
    };
    const ResultStatistics::Figure q = figure("signal.quality_pct");
    QCOMPARE(q.count, 5);
    QCOMPARE(q.mean, 64.0);
    QCOMPARE(q.min, 60.0);
    QCOMPARE(q.max, 68.0);
    QVERIFY2(near(q.std, 3.1623), qPrintable(QString::number(q.std.value_or(-1))));
    QVERIFY2(near(q.cp, 1.5811), qPrintable(QString::number(q.cp.value_or(-1))));
    QVERIFY2(near(q.cpk, 1.4757), qPrintable(QString::number(q.cpk.value_or(-1))));
    const ResultStatistics::Figure o = figure("signal.offset_sin_pct");
    QCOMPARE(o.mean, 2.0);
    QVERIFY(near(o.cp, 6.0 / (6 * std::sqrt(1.5))));
    QVERIFY2(near(o.cpk, 0.2722), qPrintable(QString::number(o.cpk.value_or(-1))));
    // No limit, no capability; one value, no spread.
    const ResultStatistics::Figure current = figure("current_ma.mean");
    QCOMPARE(current.count, 5);
    QVERIFY(!current.cp && !current.cpk);
    QVERIFY(figure("latch.sincos.spread").name.isEmpty()); // never measured
    ResultFilter one;
    one.serial = QStringLiteral("B-9");
    const auto single = store.statistics(one, &error);
    QVERIFY(single && single->count == 1 && !single->figures.first().std);

    // A test judged by other limits: Cp and Cpk of that figure lose their meaning.
    TestResult other = SampleResults::make(QStringLiteral("B-5"), utc("2026-04-01T09:00:00Z"), 64);
    other.profileJson =
        R"({"signal": {"quality_pct_min": 55, "quality_pct_max": 80, "offset_sin_pct_max": 3}})";
    other.profileSha256 = TestResult::sha256(other.profileJson);
    store.store(other);
    const auto mixed = store.statistics(filter, &error);
    QVERIFY(mixed);
    QCOMPARE(mixed->count, 6);
    for (const ResultStatistics::Figure& f : mixed->figures) {
        if (f.name == QLatin1String("signal.quality_pct"))
            QVERIFY(!f.cp && !f.cpk);
        if (f.name == QLatin1String("signal.offset_sin_pct"))
            QVERIFY(f.cpk);
    }
}

void tst_Results::unusableFileIsAnErrorAndSpoolsTheResult_data()
{
    QTest::addColumn<bool>("corrupt");
    QTest::newRow("read-only") << false;
    QTest::newRow("corrupt") << true;
}

// A store file that cannot take a result: opening for a test says why,
// and a result written anyway waits in the spool until the file is
// repaired, then arrives once.
void tst_Results::unusableFileIsAnErrorAndSpoolsTheResult()
{
    QFETCH(bool, corrupt);
    const StoreLocation location = sqlite(QStringLiteral("bad.sqlite"));
    {
        ResultStore first(location, m_spool);
        QCOMPARE(
            int(first.store(SampleResults::make("FIRST", utc("2026-05-01T08:00:00Z"))).outcome),
            int(ResultStore::Outcome::Stored));
    }
    QFile file(location.filePath);
    QByteArray good;
    QVERIFY(file.open(QIODevice::ReadOnly));
    good = file.readAll();
    file.close();
    if (corrupt) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(4096, 'x'));
        file.close();
    } else {
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther));
    }
    const TestResult result = SampleResults::make("SECOND", utc("2026-05-01T09:00:00Z"));
    {
        AsUnprivileged unprivileged;
#ifdef Q_OS_WIN
        // Wine run as root keeps the mark as a Unix mode, which root ignores.
        if (!corrupt && QFile(location.filePath).open(QIODevice::Append))
            QSKIP("this user writes read-only files (Wine as root)");
#endif
        ResultStore store(location, m_spool);
        QString error;
        QStringList warnings;
        QVERIFY(!store.openForWriting(&error, &warnings));
        QVERIFY2(error.contains(location.filePath) &&
                     error.contains(corrupt ? "not a database" : "readonly"),
                 qPrintable(error));
        const auto outcome = store.store(result);
        QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Spooled));
        QVERIFY2(outcome.message.startsWith("Warning") && outcome.message.contains(m_spool),
                 qPrintable(outcome.message));
        QCOMPARE(ResultSpool(m_spool).pending(location.display()), 1);
        if (!corrupt) {
            // Read-only is still readable.
            ResultStore reader(location, m_spool);
            QVERIFY2(reader.openForReading(&error), qPrintable(error));
            const auto rows = reader.list(ResultFilter(), false, &error);
            QVERIFY2(rows && rows->size() == 1, qPrintable(error));
        }
    }
    if (corrupt) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(good);
        file.close();
    } else {
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
    ResultStore repaired(location, m_spool);
    QString error;
    QStringList warnings;
    QVERIFY2(repaired.openForWriting(&error, &warnings), qPrintable(error));
    QCOMPARE(ResultSpool(m_spool).pending(location.display()), 0);
    QCOMPARE(count(location), 2);
    QCOMPARE(count(location, QStringLiteral("WHERE uid = '%1'").arg(result.uid)), 1);
}

// The store's file moved away while the store has it open (an operator
// tidying the folder): the next result goes to a new file at the path, not
// into the moved one, and a reader says the results are gone.
#ifndef Q_OS_WIN
void tst_Results::fileMovedAwayWhileOpen()
{
    const StoreLocation location = sqlite(QStringLiteral("moved.sqlite"));
    ResultStore store(location, m_spool);
    QCOMPARE(int(store.store(SampleResults::make("FIRST", utc("2026-05-01T08:00:00Z"))).outcome),
             int(ResultStore::Outcome::Stored));
    ResultStore reader(location, m_spool);
    QString error;
    QVERIFY2(reader.list(ResultFilter(), false, &error), qPrintable(error));
    QVERIFY(QFile::rename(location.filePath, location.filePath + ".moved"));
    QVERIFY(!reader.list(ResultFilter(), false, &error));
    QVERIFY2(error.contains(location.filePath), qPrintable(error));
    QCOMPARE(int(store.store(SampleResults::make("SECOND", utc("2026-05-01T09:00:00Z"))).outcome),
             int(ResultStore::Outcome::Stored));
    QCOMPARE(count(location), 1);
    QCOMPARE(count(location, QStringLiteral("WHERE serial = 'SECOND'")), 1);
    QCOMPARE(count(sqlite(QStringLiteral("moved.sqlite.moved"))), 1);
}
#endif

// A server nobody answers at: not an error before a test (the results
// wait), and each result is kept in the spool with a warning. One reached
// over a network without sslmode=verify-full gets a warning of its own.
void tst_Results::unreachableServerSpools()
{
    QString error;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        QSKIP("this Qt has no PostgreSQL driver");
    const auto location = StoreLocation::parse(
        QStringLiteral("postgresql://nobody@/results?host=%1").arg(m_dir->filePath("nosocket")),
        &error);
    QVERIFY(location);
    ResultStore store(*location, m_spool);
    QStringList warnings;
    QVERIFY2(store.openForWriting(&error, &warnings), qPrintable(error));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains("Cannot reach the results server"),
             qPrintable(warnings.first()));
    for (int i = 0; i < 3; ++i) {
        const auto outcome = store.store(
            SampleResults::make(QStringLiteral("U-%1").arg(i), utc("2026-05-01T09:00:00Z")));
        QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Spooled));
        QVERIFY2(outcome.message.startsWith("Warning"), qPrintable(outcome.message));
    }
    QCOMPARE(ResultSpool(m_spool).pending(location->display()), 3);
    // Reading needs the server: an error, not an empty history.
    ResultStore reader(*location, m_spool);
    QVERIFY(!reader.openForReading(&error));
    QVERIFY(!error.isEmpty());
    // Over a network without a checked certificate: the password is at stake.
    const auto network = StoreLocation::parse(
        QStringLiteral("postgresql://nobody@192.0.2.1/results?connect_timeout=1"), &error);
    QVERIFY(network);
    ResultStore remote(*network, m_spool);
    warnings.clear();
    QVERIFY2(remote.openForWriting(&error, &warnings), qPrintable(error));
    QVERIFY2(warnings.size() == 2 && warnings.first().contains("sslmode=verify-full"),
             qPrintable(warnings.join('\n')));
}

// The spool holds a result whose commit reached the store although its
// writer never heard so: delivering it stores nothing twice and empties
// the spool; the new result follows the spooled ones.
void tst_Results::spoolDeliversOnceWhenTheAnswerWasLost()
{
    const StoreLocation location = sqlite(QStringLiteral("once.sqlite"));
    ResultStore store(location, m_spool);
    const TestResult committed = SampleResults::make("ONCE-1", utc("2026-05-01T08:00:00Z"));
    const TestResult waiting = SampleResults::make("ONCE-2", utc("2026-05-01T08:01:00Z"));
    QCOMPARE(int(store.store(committed).outcome), int(ResultStore::Outcome::Stored));
    ResultSpool spool(m_spool);
    QString error;
    QVERIFY(spool.add(location.display(), committed, &error));
    QVERIFY(spool.add(location.display(), waiting, &error));
    const auto outcome = store.store(SampleResults::make("ONCE-3", utc("2026-05-01T08:02:00Z")));
    QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Stored));
    QCOMPARE(outcome.delivered, 2);
    QCOMPARE(spool.pending(location.display()), 0);
    QCOMPARE(count(location), 3);
    QCOMPARE(count(location, QStringLiteral("WHERE uid = '%1'").arg(committed.uid)), 1);
    QCOMPARE(count(location, QStringLiteral("WHERE uid = '%1'").arg(waiting.uid)), 1);
    // Delivered in order: the waiting result before the new one.
    ResultFilter all;
    const auto rows = store.list(all, false, &error);
    QVERIFY(rows);
    qint64 waitingId = 0, newId = 0;
    for (const ResultStore::Row& row : *rows) {
        if (row.serial == QLatin1String("ONCE-2"))
            waitingId = row.id;
        if (row.serial == QLatin1String("ONCE-3"))
            newId = row.id;
    }
    QVERIFY(waitingId > 0 && waitingId < newId);
}

// A spooled result the store refuses (here by a rule of the store's own)
// stays in the spool, delivery after delivery, without holding up the one
// behind it; opening the store says why. Once the store takes it, it
// arrives, once.
void tst_Results::spoolKeepsWhatTheStoreRefuses()
{
    const StoreLocation location = sqlite(QStringLiteral("refusing.sqlite"));
    QString error;
    QStringList warnings;
    {
        ResultStore first(location, m_spool);
        QVERIFY2(first.openForWriting(&error, &warnings), qPrintable(error));
    }
    SqlConnection admin(QStringLiteral("QSQLITE"));
    admin.db().setDatabaseName(location.filePath);
    QVERIFY(admin.db().open());
    QVERIFY(QSqlQuery(admin.db())
                .exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON results "
                                     "WHEN NEW.serial = 'REFUSED' "
                                     "BEGIN SELECT RAISE(ABORT, 'refused by the line'); END")));
    const TestResult refused = SampleResults::make("REFUSED", utc("2026-05-02T08:00:00Z"));
    const TestResult waiting = SampleResults::make("WAITING", utc("2026-05-02T08:01:00Z"));
    ResultSpool spool(m_spool);
    QVERIFY(spool.add(location.spoolKey(), refused, &error));
    QVERIFY(spool.add(location.spoolKey(), waiting, &error));

    ResultStore store(location, m_spool);
    for (int round = 0; round < 3; ++round) {
        const auto outcome = store.store(SampleResults::make(
            QStringLiteral("NEXT-%1").arg(round), utc("2026-05-02T09:00:00Z").addSecs(round)));
        QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Stored));
        QCOMPARE(outcome.delivered, round == 0 ? 1 : 0);
        QCOMPARE(spool.pending(location.spoolKey()), 1);
    }
    ResultStore reopened(location, m_spool);
    warnings.clear();
    QVERIFY2(reopened.openForWriting(&error, &warnings), qPrintable(error));
    QVERIFY2(warnings.size() == 1 && warnings.first().contains("refused by the line"),
             qPrintable(warnings.join('\n')));
    QCOMPARE(spool.pending(location.spoolKey()), 1);
    QCOMPARE(count(location, QStringLiteral("WHERE serial = 'REFUSED'")), 0);

    QVERIFY(QSqlQuery(admin.db()).exec(QStringLiteral("DROP TRIGGER refuse")));
    QCOMPARE(reopened.deliverSpool(&error), 1);
    QCOMPARE(spool.pending(location.spoolKey()), 0);
    QCOMPARE(count(location, QStringLiteral("WHERE uid = '%1'").arg(refused.uid)), 1);
    QCOMPARE(count(location), 5);
}

QTEST_GUILESS_MAIN(tst_Results)
#include "tst_Results.moc"
