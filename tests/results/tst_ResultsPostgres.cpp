// The results store on a real PostgreSQL server: the one tools/test.sh
// starts on a private socket folder (ROTAPROBE_TEST_PGHOST). Each case
// makes a database of its own. Eight stations storing at once, the server
// stopped and started again in the middle of a run, a connection lost
// inside a write's transaction, a spool that outlives a change of the
// URL's connection settings, the migration from the first schema and the
// travel figures' columns added to a store of version 3.
#include "ResultSchema.h"
#include "ResultSpool.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

class tst_ResultsPostgres : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void eightStationsStoreEveryResultOnce();
    void serverStoppedMidRunLosesNothing();
    void connectionLostInsideTheTransactionSpools();
    void settingsAddedLaterStillDeliverTheSpool();
    void migrationFromTheFirstSchema();
    void travelFiguresFromAVersion3Store();

private:
    StoreLocation location() const;
    QString url() const;
    // A query on the case's database (or "postgres"); the first value of the
    // first row. `quiet`: no warning when it fails (a table not made yet).
    QVariant scalar(const QString& sql, const QString& database = QString(), bool quiet = false);
    bool server(const char* command);
    QProcess* writer(int count, const QString& prefix, int pauseMs);

    QString m_socket;
    QString m_database;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_writers;
};

void tst_ResultsPostgres::initTestCase()
{
    if (!qEnvironmentVariableIsSet("ROTAPROBE_TEST_PGHOST"))
        QSKIP("ROTAPROBE_TEST_PGHOST is not set: no PostgreSQL server to test against "
              "(tools/test.sh starts one and sets it; by hand: tools/pgserver.sh init DIR, "
              "tools/pgserver.sh start DIR, ROTAPROBE_TEST_PGHOST=DIR/socket).");
    m_socket = qEnvironmentVariable("ROTAPROBE_TEST_PGHOST");
    QVERIFY2(QFileInfo::exists(m_socket + QStringLiteral("/.s.PGSQL.5432")),
             qPrintable(QStringLiteral("no server socket in ") + m_socket));
}

void tst_ResultsPostgres::init()
{
    static int n = 0;
    m_database = QStringLiteral("results_%1_%2").arg(QCoreApplication::applicationPid()).arg(++n);
    QVERIFY2(
        scalar(QStringLiteral("CREATE DATABASE %1").arg(m_database), QStringLiteral("postgres"))
            .isValid(),
        "cannot create the test database");
    m_dir = std::make_unique<QTemporaryDir>();
    m_writers.clear();
}

QString tst_ResultsPostgres::url() const
{
    return QStringLiteral("postgresql://rotaprobe@/%1?host=%2").arg(m_database, m_socket);
}

StoreLocation tst_ResultsPostgres::location() const
{
    QString error;
    return *StoreLocation::parse(url(), &error);
}

QVariant tst_ResultsPostgres::scalar(const QString& sql, const QString& database, bool quiet)
{
    SqlConnection connection(QStringLiteral("QPSQL"));
    QSqlDatabase& db = connection.db();
    db.setHostName(m_socket);
    db.setUserName(QStringLiteral("rotaprobe"));
    db.setDatabaseName(database.isEmpty() ? m_database : database);
    if (!db.open()) {
        qWarning("%s", qPrintable(db.lastError().text()));
        return {};
    }
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        if (!quiet)
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return {};
    }
    return q.next() ? q.value(0) : QVariant(true);
}

bool tst_ResultsPostgres::server(const char* command)
{
    const int code = QProcess::execute(
        QStringLiteral("bash"), {QStringLiteral(ROTAPROBE_SOURCE_DIR "/tools/pgserver.sh"),
                                 QLatin1String(command), QFileInfo(m_socket).absolutePath()});
    return code == 0;
}

// One station (a process) storing `count` tests, each with its own spool.
QProcess* tst_ResultsPostgres::writer(int count, const QString& prefix, int pauseMs)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QStringLiteral(RESULTS_WRITER),
                   {url(), m_dir->filePath(prefix + QStringLiteral(".spool")),
                    QString::number(count), prefix, QString::number(pauseMs)});
    m_writers.push_back(std::move(process));
    return m_writers.back().get();
}

// Eight stations, 200 tests each, into one new database at once: the
// schema made once, every test there once.
void tst_ResultsPostgres::eightStationsStoreEveryResultOnce()
{
    QList<QProcess*> stations;
    for (int i = 0; i < 8; ++i)
        stations << writer(200, QStringLiteral("S%1").arg(i), 0);
    for (QProcess* station : stations) {
        QVERIFY(station->waitForFinished(120000));
        const QByteArray out = station->readAllStandardOutput();
        QVERIFY2(station->exitCode() == 0, station->readAllStandardError().constData());
        QVERIFY2(out.startsWith("stored 200 spooled 0 lost 0"), out.constData());
    }
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), 1600);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(DISTINCT serial) FROM results")).toInt(), 1600);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM items")).toInt(), 1600 * 3);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM profiles")).toInt(), 1);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM schema_version")).toInt(), 1);
}

