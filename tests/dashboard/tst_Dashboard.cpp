// rotaprobe-dashboard's server on a store the test fills, on SQLite and on
// the PostgreSQL server tools/test.sh starts (ROTAPROBE_TEST_PGHOST;
// skipped without it): each panel's JSON against hand-counted tests,
// hostile requests refused, a store out of reach answered with 503 and
// served again once it is back.
#include "DashboardLauncher.h"
#include "DashboardOptions.h"
#include "DashboardServer.h"
#include "ResultSpool.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <httplib.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

namespace {

const QString kMarkup = QStringLiteral("<img src=x onerror=alert(1)>");

QDateTime dayAt(int daysAgo, int hour, int minute = 0)
{
    const QDate day = QDateTime::currentDateTimeUtc().date().addDays(-daysAgo);
    return QDateTime(day, QTime(hour, minute), Qt::UTC);
}

TestResult test(const QString& serial, const QDateTime& start, const char* station,
                const char* verdict, double quality = 70.0)
{
    TestResult r = SampleResults::make(serial, start, quality);
    r.station = QLatin1String(station);
    r.verdict = QLatin1String(verdict);
    return r;
}

} // namespace

class tst_Dashboard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void panelsOfHandCountedTests_data() { engines(); }
    void panelsOfHandCountedTests();
    void hostileRequestsAreRefused();
    void commandLine();
    void oneServerPerAddress();
    void storeOutOfReachAnswers503AndRecovers_data() { engines(); }
    void storeOutOfReachAnswers503AndRecovers();
    void serverEndingTheConnectionsIsRecovered_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("postgres") << true;
    }
    void serverEndingTheConnectionsIsRecovered();

private:
    static void engines();
    StoreLocation location();
    void fill(const StoreLocation& where);
    void serve(const StoreLocation& where, qint64 idleMs = DashboardData::kIdleMs);
    void stopServing();
    QJsonObject get(const std::string& path, int expected = 200);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_database;
    std::unique_ptr<DashboardServer> m_server;
    std::thread m_thread;
    std::unique_ptr<httplib::Client> m_client;
};

void tst_Dashboard::engines()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("sqlite") << false;
    QTest::newRow("postgres") << true;
}

void tst_Dashboard::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", m_dir->path().toUtf8()); // the readers' spool path
    m_database.clear();
}

void tst_Dashboard::stopServing()
{
    m_client.reset();
    if (m_server) {
        m_server->stop();
        m_thread.join();
        m_server.reset();
    }
}

