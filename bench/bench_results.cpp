// The results store on SQLite and PostgreSQL with many tests:
//   - storing one test (one transaction, as the recorder does): median,
//     99th percentile and worst time (goal: at most 50 ms),
//   - filling the store (many tests per transaction): tests per second,
//   - `list --serial` on the full store: median time (goal: under 50 ms),
//   - `stats` over a month of tests: median time,
//   - bytes on disk per test.
// bench_results [TESTS [sqlite|postgresql]] (default 1 000 000, both
// engines). PostgreSQL runs when
// ROTAPROBE_BENCH_PGHOST names the socket folder of a server whose user
// "rotaprobe" may create databases (tools/bench.sh starts one).
// Prints figures; asserts nothing.
#include "ResultStore.h"
#include "SampleResults.h"
#include "SqlConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kSingleStores = 500;
constexpr int kBatch = 5000;
constexpr int kLookups = 200;
constexpr int kStatsRounds = 5;
constexpr qint64 kYearMs = 365LL * 24 * 3600 * 1000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(double(v.size()) * p))];
}

// Test i of n: spread over a year, every serial tested twice.
TestResult sample(qint64 i, qint64 n, const QDateTime& start)
{
    return SampleResults::make(
        QStringLiteral("SN-%1").arg(i % std::max<qint64>(1, n / 2), 7, 10, QLatin1Char('0')),
        start.addMSecs(i * (kYearMs / std::max<qint64>(1, n))), 55.0 + double(i % 200) / 10.0,
        double(i % 50) / 25.0 - 1.0);
}

