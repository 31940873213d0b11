// Attempt numbers and yield on both engines (PostgreSQL: the server
// tools/test.sh starts, ROTAPROBE_TEST_PGHOST; skipped, saying so, without
// it), against hand-counted units: a unit failing, then passing at another
// station, then an aborted retest; a result delivered late from a spool;
// the migration that numbers the tests of an older store.
#include "ResultSchema.h"
#include "ResultSpool.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <QThread>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace {

QDateTime utc(const char* text)
{
    return QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs).toUTC();
}

TestResult test(const char* serial, const char* start, const char* station, const char* verdict)
{
    TestResult r = SampleResults::make(QLatin1String(serial), utc(start));
    r.station = QLatin1String(station);
    r.verdict = QLatin1String(verdict);
    if (r.verdict == QLatin1String("aborted"))
        r.verdictReason = QStringLiteral("stopped by the operator");
    return r;
}

// "pass 4/1/3/6/1": the figures of one group as the checks write them.
QString counts(const YieldFigures& y)
{
    return QStringLiteral("%1 units %2 first %3 final %4 tests %5 aborted")
        .arg(y.units)
        .arg(y.firstPass)
        .arg(y.finalPass)
        .arg(y.judgedTests)
        .arg(y.aborted);
}

} // namespace

class tst_ResultsYield : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void attemptsCountEachSerialsTestsInStartOrder_data() { engines(); }
    void attemptsCountEachSerialsTestsInStartOrder();
    void aSecondStationWaitsForTheFirstsNumber_data() { engines(); }
    void aSecondStationWaitsForTheFirstsNumber();
    void yieldOfHandCountedUnits_data() { engines(); }
    void yieldOfHandCountedUnits();
    void unitRowsAgreeWithACountFromScratch_data() { engines(); }
    void unitRowsAgreeWithACountFromScratch();
    void migrationNumbersTheStoredTests_data() { engines(); }
    void migrationNumbersTheStoredTests();
    void viewsShowTestsAndItems_data() { engines(); }
    void viewsShowTestsAndItems();

private:
    static void engines();
    // The case's store: a SQLite file or a database of its own on the server.
    StoreLocation location();
    std::unique_ptr<SqlConnection> connectDirectly(const StoreLocation& location);
    // serial:attempt/judged of every test, by start.
    QStringList attempts(const StoreLocation& location);
    // Each unit's stored row (UnitSummary), and the same counted here from
    // its tests: serial, first judged test (start, station, verdict),
    // latest judged test (start, verdict), judged tests.
    QStringList unitRows(const StoreLocation& location);
    QStringList unitsFromScratch(const StoreLocation& location);
    // The tests per day, station, profile and operator: stored, and counted here.
    QStringList dayRows(const StoreLocation& location);
    QStringList daysFromScratch(const StoreLocation& location);
    // The hand-counted history; D's first test arrives late from the spool.
    void storeHistory(ResultStore& store);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_database;
};

void tst_ResultsYield::engines()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgres") << true;
}

void tst_ResultsYield::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_database.clear();
}

void tst_ResultsYield::cleanup()
{
    if (m_database.isEmpty())
        return;
    SqlConnection connection(QStringLiteral("QPSQL"));
    connection.db().setHostName(qEnvironmentVariable("ROTAPROBE_TEST_PGHOST"));
    connection.db().setUserName(QStringLiteral("rotaprobe"));
    connection.db().setDatabaseName(QStringLiteral("postgres"));
    if (connection.db().open())
        QSqlQuery(connection.db())
            .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_database));
}