// Two stations keep testing while the server is stopped and started
// again: what they could not store waits in their spools and arrives with
// their next writes (or at their next start), each test once.
void tst_ResultsPostgres::serverStoppedMidRunLosesNothing()
{
    QProcess* a = writer(150, QStringLiteral("A"), 10);
    QProcess* b = writer(150, QStringLiteral("B"), 10);
    QElapsedTimer clock;
    clock.start();
    while (scalar(QStringLiteral("SELECT COUNT(*) FROM results"), QString(), true).toInt() < 40 &&
           clock.elapsed() < 30000)
        QTest::qWait(20);
    QVERIFY(server("stop"));
    QTest::qWait(800);
    QVERIFY(server("start"));
    int spooled = 0;
    for (QProcess* station : {a, b}) {
        QVERIFY(station->waitForFinished(120000));
        const QString out = QString::fromUtf8(station->readAllStandardOutput());
        QVERIFY2(station->exitCode() == 0, station->readAllStandardError().constData());
        spooled += out.section(QLatin1Char(' '), 3, 3).toInt();
    }
    QVERIFY2(spooled > 0, "the server stop did not catch a write: nothing was tested");
    // A station's last results may still wait: its next start delivers them.
    for (const char* prefix : {"A", "B"}) {
        QProcess* again = writer(0, QLatin1String(prefix), 0);
        QVERIFY(again->waitForFinished(30000));
        QCOMPARE(again->exitCode(), 0);
        QCOMPARE(ResultSpool(m_dir->filePath(QLatin1String(prefix) + ".spool"))
                     .pending(location().display()),
                 0);
    }
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), 300);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(DISTINCT serial) FROM results")).toInt(), 300);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(DISTINCT uid) FROM results")).toInt(), 300);
}

// The server ends the connection after the rows were written, before
// COMMIT: the transaction is gone and the result is spooled with a
// warning. The next write delivers the spool first, and when that delivery
// fails the same way its results stay spooled; a write that succeeds
// delivers them all, once.
void tst_ResultsPostgres::connectionLostInsideTheTransactionSpools()
{
    ResultStore store(location(), m_dir->filePath(QStringLiteral("spool.sqlite")));
    QString error;
    QStringList warnings;
    QVERIFY2(store.openForWriting(&error, &warnings), qPrintable(error));
    QVERIFY(warnings.isEmpty());
    store.setBeforeCommit([this] {
        scalar(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                              "WHERE datname = '%1' AND pid <> pg_backend_pid()")
                   .arg(m_database));
    });
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto lost = store.store(SampleResults::make(QStringLiteral("T-1"), now));
    QCOMPARE(int(lost.outcome), int(ResultStore::Outcome::Spooled));
    QVERIFY2(lost.message.startsWith("Warning"), qPrintable(lost.message));
    const auto again = store.store(SampleResults::make(QStringLiteral("T-2"), now.addSecs(1)));
    QCOMPARE(int(again.outcome), int(ResultStore::Outcome::Spooled));
    QCOMPARE(again.delivered, 0);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), 0);
    QCOMPARE(ResultSpool(store.spoolPath()).pending(location().display()), 2);

    store.setBeforeCommit({});
    const auto next = store.store(SampleResults::make(QStringLiteral("T-3"), now.addSecs(2)));
    QCOMPARE(int(next.outcome), int(ResultStore::Outcome::Stored));
    QCOMPARE(next.delivered, 2);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), 3);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM items")).toInt(), 9);
    QCOMPARE(ResultSpool(store.spoolPath()).pending(location().display()), 0);
}