void run(const char* engine, const StoreLocation& location, const QString& spool, qint64 tests,
         const std::function<qint64()>& bytes)
{
    ResultStore store(location, spool);
    QString error;
    QStringList warnings;
    if (!store.openForWriting(&error, &warnings)) {
        std::printf("%s: cannot open: %s\n", engine, qPrintable(error));
        return;
    }
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

    // One transaction per test, as after a recording.
    const qint64 singles = std::min<qint64>(kSingleStores, tests);
    std::vector<double> storeMs;
    for (qint64 i = 0; i < singles; ++i) {
        QElapsedTimer t;
        t.start();
        const auto outcome = store.store(sample(i, tests, start));
        storeMs.push_back(double(t.nsecsElapsed()) / 1e6);
        if (outcome.outcome != ResultStore::Outcome::Stored) {
            std::printf("%s: %s\n", engine, qPrintable(outcome.message));
            return;
        }
    }
    std::fflush(stdout);
    std::printf("%s: store one test: median %.2f ms, p99 %.2f ms, worst %.2f ms over %lld "
                "(goal <= 50 ms)\n",
                engine, median(storeMs), percentile(storeMs, 0.99),
                *std::max_element(storeMs.begin(), storeMs.end()), (long long)singles);

    QElapsedTimer fill;
    fill.start();
    QVector<TestResult> batch;
    for (qint64 i = singles; i < tests; ++i) {
        batch.append(sample(i, tests, start));
        if (batch.size() == kBatch || i + 1 == tests) {
            if (!store.storeMany(batch, &error)) {
                std::printf("%s: fill: %s\n", engine, qPrintable(error));
                return;
            }
            batch.clear();
        }
    }
    const double fillS = double(fill.elapsed()) / 1000.0;
    std::printf("%s: filled %lld tests in %.1f s (%.0f tests/s, %d per transaction)\n", engine,
                (long long)(tests - singles), fillS,
                double(tests - singles) / std::max(fillS, 1e-3), kBatch);

    std::mt19937 rng(11);
    std::uniform_int_distribution<qint64> serial(0, std::max<qint64>(1, tests / 2) - 1);
    std::vector<double> listMs;
    int found = 0;
    for (int i = 0; i < kLookups; ++i) {
        ResultFilter filter;
        filter.serial = QStringLiteral("SN-%1").arg(serial(rng), 7, 10, QLatin1Char('0'));
        QElapsedTimer t;
        t.start();
        const auto rows = store.list(filter, false, &error);
        listMs.push_back(double(t.nsecsElapsed()) / 1e6);
        found += rows ? rows->size() : 0;
    }
    std::printf("%s: list --serial on %lld tests: median %.2f ms, p99 %.2f ms (%.1f tests per "
                "serial; goal < 50 ms)\n",
                engine, (long long)tests, median(listMs), percentile(listMs, 0.99),
                double(found) / kLookups);

    ResultFilter month;
    month.sinceMs = start.addMonths(5).toMSecsSinceEpoch();
    month.beforeMs = start.addMonths(6).toMSecsSinceEpoch();
    std::vector<double> statsMs;
    qint64 counted = 0;
    for (int i = 0; i < kStatsRounds; ++i) {
        QElapsedTimer t;
        t.start();
        const auto stats = store.statistics(month, &error);
        statsMs.push_back(double(t.nsecsElapsed()) / 1e6);
        counted = stats ? stats->count : -1;
    }
    std::printf("%s: stats over a month (%lld tests): median %.1f ms\n", engine, (long long)counted,
                median(statsMs));
    const qint64 size = bytes();
    std::printf("%s: %.2f MB on disk, %.0f bytes per test\n", engine, double(size) / 1e6,
                double(size) / double(tests));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 tests = argc > 1 ? QString::fromLatin1(argv[1]).toLongLong() : 1000000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
    if (tests <= 0 || (!only.isEmpty() && only != QLatin1String("sqlite") &&
                       only != QLatin1String("postgresql"))) {
        std::fprintf(stderr, "usage: bench_results [TESTS [sqlite|postgresql]]\n");
        return 2;
    }
    QTemporaryDir dir;
    QString error;
    const QString file = dir.filePath(QStringLiteral("results.sqlite"));
    if (only != QLatin1String("postgresql"))
        run("SQLite", *StoreLocation::parse(file, &error),
            dir.filePath(QStringLiteral("spool.sqlite")), tests,
            [&] { return QFileInfo(file).size(); });
    if (only == QLatin1String("sqlite"))
        return 0;

    const QString socket = qEnvironmentVariable("ROTAPROBE_BENCH_PGHOST");
    if (socket.isEmpty()) {
        std::printf(
            "PostgreSQL: skipped (ROTAPROBE_BENCH_PGHOST is not set; tools/bench.sh sets it)\n");
        return 0;
    }
    const QString database =
        QStringLiteral("bench_results_%1").arg(QCoreApplication::applicationPid());
    const auto admin = [&](const QString& sql, qint64* value) {
        SqlConnection connection(QStringLiteral("QPSQL"));
        connection.db().setHostName(socket);
        connection.db().setUserName(QStringLiteral("rotaprobe"));
        connection.db().setDatabaseName(QStringLiteral("postgres"));
        QSqlQuery q(connection.db());
        if (!connection.db().open() || !q.exec(sql)) {
            std::printf("PostgreSQL: %s\n",
                        qPrintable(connection.db().lastError().text() + q.lastError().text()));
            return false;
        }
        if (value && q.next())
            *value = q.value(0).toLongLong();
        return true;
    };
    if (!admin(QStringLiteral("CREATE DATABASE %1").arg(database), nullptr))
        return 1;
    const auto location = StoreLocation::parse(
        QStringLiteral("postgresql://rotaprobe@/%1?host=%2").arg(database, socket), &error);
    run("PostgreSQL", *location, dir.filePath(QStringLiteral("spool.sqlite")), tests, [&] {
        qint64 size = 0;
        admin(QStringLiteral("SELECT pg_database_size('%1')").arg(database), &size);
        return size;
    });
    admin(QStringLiteral("DROP DATABASE %1").arg(database), nullptr);
    return 0;
}