StoreLocation tst_ResultsYield::location()
{
    QFETCH(bool, postgres);
    QString error;
    if (!postgres)
        return *StoreLocation::parse(m_dir->filePath(QStringLiteral("results.sqlite")), &error);
    const QString socket = qEnvironmentVariable("ROTAPROBE_TEST_PGHOST");
    if (socket.isEmpty() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        StoreLocation none; // LOCATION_OR_SKIP skips
        none.engine = StoreLocation::Engine::Postgres;
        return none;
    }
    static int n = 0;
    m_database =
        QStringLiteral("yield_%1_%2").arg(QCoreApplication::applicationPid()).arg(++n);
    SqlConnection connection(QStringLiteral("QPSQL"));
    connection.db().setHostName(socket);
    connection.db().setUserName(QStringLiteral("rotaprobe"));
    connection.db().setDatabaseName(QStringLiteral("postgres"));
    if (!connection.db().open() ||
        !QSqlQuery(connection.db()).exec(QStringLiteral("CREATE DATABASE ") + m_database))
        qFatal("cannot create the test database on %s", qPrintable(socket));
    return *StoreLocation::parse(
        QStringLiteral("postgresql://rotaprobe@/%1?host=%2").arg(m_database, socket), &error);
}

#define LOCATION_OR_SKIP(name)                                                                     \
    const StoreLocation name = location();                                                         \
    if (name.engine == StoreLocation::Engine::Postgres && name.database.isEmpty())                 \
        QSKIP("ROTAPROBE_TEST_PGHOST is not set or Qt lacks QPSQL: no PostgreSQL to test against " \
              "(tools/test.sh starts one; by hand: tools/pgserver.sh init DIR, start DIR, "        \
              "ROTAPROBE_TEST_PGHOST=DIR/socket).");

std::unique_ptr<SqlConnection> tst_ResultsYield::connectDirectly(const StoreLocation& location)
{
    const bool postgres = location.engine == StoreLocation::Engine::Postgres;
    auto connection = std::make_unique<SqlConnection>(postgres ? QStringLiteral("QPSQL")
                                                               : QStringLiteral("QSQLITE"));
    QSqlDatabase& db = connection->db();
    if (postgres) {
        db.setHostName(location.host);
        db.setUserName(location.user);
        db.setDatabaseName(location.database);
    } else {
        db.setDatabaseName(location.filePath);
    }
    if (!db.open())
        qFatal("cannot open the store: %s", qPrintable(db.lastError().text()));
    return connection;
}

QStringList tst_ResultsYield::attempts(const StoreLocation& location)
{
    const auto connection = connectDirectly(location);
    QSqlQuery q(connection->db());
    if (!q.exec(QStringLiteral("SELECT serial, attempt, judged_attempt FROM results "
                               "ORDER BY serial, started_ms, id")))
        return {q.lastError().text()};
    QStringList list;
    while (q.next())
        list << QStringLiteral("%1:%2/%3")
                    .arg(q.value(0).toString(), q.value(1).toString(),
                         q.value(2).isNull() ? QStringLiteral("-") : q.value(2).toString());
    return list;
}

QStringList tst_ResultsYield::unitRows(const StoreLocation& location)
{
    const auto connection = connectDirectly(location);
    QSqlQuery q(connection->db());
    if (!q.exec(QStringLiteral("SELECT serial, started_ms, station, first_pass, latest_ms, "
                               "latest_pass, judged FROM units ORDER BY serial")))
        return {q.lastError().text()};
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 first %2 %3 %4, latest %5 %6, %7 judged")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toInt() ? QStringLiteral("pass") : QStringLiteral("fail"),
                         q.value(4).toString(),
                         q.value(5).toInt() ? QStringLiteral("pass") : QStringLiteral("fail"),
                         q.value(6).toString());
    return rows;
}