// The spool keys its results by the database, not by how it is reached: a
// result spooled under one URL arrives when the station adds connection
// settings to it.
void tst_ResultsPostgres::settingsAddedLaterStillDeliverTheSpool()
{
    const QString spool = m_dir->filePath(QStringLiteral("spool.sqlite"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    {
        ResultStore before(location(), spool);
        before.setBeforeCommit([this] {
            scalar(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                  "WHERE datname = '%1' AND pid <> pg_backend_pid()")
                       .arg(m_database));
        });
        QCOMPARE(int(before.store(SampleResults::make(QStringLiteral("K-1"), now)).outcome),
                 int(ResultStore::Outcome::Spooled));
    }
    QString error;
    const auto later =
        StoreLocation::parse(url() + QStringLiteral("&sslmode=prefer&connect_timeout=5"), &error);
    QVERIFY2(later, qPrintable(error));
    ResultStore after(*later, spool);
    const auto outcome = after.store(SampleResults::make(QStringLiteral("K-2"), now.addSecs(1)));
    QCOMPARE(int(outcome.outcome), int(ResultStore::Outcome::Stored));
    QCOMPARE(outcome.delivered, 1);
    QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM results")).toInt(), 2);
}

void tst_ResultsPostgres::migrationFromTheFirstSchema()
{
    const TestResult old = SampleResults::make(QStringLiteral("OLD-1"),
                                               QDateTime::currentDateTimeUtc().addDays(-400), 61.0);
    {
        SqlConnection connection(QStringLiteral("QPSQL"));
        connection.db().setHostName(m_socket);
        connection.db().setUserName(QStringLiteral("rotaprobe"));
        connection.db().setDatabaseName(m_database);
        QVERIFY(connection.db().open());
        QString error;
        QVERIFY2(SampleResults::writeFirstSchema(connection.db(), StoreLocation::Engine::Postgres,
                                                 old, &error),
                 qPrintable(error));
    }
    ResultStore store(location(), m_dir->filePath(QStringLiteral("spool.sqlite")));
    QString error;
    QVERIFY2(store.openForReading(&error), qPrintable(error));
    QCOMPARE(scalar(QStringLiteral("SELECT MAX(version) FROM schema_version")).toInt(),
             ResultSchema::kCurrentVersion);
    QCOMPARE(scalar(QStringLiteral("SELECT signal_quality_pct FROM results WHERE serial = 'OLD-1'"))
                 .toDouble(),
             61.0);
    QCOMPARE(int(store
                     .store(SampleResults::make(QStringLiteral("NEW-1"),
                                                QDateTime::currentDateTimeUtc()))
                     .outcome),
             int(ResultStore::Outcome::Stored));
    ResultFilter filter;
    filter.serial = QStringLiteral("OLD-1");
    const auto rows = store.list(filter, true, &error);
    QVERIFY2(rows && rows->size() == 1, qPrintable(error));
    QCOMPARE(rows->first().figures.at(6), std::optional<double>(61.0));
}

// A store of version 3 gets the travel figures' columns, filled from its
// stored reports; new tests write them; statistics take them with the
// profile's limit.
void tst_ResultsPostgres::travelFiguresFromAVersion3Store()
{
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-1);
    {
        SqlConnection connection(QStringLiteral("QPSQL"));
        connection.db().setHostName(m_socket);
        connection.db().setUserName(QStringLiteral("rotaprobe"));
        connection.db().setDatabaseName(m_database);
        QVERIFY(connection.db().open());
        QString error;
        QVERIFY2(SampleResults::writeThirdSchema(
                     connection.db(), StoreLocation::Engine::Postgres,
                     {SampleResults::withTravel(SampleResults::make(QStringLiteral("T-1"), start),
                                                12.0, 250.0, 0.25),
                      SampleResults::make(QStringLiteral("P-1"), start.addSecs(60))},
                     &error),
                 qPrintable(error));
    }
    ResultStore store(location(), m_dir->filePath(QStringLiteral("spool.sqlite")));
    QString error;
    QVERIFY2(store.openForReading(&error), qPrintable(error));
    QCOMPARE(scalar(QStringLiteral("SELECT MAX(version) FROM schema_version")).toInt(), ResultSchema::kCurrentVersion);
    QCOMPARE(scalar(QStringLiteral("SELECT travel_amplitude_variation_pct FROM rotaprobe_tests "
                                   "WHERE serial = 'T-1'"))
                 .toDouble(),
             12.0);
    QCOMPARE(scalar(QStringLiteral("SELECT latch_directions_difference_periods FROM results "
                                   "WHERE serial = 'T-1'"))
                 .toDouble(),
             0.25);
    QVERIFY(scalar(QStringLiteral("SELECT travel_amplitude_variation_pct FROM results "
                                  "WHERE serial = 'P-1'"))
                .isNull());
    QCOMPARE(int(store
                     .store(SampleResults::withTravel(
                         SampleResults::make(QStringLiteral("T-2"), start.addSecs(120)), 8.0,
                         200.0, 0.1))
                     .outcome),
             int(ResultStore::Outcome::Stored));
    ResultFilter travel;
    travel.profile = QStringLiteral("travel.json");
    const auto stats = store.statistics(travel, &error);
    QVERIFY2(stats, qPrintable(error));
    QCOMPARE(stats->count, 2);
    bool seen = false;
    for (const ResultStatistics::Figure& f : stats->figures)
        if (f.name == QLatin1String("travel.amplitude_variation_pct")) {
            seen = true;
            QCOMPARE(f.mean, 10.0);
            QCOMPARE(f.upper, std::optional<double>(15.0));
            // s = 2 sqrt 2, Cpk = (15 - 10) / 3s
            QVERIFY(f.cpk && std::fabs(*f.cpk - 5.0 / (6.0 * std::sqrt(2.0))) < 1e-9);
        }
    QVERIFY(seen);
}

QTEST_GUILESS_MAIN(tst_ResultsPostgres)
#include "tst_ResultsPostgres.moc"
