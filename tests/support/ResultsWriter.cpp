// results_writer LOCATION SPOOL COUNT PREFIX [PAUSE_MS]: one station storing
// COUNT tests one after another (serials PREFIX-0 ...), as the recorder
// does: the store opened first (spool delivered), then one write per test.
// Prints "stored S spooled P lost L delivered D"; exit 0 unless one was lost.
#include "ResultStore.h"
#include "SampleResults.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: results_writer LOCATION SPOOL COUNT PREFIX [PAUSE_MS]\n");
        return 2;
    }
    QString error;
    const auto location = StoreLocation::parse(args.at(1), &error);
    if (!location) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const int count = args.at(3).toInt();
    const int pauseMs = args.value(5).toInt();
    ResultStore store(*location, args.at(2));
    QStringList warnings;
    if (!store.openForWriting(&error, &warnings)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    int stored = 0, spooled = 0, lost = 0, delivered = 0;
    for (int i = 0; i < count; ++i) {
        const auto outcome =
            store.store(SampleResults::make(QStringLiteral("%1-%2").arg(args.at(4)).arg(i),
                                            QDateTime::currentDateTimeUtc(), 60.0 + i % 20));
        delivered += outcome.delivered;
        switch (outcome.outcome) {
        case ResultStore::Outcome::Stored:
            ++stored;
            break;
        case ResultStore::Outcome::Spooled:
            ++spooled;
            break;
        case ResultStore::Outcome::Lost:
            ++lost;
            std::fprintf(stderr, "%s\n", qPrintable(outcome.message));
            break;
        }
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
    }
    std::printf("stored %d spooled %d lost %d delivered %d\n", stored, spooled, lost, delivered);
    return lost == 0 ? 0 : 1;
}