QStringList tst_ResultsYield::unitsFromScratch(const StoreLocation& location)
{
    const auto connection = connectDirectly(location);
    QSqlQuery q(connection->db());
    if (!q.exec(QStringLiteral("SELECT serial, started_ms, station, verdict FROM results "
                               "WHERE verdict <> 'aborted' ORDER BY serial, started_ms, id")))
        return {q.lastError().text()};
    struct Unit
    {
        QString firstMs, station, firstVerdict, latestMs, latestVerdict;
        int judged = 0;
    };
    std::map<QString, Unit> units;
    while (q.next()) {
        Unit& unit = units[q.value(0).toString()];
        if (unit.judged++ == 0) {
            unit.firstMs = q.value(1).toString();
            unit.station = q.value(2).toString();
            unit.firstVerdict = q.value(3).toString();
        }
        unit.latestMs = q.value(1).toString();
        unit.latestVerdict = q.value(3).toString();
    }
    QStringList rows;
    for (const auto& [serial, unit] : units)
        rows << QStringLiteral("%1 first %2 %3 %4, latest %5 %6, %7 judged")
                    .arg(serial, unit.firstMs, unit.station, unit.firstVerdict, unit.latestMs,
                         unit.latestVerdict)
                    .arg(unit.judged);
    return rows;
}

QStringList tst_ResultsYield::dayRows(const StoreLocation& location)
{
    const auto connection = connectDirectly(location);
    QSqlQuery q(connection->db());
    if (!q.exec(QStringLiteral("SELECT day, station, profile_name, operator, tests "
                               "FROM station_days ORDER BY day, station, profile_name, operator")))
        return {q.lastError().text()};
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1 %2 %3 %4: %5")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).toString(), q.value(4).toString());
    return rows;
}

QStringList tst_ResultsYield::daysFromScratch(const StoreLocation& location)
{
    const auto connection = connectDirectly(location);
    QSqlQuery q(connection->db());
    if (!q.exec(QStringLiteral("SELECT started_ms, station, profile_name, operator FROM results")))
        return {q.lastError().text()};
    std::map<QString, int> days;
    while (q.next())
        ++days[QStringLiteral("%1 %2 %3 %4")
                   .arg(q.value(0).toLongLong() / (24 * 3600 * 1000))
                   .arg(q.value(1).toString(), q.value(2).toString(), q.value(3).toString())];
    QStringList rows;
    for (const auto& [day, tests] : days)
        rows << QStringLiteral("%1: %2").arg(day).arg(tests);
    return rows;
}

