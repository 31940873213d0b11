// The line dashboard on a large store: TESTS tests over a year from eight
// stations (SQLite, and PostgreSQL when ROTAPROBE_BENCH_PGHOST names a
// server's socket folder), served by the dashboard's own server in this
// process and asked over HTTP:
//   - the page's first full load: every panel for the last 30 days, one
//     after another as the page asks them (goal: each answer under 300 ms),
//   - each panel's answer again: median and worst of 5,
//   - the process's resident memory after (goal: under 100 MB, the
//     filling included when it filled the store).
// bench_dashboard [TESTS [sqlite|postgresql]] (default 1 000 000, both).
// With ROTAPROBE_BENCH_KEEP=DIR the stores are kept for the next run (the
// SQLite file DIR/dashboard-TESTS.sqlite, the database bench_dashboard_TESTS)
// and a store kept before is read as it is, after the migration it may
// need (timed). Prints figures; asserts nothing.
#include "DashboardServer.h"
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A year of tests from eight stations, newest now; one in 12 fails and is
// retested at the next station.
bool fill(ResultStore& store, int count, QString* error)
{
    std::mt19937 random(1);
    std::normal_distribution<double> quality(66.0, 5.0);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 spanS = 365LL * 24 * 3600;
    QVector<TestResult> batch;
    int serial = 0;
    for (int i = 0; i < count;) {
        const QDateTime start = now.addSecs(-spanS + spanS * i / count);
        TestResult r = SampleResults::make(QStringLiteral("SN%1").arg(++serial), start,
                                           quality(random));
        r.station = QStringLiteral("line-st%1").arg(serial % 8 + 1);
        batch.append(r);
        ++i;
        if (r.verdict == QLatin1String("fail") && i < count) {
            TestResult again = SampleResults::make(r.serial, start.addSecs(300), 68.0);
            again.station = QStringLiteral("line-st%1").arg((serial + 1) % 8 + 1);
            batch.append(again);
            ++i;
        }
        if (batch.size() >= 5000 || i >= count) {
            if (!store.storeMany(batch, error))
                return false;
            batch.clear();
        }
    }
    return true;
}

// A store kept by an earlier run is opened (and migrated, timed) instead.
bool prepare(const StoreLocation& location, int count, bool kept)
{
    ResultStore store(location, QString());
    QString error;
    QElapsedTimer clock;
    clock.start();
    if (kept) {
        if (!store.openForReading(&error)) {
            std::printf("cannot open the kept store: %s\n", qPrintable(error));
            return false;
        }
        std::printf("kept store opened (migrated where older) in %.1f s\n",
                    clock.elapsed() / 1000.0);
        return true;
    }
    if (!fill(store, count, &error)) {
        std::printf("fill failed: %s\n", qPrintable(error));
        return false;
    }
    std::printf("filled in %.1f s (%.0f tests/s)\n", clock.elapsed() / 1000.0,
                count * 1000.0 / std::max<qint64>(1, clock.elapsed()));
    return true;
}

void run(const StoreLocation& location, int count, bool kept)
{
    std::printf("== %s, %d tests\n", location.engine == StoreLocation::Engine::Postgres
                                          ? "PostgreSQL"
                                          : "SQLite",
                count);
    if (!prepare(location, count, kept))
        return;
    DashboardServer server(location);
    QString error;
    if (!server.bind(QStringLiteral("127.0.0.1"), 0, &error)) {
        std::printf("%s\n", qPrintable(error));
        return;
    }
    std::thread thread([&server] { server.run(); });
    httplib::Client client("127.0.0.1", server.port());
    client.set_read_timeout(120, 0);
    // As the page asks: one connection kept open, its panels one after
    // another (so one pool thread and its store answer them).
    client.set_keep_alive(true);
    const char* panels[] = {"/api/filters", "/api/tiles",  "/api/yield",
                            "/api/pareto",  "/api/figure", "/api/latest"};
    const auto ask = [&](const char* path) {
        QElapsedTimer clock;
        clock.start();
        const auto answer = client.Get(path);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (!answer || answer->status != 200)
            std::printf("  %s failed: %d\n", path, answer ? answer->status : -1);
        return ms;
    };
    std::printf("first full load (last 30 days):\n");
    double total = 0.0;
    for (const char* path : panels) {
        const double ms = ask(path);
        total += ms;
        std::printf("  %-14s %8.1f ms\n", path, ms);
    }
    std::printf("  %-14s %8.1f ms\n", "all panels", total);
    std::printf("each panel again, 5 times (median / worst):\n");
    for (const char* path : panels) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i)
            times.push_back(ask(path));
        std::sort(times.begin(), times.end());
        std::printf("  %-14s %8.1f / %8.1f ms\n", path, times[2], times.back());
    }
    std::printf("  %-14s %8.1f ms\n", "one station's yield",
                ask("/api/yield?station=line-st3"));
    std::printf("resident memory: %.1f MB\n", residentKb() / 1024.0);
    server.stop();
    thread.join();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args.at(1).toInt() : 1000000;
    const QString only = args.value(2);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    const QString keep = qEnvironmentVariable("ROTAPROBE_BENCH_KEEP");
    QString error;
    if (only.isEmpty() || only == QLatin1String("sqlite")) {
        const QString file = keep.isEmpty()
                                 ? dir.filePath(QStringLiteral("bench.sqlite"))
                                 : QStringLiteral("%1/dashboard-%2.sqlite").arg(keep).arg(count);
        run(*StoreLocation::parse(file, &error), count, QFile::exists(file));
    }
    const QString socket = qEnvironmentVariable("ROTAPROBE_BENCH_PGHOST");
    if ((only.isEmpty() || only == QLatin1String("postgresql")) && !socket.isEmpty()) {
        const QString database = keep.isEmpty()
                                     ? QStringLiteral("bench_dashboard_%1").arg(app.applicationPid())
                                     : QStringLiteral("bench_dashboard_%1").arg(count);
        SqlConnection server(QStringLiteral("QPSQL"));
        server.db().setHostName(socket);
        server.db().setUserName(QStringLiteral("rotaprobe"));
        server.db().setDatabaseName(QStringLiteral("postgres"));
        if (!server.db().open()) {
            std::printf("cannot reach the PostgreSQL server\n");
            return 1;
        }
        QSqlQuery exists(server.db());
        exists.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
        exists.addBindValue(database);
        const bool kept = exists.exec() && exists.next();
        if (!kept && !QSqlQuery(server.db()).exec(QStringLiteral("CREATE DATABASE ") + database)) {
            std::printf("cannot create the PostgreSQL database\n");
            return 1;
        }
        run(*StoreLocation::parse(
                QStringLiteral("postgresql://rotaprobe@/%1?host=%2").arg(database, socket), &error),
            count, kept);
        if (keep.isEmpty())
            QSqlQuery(server.db())
                .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
    }
    return 0;
}