void tst_Dashboard::cleanup()
{
    stopServing();
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

// The case's store: a SQLite file, or a database name on the server (made
// by `fill`).
StoreLocation tst_Dashboard::location()
{
    QFETCH(bool, postgres);
    QString error;
    if (!postgres)
        return *StoreLocation::parse(m_dir->filePath(QStringLiteral("results.sqlite")), &error);
    const QString socket = qEnvironmentVariable("ROTAPROBE_TEST_PGHOST");
    if (socket.isEmpty())
        return {};
    static int n = 0;
    m_database = QStringLiteral("dash_%1_%2").arg(QCoreApplication::applicationPid()).arg(++n);
    return *StoreLocation::parse(
        QStringLiteral("postgresql://rotaprobe@/%1?host=%2").arg(m_database, socket), &error);
}

#define LOCATION_OR_SKIP(name)                                                                     \
    const StoreLocation name = location();                                                         \
    if (name.engine == StoreLocation::Engine::Postgres && name.database.isEmpty())                 \
        QSKIP("ROTAPROBE_TEST_PGHOST is not set: no PostgreSQL server to test against "            \
              "(tools/test.sh starts one; by hand: tools/pgserver.sh init DIR, start DIR, "        \
              "ROTAPROBE_TEST_PGHOST=DIR/socket).");

// Yesterday (day 1) and today (day 2), UTC:
//   A  day 1 08:00 st-1 fail, 09:00 st-2 pass; day 2 00:10 st-1 aborted
//      (its quality below the limit, as far as it got)
//   B  day 1 08:30 st-1 pass
//   C  day 1 10:00 st-2 aborted, 10:10 st-2 fail
//   D  day 2 00:20 st-1 pass; day 1 13:00 st-2 fail, delivered late
//   the markup serial: day 1 11:00 at st-1, failed on its quality
void tst_Dashboard::fill(const StoreLocation& where)
{
    if (where.engine == StoreLocation::Engine::Postgres) {
        SqlConnection connection(QStringLiteral("QPSQL"));
        connection.db().setHostName(where.host);
        connection.db().setUserName(QStringLiteral("rotaprobe"));
        connection.db().setDatabaseName(QStringLiteral("postgres"));
        QVERIFY(connection.db().open());
        QVERIFY(QSqlQuery(connection.db()).exec(QStringLiteral("CREATE DATABASE ") + m_database));
    }
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    const TestResult tests[] = {
        test("A", dayAt(1, 8), "st-1", "fail", 45.0),
        test("A", dayAt(1, 9), "st-2", "pass", 70.0),
        test("A", dayAt(0, 0, 10), "st-1", "aborted", 45.0),
        test("B", dayAt(1, 8, 30), "st-1", "pass", 72.0),
        test("C", dayAt(1, 10), "st-2", "aborted", 66.0),
        test("C", dayAt(1, 10, 10), "st-2", "fail", 30.0),
        test("D", dayAt(0, 0, 20), "st-1", "pass", 68.0),
        test(kMarkup, dayAt(1, 11), "st-1", "fail", 40.0),
    };
    for (const TestResult& r : tests)
        QCOMPARE(store.store(r).outcome, ResultStore::Outcome::Stored);
    ResultSpool spool(m_dir->filePath(QStringLiteral("st-2.spool")));
    QString error;
    QVERIFY(spool.add(where.display(), test("D", dayAt(1, 13), "st-2", "fail", 48.0), &error));
    ResultStore late(where, spool.path());
    QCOMPARE(late.deliverSpool(&error), 1);
}

void tst_Dashboard::serve(const StoreLocation& where, qint64 idleMs)
{
    m_server = std::make_unique<DashboardServer>(where, idleMs);
    QString error;
    QVERIFY2(m_server->bind(QStringLiteral("127.0.0.1"), 0, &error), qPrintable(error));
    m_thread = std::thread([this] { m_server->run(); });
    m_client = std::make_unique<httplib::Client>("127.0.0.1", m_server->port());
    m_client->set_read_timeout(20, 0);
}

QJsonObject tst_Dashboard::get(const std::string& path, int expected)
{
    const auto result = m_client->Get(path.c_str());
    if (!result) {
        qWarning("no answer to %s", path.c_str());
        return {};
    }
    if (result->status != expected)
        qWarning("%s: %d %s", path.c_str(), result->status, result->body.c_str());
    return result->status == expected
               ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
               : QJsonObject{{"unexpected status", result->status}};
}

void tst_Dashboard::panelsOfHandCountedTests()
{
    LOCATION_OR_SKIP(where);
    fill(where);
    serve(where);

    // Units A B C D and the markup serial; first pass B; final A B D;
    // judged tests 2 1 1 2 1; aborted 2.
    const QJsonObject yield = get("/api/yield");
    const QJsonObject total = yield.value("total").toObject();
    QCOMPARE(total.value("units").toInt(), 5);
    QCOMPARE(total.value("first_pass_yield").toDouble(), 0.2);
    QCOMPARE(total.value("final_yield").toDouble(), 0.6);
    QCOMPARE(total.value("retests").toInt(), 2);
    QCOMPARE(total.value("aborted").toInt(), 2);
    const QJsonArray days = yield.value("days").toArray();
    QCOMPARE(days.size(), 2);
    QCOMPARE(days.at(0).toObject().value("units").toInt(), 5); // every unit began on day 1
    QCOMPARE(days.at(1).toObject().value("aborted").toInt(), 1);
    QCOMPARE(yield.value("stations").toArray().size(), 2);

    // st-1 tested A's abort and D today: D's first judged test was day 1.
    const QJsonArray tiles = get("/api/tiles").value("stations").toArray();
    QCOMPARE(tiles.size(), 2);
    const QJsonObject st1 = tiles.at(0).toObject();
    QCOMPARE(st1.value("station").toString(), QStringLiteral("st-1"));
    QCOMPARE(st1.value("today_tests").toInt(), 2);
    QCOMPARE(st1.value("last_verdict").toString(), QStringLiteral("pass"));
    QVERIFY(st1.value("today_first_pass_yield").isNull()); // no unit began today
    QCOMPARE(tiles.at(1).toObject().value("today_tests").toInt(), 0);
    QCOMPARE(tiles.at(1).toObject().value("idle").toBool(), true);

    // Four failed tests: every one on the quality minimum (A's aborted
    // test, below it too, judged no item).
    const QJsonObject pareto = get("/api/pareto");
    QCOMPARE(pareto.value("failed_tests").toInt(), 4);
    const QJsonObject top = pareto.value("items").toArray().at(0).toObject();
    QCOMPARE(top.value("item").toString(), QStringLiteral("signal.quality_pct_min"));
    QCOMPARE(top.value("failures").toInt(), 4);

    // Newest first, texts as stored, each with its attempt and protocol.
    const QJsonObject latest = get("/api/latest");
    const QJsonArray tests = latest.value("tests").toArray();
    QCOMPARE(tests.size(), 9);
    QCOMPARE(tests.at(0).toObject().value("serial").toString(), QStringLiteral("D"));
    QCOMPARE(tests.at(0).toObject().value("attempt").toInt(), 2);
    QCOMPARE(latest.value("capped").toBool(), false);
    QJsonObject markup;
    for (const QJsonValue& t : tests)
        if (t.toObject().value("serial").toString() == kMarkup)
            markup = t.toObject();
    QVERIFY(markup.value("protocol").toString().endsWith(".pdf"));
    QVERIFY(!markup.value("protocol").toString().contains('<'));
    const QJsonObject details =
        get("/api/test?id=" + QString::number(markup.value("id").toInt()).toStdString());
    QCOMPARE(details.value("serial").toString(), kMarkup);
    QCOMPARE(details.value("items").toArray().size(), 3);
    get("/api/test?id=999999", 404);

    // The quality in start order, each with its profile's limits 50..80.
    const QJsonObject figure = get("/api/figure?figure=signal.quality_pct");
    const QJsonArray points = figure.value("points").toArray();
    QCOMPARE(points.size(), 9);
    QCOMPARE(points.at(0).toObject().value("value").toDouble(), 45.0); // A, day 1 08:00
    QCOMPARE(points.at(0).toObject().value("lower").toDouble(), 50.0);
    QCOMPARE(points.at(0).toObject().value("upper").toDouble(), 80.0);
    QCOMPARE(figure.value("centre").toDouble(), (45 + 72 + 70 + 66 + 30 + 40 + 48 + 45 + 68) / 9.0);
    QVERIFY(figure.value("capability").toObject().value("cpk").isDouble());
    QCOMPARE(figure.value("histogram").toObject().value("counts").toArray().size(), 20);

    // A filter in the address changes the counts.
    const QJsonObject station2 = get("/api/yield?station=st-2");
    QCOMPARE(station2.value("total").toObject().value("units").toInt(), 2);
    QCOMPARE(station2.value("stations").toArray().size(), 1);
    QCOMPARE(get("/api/tiles?station=st-2").value("stations").toArray().size(), 1);
    // Yesterday alone: both stations tested; today only st-1.
    const QString today = dayAt(0, 0).date().toString(Qt::ISODate);
    QCOMPARE(get(("/api/filters?since=" + today).toStdString()).value("stations").toArray(),
             QJsonArray({"st-1"}));
    QCOMPARE(get("/api/latest?serial=A").value("tests").toArray().size(), 3);
    const QString yesterday = dayAt(1, 0).date().toString(Qt::ISODate);
    QCOMPARE(get(("/api/latest?until=" + yesterday).toStdString()).value("tests").toArray().size(),
             7);
    const QJsonObject filters = get("/api/filters");
    QCOMPARE(filters.value("stations").toArray(), QJsonArray({"st-1", "st-2"}));
    // The figures along the travel are offered and charted too (none measured here).
    QVERIFY(filters.value("figures").toArray().contains("travel.amplitude_variation_pct"));
    QCOMPARE(get("/api/figure?figure=speed.within_limit_hz").value("points").toArray().size(), 0);

    // Idle after three days without a test: neither station is.
    stopServing();
    serve(where, 3 * 24 * 3600 * 1000LL);
    const QJsonObject patient = get("/api/tiles");
    QCOMPARE(patient.value("idle_after_s").toInt(), 3 * 24 * 3600);
    for (const QJsonValue& tile : patient.value("stations").toArray())
        QCOMPARE(tile.toObject().value("idle").toBool(), false);
}

// A second dashboard on the same address is refused (the menu entry then
// finds the first one answering), and the page's address for a browser.
void tst_Dashboard::oneServerPerAddress()
{
    QString error;
    const StoreLocation where =
        *StoreLocation::parse(m_dir->filePath(QStringLiteral("results.sqlite")), &error);
    serve(where);
    DashboardServer second(where);
    QVERIFY(!second.bind(QStringLiteral("127.0.0.1"), m_server->port(), &error));
    QVERIFY(error.contains(QString::number(m_server->port())));
    QVERIFY(DashboardLauncher::answers(QStringLiteral("127.0.0.1"), m_server->port()));
    QVERIFY(DashboardLauncher::answers(QStringLiteral("0.0.0.0"), m_server->port()));
    const int port = m_server->port();
    stopServing();
    QVERIFY(!DashboardLauncher::answers(QStringLiteral("127.0.0.1"), port));
    QCOMPARE(DashboardLauncher::pageAddress(QStringLiteral("127.0.0.1"), 8470),
             QStringLiteral("http://127.0.0.1:8470/"));
    QCOMPARE(DashboardLauncher::pageAddress(QStringLiteral("0.0.0.0"), 8470),
             QStringLiteral("http://127.0.0.1:8470/"));
    QCOMPARE(DashboardLauncher::pageAddress(QStringLiteral("::"), 9000),
             QStringLiteral("http://[::1]:9000/"));
    QCOMPARE(DashboardLauncher::pageAddress(QStringLiteral("fe80::1"), 9000),
             QStringLiteral("http://[fe80::1]:9000/"));
}

// rotaprobe-dashboard's options: the defaults, --listen's forms, --idle's
// minutes, and what is refused.
void tst_Dashboard::commandLine()
{
    QString error;
    const auto defaults = DashboardOptions::parse({}, &error);
    QVERIFY(defaults);
    QCOMPARE(defaults->host, QStringLiteral("127.0.0.1"));
    QCOMPARE(defaults->port, 8470);
    QCOMPARE(defaults->idleMinutes, 15);
    QVERIFY(!defaults->open);
    QVERIFY(DashboardOptions::parse({"--open"}, &error)->open);
    const auto given = DashboardOptions::parse(
        {"--listen", "[::1]:9000", "--idle=5", "--db", "postgresql://line@db/rotaprobe"}, &error);
    QVERIFY2(given, qPrintable(error));
    QCOMPARE(given->host, QStringLiteral("::1"));
    QCOMPARE(given->port, 9000);
    QCOMPARE(given->idleMinutes, 5);
    QCOMPARE(given->db, QStringLiteral("postgresql://line@db/rotaprobe"));
    QCOMPARE(DashboardOptions::parse({"--idle", "1440"}, &error)->idleMinutes, 1440);
    for (const QStringList& bad : {QStringList{"--idle", "0"}, QStringList{"--idle=1441"},
                                   QStringList{"--idle", "ten"}, QStringList{"--idle"},
                                   QStringList{"--listen", "::1:8470"},
                                   QStringList{"--listen", "127.0.0.1:0"},
                                   QStringList{"--colour"}, QStringList{"--open=1"}}) {
        error.clear();
        QVERIFY2(!DashboardOptions::parse(bad, &error), qPrintable(bad.join(' ')));
        QVERIFY(!error.isEmpty());
    }
    QVERIFY(DashboardOptions::helpText().contains(QLatin1String("--idle MINUTES")));
}

void tst_Dashboard::hostileRequestsAreRefused()
{
    QString error;
    const StoreLocation where =
        *StoreLocation::parse(m_dir->filePath(QStringLiteral("results.sqlite")), &error);
    ResultStore store(where, m_dir->filePath(QStringLiteral("spool.sqlite")));
    QCOMPARE(store.store(test("H", dayAt(0, 0, 1), "st-1", "pass")).outcome,
             ResultStore::Outcome::Stored);
    serve(where);

    const struct
    {
        const char* path;
        const char* reason;
    } refused[] = {
        {"/api/latest?colour=red", "unknown parameter"},
        {"/api/latest?since=2026-13-01", "YYYY-MM-DD"},
        {"/api/latest?since=yesterday", "YYYY-MM-DD"},
        {"/api/latest?until=2026-01-01T00:00:00Z", "YYYY-MM-DD"},
        {"/api/latest?station=a&station=b", "twice"},
        {"/api/latest?since=2026-03-02&until=2026-03-01", "after"},
        {"/api/latest?since=2020-01-01&until=2026-01-01", "400 days"},
        {"/api/figure?figure=signal.quality_pct;DROP%20TABLE%20results", "no figure"},
        {"/api/latest?kiosk=yes", "kiosk"},
        {"/api/latest?refresh=0", "refresh"},
        {"/api/test?id=1%20OR%20true", "test number"},
        {"/api/test", "missing"},
    };
    for (const auto& r : refused) {
        const auto answer = m_client->Get(r.path);
        QVERIFY2(answer && answer->status == 400, r.path);
        const QString reason = QJsonDocument::fromJson(QByteArray::fromStdString(answer->body))
                                   .object()
                                   .value("error")
                                   .toString();
        QVERIFY2(reason.contains(QLatin1String(r.reason)), qPrintable(reason));
    }
    const std::string tooLong = "/api/latest?serial=" + std::string(201, 'x');
    QCOMPARE(m_client->Get(tooLong.c_str())->status, 400);

    // Bound values: text that would be SQL is a station nobody has.
    QCOMPARE(get("/api/tiles?station=x'%20OR%20'1'='1").value("stations").toArray().size(), 0);
    QCOMPARE(get("/api/latest?serial=%25").value("tests").toArray().size(), 0);
    QCOMPARE(get("/api/latest").value("tests").toArray().size(), 1);

    // Read-only: every other method is refused, HEAD answered.
    for (const auto& answer : {m_client->Post("/api/latest", "x", "text/plain"),
                               m_client->Put("/", "x", "text/plain"),
                               m_client->Delete("/api/test?id=1"),
                               m_client->Patch("/api/latest", "x", "text/plain")}) {
        QVERIFY(answer);
        QCOMPARE(answer->status, 405);
        QCOMPARE(answer->get_header_value("Allow"), std::string("GET, HEAD"));
    }
    const auto head = m_client->Head("/");
    QCOMPARE(head->status, 200);
    QVERIFY(head->body.empty());
    QCOMPARE(m_client->Get("/api/nothing")->status, 404);
    QCOMPARE(m_client->Get("/etc/passwd")->status, 404);
    QCOMPARE(m_client->Get("/vendor/../dashboard.js")->status, 404);

    // The page: its own scripts only, answers that say what they are.
    const auto page = m_client->Get("/");
    QCOMPARE(page->status, 200);
    QVERIFY(page->get_header_value("Content-Security-Policy").find("script-src 'self'") !=
            std::string::npos);
    QCOMPARE(page->get_header_value("X-Content-Type-Options"), std::string("nosniff"));
    QVERIFY(page->body.find("<script>") == std::string::npos);
    const auto chart = m_client->Get("/vendor/chart.min.js");
    QCOMPARE(chart->status, 200);
    QVERIFY(chart->body.size() > 100000);
    QVERIFY(m_client->Get("/vendor/chart.js-copyright.txt")->body.find("MIT") != std::string::npos);
    QCOMPARE(m_client->Get("/api/latest")->get_header_value("Content-Type"),
             std::string("application/json; charset=utf-8"));
}

// The store goes (a file moved away, a database not there yet): 503 and
// the reason; once it is back the same server answers again.
void tst_Dashboard::storeOutOfReachAnswers503AndRecovers()
{
    LOCATION_OR_SKIP(where);
    if (where.engine == StoreLocation::Engine::Sqlite)
        fill(where);
    serve(where);
    if (where.engine == StoreLocation::Engine::Sqlite) {
        QCOMPARE(get("/api/latest").value("tests").toArray().size(), 9);
        QVERIFY(QFile::rename(where.filePath, where.filePath + ".away"));
    }
    const QJsonObject down = get("/api/tiles", 503);
    QVERIFY(down.value("store_unreachable").toBool());
    QVERIFY(!down.value("error").toString().isEmpty());
    if (where.engine == StoreLocation::Engine::Sqlite)
        QVERIFY(QFile::rename(where.filePath + ".away", where.filePath));
    else
        fill(where);
    // Every pool thread finds the store again.
    for (int i = 0; i < 2 * DashboardServer::kThreads; ++i)
        QCOMPARE(get("/api/latest").value("tests").toArray().size(), 9);
}

// The server ends the dashboard's connections (as a restart does): each
// pool thread's next query fails, the one after opens a new connection.
void tst_Dashboard::serverEndingTheConnectionsIsRecovered()
{
    LOCATION_OR_SKIP(where);
    fill(where);
    serve(where);
    for (int i = 0; i < 4 * DashboardServer::kThreads; ++i)
        QCOMPARE(get("/api/latest").value("tests").toArray().size(), 9);
    {
        SqlConnection connection(QStringLiteral("QPSQL"));
        connection.db().setHostName(where.host);
        connection.db().setUserName(QStringLiteral("rotaprobe"));
        connection.db().setDatabaseName(QStringLiteral("postgres"));
        QVERIFY(connection.db().open());
        QSqlQuery ended(connection.db());
        QVERIFY(ended.exec(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM "
                                          "pg_stat_activity WHERE datname = '%1'")
                               .arg(m_database)));
        QVERIFY(ended.next() && ended.value(0).toInt() > 0);
    }
    int failures = 0, answered = 0;
    for (int i = 0; i < 12 * DashboardServer::kThreads && answered < 4 * DashboardServer::kThreads;
         ++i) {
        const auto answer = m_client->Get(i % 2 ? "/api/latest" : "/api/pareto");
        QVERIFY(answer);
        if (answer->status == 200) {
            ++answered;
        } else {
            QCOMPARE(answer->status, 503);
            answered = 0;
            ++failures;
        }
    }
    QVERIFY2(answered == 4 * DashboardServer::kThreads,
             qPrintable(QStringLiteral("%1 failures").arg(failures)));
    QVERIFY(failures <= DashboardServer::kThreads);
}

QTEST_GUILESS_MAIN(tst_Dashboard)
#include "tst_Dashboard.moc"