// Hand-counted (UTC):
//   A  day 1 10:00 st-1 fail, day 1 11:00 st-2 pass, day 2 09:00 st-1 aborted
//   B  day 1 10:30 st-1 pass
//   C  day 1 12:00 st-2 aborted, day 1 12:10 st-2 fail
//   D  day 2 08:00 st-1 pass, stored first; day 1 15:00 st-2 fail, delivered
//      afterwards from a station's spool
void tst_ResultsYield::storeHistory(ResultStore& store)
{
    const TestResult history[] = {
        test("A", "2026-03-01T10:00:00Z", "st-1", "fail"),
        test("A", "2026-03-01T11:00:00Z", "st-2", "pass"),
        test("A", "2026-03-02T09:00:00Z", "st-1", "aborted"),
        test("B", "2026-03-01T10:30:00Z", "st-1", "pass"),
        test("C", "2026-03-01T12:00:00Z", "st-2", "aborted"),
        test("C", "2026-03-01T12:10:00Z", "st-2", "fail"),
        test("D", "2026-03-02T08:00:00Z", "st-1", "pass"),
    };
    for (const TestResult& r : history) {
        const auto outcome = store.store(r);
        QVERIFY2(outcome.outcome == ResultStore::Outcome::Stored, qPrintable(outcome.message));
    }
    QString error;
    ResultSpool spool(m_dir->filePath(QStringLiteral("st-2.spool")));
    QVERIFY2(spool.add(store.location().display(),
                       test("D", "2026-03-01T15:00:00Z", "st-2", "fail"), &error),
             qPrintable(error));
    ResultStore station2(store.location(), spool.path());
    QCOMPARE(station2.deliverSpool(&error), 1);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

// Numbers in start order, whichever station stored them and whenever they
// arrived: the late test of D takes its place and D's later test moves up.
void tst_ResultsYield::attemptsCountEachSerialsTestsInStartOrder()
{
    LOCATION_OR_SKIP(where);
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QStringList warnings;
    QString error;
    QVERIFY2(store.openForWriting(&error, &warnings), qPrintable(error));
    storeHistory(store);
    QCOMPARE(attempts(where), QStringList({"A:1/1", "A:2/2", "A:3/-", "B:1/1", "C:1/-", "C:2/1",
                                           "D:1/1", "D:2/2"}));
    // A list shows them too.
    ResultFilter d;
    d.serial = QStringLiteral("D");
    const auto rows = store.list(d, false, &error);
    QVERIFY2(rows, qPrintable(error));
    QCOMPARE(rows->size(), 2);
    QCOMPARE(rows->at(0).attempt, 2); // newest first
    QCOMPARE(rows->at(1).attempt, 1);

    // Two tests started in the same millisecond: the one stored first is first.
    QCOMPARE(store.store(test("E", "2026-03-03T10:00:00Z", "st-1", "fail")).outcome,
             ResultStore::Outcome::Stored);
    QCOMPARE(store.store(test("E", "2026-03-03T10:00:00Z", "st-2", "pass")).outcome,
             ResultStore::Outcome::Stored);
    QCOMPARE(attempts(where).mid(8), QStringList({"E:1/1", "E:2/2"}));
}

// Another station stores the same serial while the first one's test is
// written but not committed: it waits, and its test is the second.
void tst_ResultsYield::aSecondStationWaitsForTheFirstsNumber()
{
    LOCATION_OR_SKIP(where);
    ResultStore first(where, m_dir->filePath(QStringLiteral("first.spool")));
    QStringList warnings;
    QString error;
    QVERIFY2(first.openForWriting(&error, &warnings), qPrintable(error));
    std::atomic<bool> done{false};
    ResultStore::StoreOutcome second;
    std::thread other;
    first.setBeforeCommit([&] {
        other = std::thread([&] {
            ResultStore store(where, m_dir->filePath(QStringLiteral("second.spool")));
            // A profile of its own: the first's new profile row would hold it up.
            TestResult r = test("W", "2026-03-01T10:05:00Z", "st-2", "pass");
            r.profileJson += ' ';
            r.profileSha256 = TestResult::sha256(r.profileJson);
            second = store.store(r);
            done = true;
        });
        // Long enough for the other station to finish, had it not to wait.
        for (int i = 0; i < 100 && !done; ++i)
            QThread::msleep(10);
    });
    const auto outcome = first.store(test("W", "2026-03-01T10:00:00Z", "st-1", "fail"));
    first.setBeforeCommit({});
    other.join();
    QCOMPARE(outcome.outcome, ResultStore::Outcome::Stored);
    QVERIFY2(second.outcome == ResultStore::Outcome::Stored, qPrintable(second.message));
    QCOMPARE(attempts(where), QStringList({"W:1/1", "W:2/2"}));
}

void tst_ResultsYield::yieldOfHandCountedUnits()
{
    LOCATION_OR_SKIP(where);
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QStringList warnings;
    QString error;
    QVERIFY2(store.openForWriting(&error, &warnings), qPrintable(error));
    storeHistory(store);

    const auto yield = [&](const ResultFilter& filter, ResultYield::Grouping by) {
        QStringList groups;
        const auto figures = store.yield(filter, by, &error);
        if (!figures)
            return QStringList{error};
        for (const YieldFigures& y : *figures)
            groups << (y.group.isEmpty() ? QString() : y.group + QStringLiteral(": ")) +
                          counts(y);
        return groups;
    };
    ResultFilter all;
    // Units A B C D; first pass: B; final: A B D; judged tests 2+1+1+2;
    // aborted: A's retest, C's first.
    QCOMPARE(yield(all, ResultYield::Grouping::All),
             QStringList{"4 units 1 first 3 final 6 tests 2 aborted"});
    const auto total = store.yield(all, ResultYield::Grouping::All, &error);
    QCOMPARE(*total->first().firstPassYield(), 0.25);
    QCOMPARE(*total->first().finalYield(), 0.75);
    QCOMPARE(*total->first().testsPerUnit(), 1.5);
    QCOMPARE(total->first().retests(), 2);

    // Every unit's first judged test was on day 1 (D's came late); day 2
    // holds only A's aborted retest.
    QCOMPARE(yield(all, ResultYield::Grouping::Day),
             QStringList({"2026-03-01: 4 units 1 first 3 final 6 tests 1 aborted",
                          "2026-03-02: 0 units 0 first 0 final 0 tests 1 aborted"}));
    // A and B started at st-1 (A passed later at st-2), C and D at st-2.
    QCOMPARE(yield(all, ResultYield::Grouping::Station),
             QStringList({"st-1: 2 units 1 first 2 final 3 tests 1 aborted",
                          "st-2: 2 units 0 first 1 final 3 tests 1 aborted"}));
    // As it stood at the end of day 1: D had only failed.
    ResultFilter day1;
    QVERIFY(day1.setUntil(QStringLiteral("2026-03-01"), &error));
    QCOMPARE(yield(day1, ResultYield::Grouping::All),
             QStringList{"4 units 1 first 2 final 5 tests 1 aborted"});
    // A verdict filter does not pick units.
    ResultFilter passed;
    passed.verdict = QStringLiteral("pass");
    QCOMPARE(yield(passed, ResultYield::Grouping::All), yield(all, ResultYield::Grouping::All));
    // Nothing matched: one empty total, no yield.
    ResultFilter nobody;
    nobody.serial = QStringLiteral("Z");
    const auto none = store.yield(nobody, ResultYield::Grouping::All, &error);
    QCOMPARE(none->size(), 1);
    QVERIFY(!none->first().firstPassYield());
}

// Each unit's row, kept as tests arrive, is what a count from its tests
// gives: after a late delivery that becomes a unit's first test (D), one
// between two judged tests, an aborted test arriving late, and a retest.
void tst_ResultsYield::unitRowsAgreeWithACountFromScratch()
{
    LOCATION_OR_SKIP(where);
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QStringList warnings;
    QString error;
    QVERIFY2(store.openForWriting(&error, &warnings), qPrintable(error));
    storeHistory(store);
    const QStringList counted = unitsFromScratch(where);
    QCOMPARE(counted.size(), 4);
    QCOMPARE(unitRows(where), counted);
    // D's row by hand: its late test (day 1 15:00, st-2, fail) is its first.
    QCOMPARE(unitRows(where).at(3),
             QStringLiteral("D first %1 st-2 fail, latest %2 pass, 2 judged")
                 .arg(utc("2026-03-01T15:00:00Z").toMSecsSinceEpoch())
                 .arg(utc("2026-03-02T08:00:00Z").toMSecsSinceEpoch()));

    ResultSpool spool(m_dir->filePath(QStringLiteral("late.spool")));
    for (const TestResult& r : {test("A", "2026-03-01T10:30:00Z", "st-3", "pass"),
                                test("B", "2026-03-01T09:00:00Z", "st-3", "aborted"),
                                test("C", "2026-03-03T08:00:00Z", "st-1", "pass")})
        QVERIFY2(spool.add(where.display(), r, &error), qPrintable(error));
    ResultStore late(where, spool.path());
    QCOMPARE(late.deliverSpool(&error), 3);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(unitRows(where), unitsFromScratch(where));
    QVERIFY(unitRows(where) != counted);
    // The tests per day and station: every one counted, the late ones too.
    QCOMPARE(dayRows(where).size(), 5); // days 1 (st-1, st-2, st-3), 2 and 3 (st-1)
    QCOMPARE(dayRows(where), daysFromScratch(where));
}

// A store of the version before the numbers: its tests are numbered in
// start order on opening (stored out of order, one pair in the same
// millisecond, an aborted test among them).
void tst_ResultsYield::migrationNumbersTheStoredTests()
{
    LOCATION_OR_SKIP(where);
    {
        const auto connection = connectDirectly(where);
        QString error;
        QVERIFY2(ResultSchema::migrate(connection->db(), where.engine, &error, 2),
                 qPrintable(error));
        QSqlQuery q(connection->db());
        q.prepare(QStringLiteral(
            "INSERT INTO results (uid, serial, started_ms, duration_s, station, "
            "program_version, tester_config, verdict, report) VALUES (?, ?, ?, 3, 'st', "
            "'1', '{}', ?, '{}')"));
        const struct
        {
            const char* serial;
            qint64 started;
            const char* verdict;
        } rows[] = {{"X", 5000, "pass"}, {"Y", 100, "fail"},   {"X", 1000, "fail"},
                    {"X", 3000, "aborted"}, {"Y", 100, "pass"}, {"X", 200, "fail"}};
        for (const auto& row : rows) {
            q.addBindValue(TestResult::newUid());
            q.addBindValue(QLatin1String(row.serial));
            q.addBindValue(row.started);
            q.addBindValue(QLatin1String(row.verdict));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
    }
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QString error;
    QVERIFY2(store.openForReading(&error), qPrintable(error));
    QCOMPARE(attempts(where),
             QStringList({"X:1/1", "X:2/2", "X:3/-", "X:4/3", "Y:1/1", "Y:2/2"}));
    // Each unit's row too.
    QCOMPARE(unitRows(where), QStringList({"X first 200 st fail, latest 5000 pass, 3 judged",
                                           "Y first 100 st fail, latest 100 pass, 2 judged"}));
    QCOMPARE(dayRows(where), QStringList{"0 st  : 6"});
    {
        const auto connection = connectDirectly(where);
        QCOMPARE(ResultSchema::version(connection->db()), ResultSchema::kCurrentVersion);
    }
    // New tests go on from there.
    QCOMPARE(store.store(test("X", "2026-01-01T00:00:00Z", "st", "pass")).outcome,
             ResultStore::Outcome::Stored);
    QCOMPARE(attempts(where).at(4), QStringLiteral("X:5/4"));
    QCOMPARE(unitRows(where), unitsFromScratch(where));
    QCOMPARE(dayRows(where), daysFromScratch(where));
}

// The views a plant's dashboard tool reads: a test with its start as a
// time, its items with the test's facts.
void tst_ResultsYield::viewsShowTestsAndItems()
{
    LOCATION_OR_SKIP(where);
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QCOMPARE(store.store(test("V", "2026-03-01T10:00:00.250Z", "st-1", "fail")).outcome,
             ResultStore::Outcome::Stored);
    const auto connection = connectDirectly(where);
    QSqlQuery q(connection->db());
    QVERIFY2(q.exec(QStringLiteral("SELECT serial, started_at, attempt, signal_quality_pct "
                                   "FROM rotaprobe_tests")),
             qPrintable(q.lastError().text()));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("V"));
    QCOMPARE(q.value(1).toDateTime().toUTC(), utc("2026-03-01T10:00:00.250Z"));
    QCOMPARE(q.value(2).toInt(), 1);
    QCOMPARE(q.value(3).toDouble(), 70.0);
    QVERIFY2(q.exec(QStringLiteral("SELECT serial, station, name, value, pass FROM rotaprobe_items "
                                   "ORDER BY position")),
             qPrintable(q.lastError().text()));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("V"));
    QCOMPARE(q.value(1).toString(), QStringLiteral("st-1"));
    QCOMPARE(q.value(2).toString(), QStringLiteral("signal.quality_pct_min"));
    QCOMPARE(q.value(3).toDouble(), 70.0);
}

QTEST_GUILESS_MAIN(tst_ResultsYield)
#include "tst_ResultsYield.moc"
