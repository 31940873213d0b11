// The main window's live refresh on the simulated tester at full poll rate,
// measuring view shown at 1300 x 750, style sheet applied:
// - the cost of one UiRefresh() (median, 99th percentile);
// - the delay from a reply's RealReadRet() to the end of its refresh (an
//   upper bound of the delay to its start) and the largest backlog of
//   replies not yet shown;
// - CPU of the whole process (GUI thread, worker, painting);
// - resident memory over a long run.
//
//     QT_QPA_PLATFORM=offscreen bench_mainwindow [--minutes N] [--seconds S]
//
// --seconds: length of each timing phase (default 15); --minutes: length of
// the memory run (default 10; 60 for the hour-long check).
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "QtUsb.h"
#include "SimBus.h"
#include "SimHotPlugSource.h"
#include "SimTester.h"
#include "Tesvane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0
                             : 0.0;
}

// Runs the event loop (blocking while idle, as the program does).
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1))];
}

// Timestamps of replies emitted by the worker, taken off as their refreshes
// end; and the start of each queued call the window receives, so that a
// refresh's own cost is its end minus the start of its call.
struct DelayProbe : QObject
{
    std::mutex mutex; // guards emitted
    std::deque<qint64> emitted;
    std::vector<double> delaysMs;
    std::vector<double> costsMs;
    size_t maxBacklog = 0;
    qint64 callStart = -1;
    QElapsedTimer clock;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            callStart = clock.nsecsElapsed();
        return false;
    }
};

void timingPhase(Tesvane& window, SimTester& tester, int latencyMs, int seconds)
{
    SimFaults faults = tester.faults();
    faults.transferDelayMs = latencyMs;
    tester.setFaults(faults);
    runFor(500);

    DelayProbe probe;
    probe.clock.start();
    QtUsb* usb = window.device();
    const auto emitted = QObject::connect(
        usb, &QtUsb::RealReadRet, usb,
        [&probe] {
            std::lock_guard<std::mutex> lock(probe.mutex);
            probe.emitted.push_back(probe.clock.nsecsElapsed());
        },
        Qt::DirectConnection);
    window.installEventFilter(&probe);
    const auto shown = QObject::connect(&window, &Tesvane::UiRefreshOk, &window, [&probe] {
        const qint64 now = probe.clock.nsecsElapsed();
        if (probe.callStart >= 0)
            probe.costsMs.push_back((now - probe.callStart) / 1e6);
        probe.callStart = -1;
        std::lock_guard<std::mutex> lock(probe.mutex);
        probe.maxBacklog = std::max(probe.maxBacklog, probe.emitted.size());
        if (probe.emitted.empty())
            return;
        probe.delaysMs.push_back((now - probe.emitted.front()) / 1e6);
        probe.emitted.pop_front();
    });

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double cpu = (cpuSeconds() - cpuStart) / (wall.nsecsElapsed() / 1e9);
    QObject::disconnect(emitted);
    QObject::disconnect(shown);
    window.removeEventFilter(&probe);
    runFor(100);
    const std::vector<double>& costsMs = probe.costsMs;

    std::printf("latency %d ms per transfer: %zu refreshes in %d s (%.1f/s)\n", latencyMs,
                probe.delaysMs.size(), seconds, probe.delaysMs.size() / double(seconds));
    std::printf("  UiRefresh cost: median %.3f ms, p99 %.3f ms (goal: median <= 0.5 ms)\n",
                percentile(costsMs, 0.5), percentile(costsMs, 0.99));
    std::printf("  reply to end of refresh: median %.3f ms, p99 %.3f ms, max %.3f ms "
                "(goal: p99 <= 16 ms)\n",
                percentile(probe.delaysMs, 0.5), percentile(probe.delaysMs, 0.99),
                percentile(probe.delaysMs, 1.0));
    std::printf("  largest backlog of replies not yet shown: %zu\n", probe.maxBacklog);
    std::printf("  CPU of the process: %.1f %% of one core (goal: <= 25 %%)\n", cpu * 100.0);
}

void memoryRun(SimTester& tester, int minutes)
{
    SimFaults faults = tester.faults();
    faults.transferDelayMs = 0;
    tester.setFaults(faults);
    // Fast enough for five latch rows a second: the tables reach their 200
    // rows and the speed curve its 31 s within the warm-up, so what is left
    // is growth, not filling.
    tester.setSpeed(50.0);
    runFor(60 * 1000);
    const double start = residentMb();
    double peak = start;
    std::printf("memory run: %d min at full rate after a 1 min warm-up, resident at start %.1f MB\n",
                minutes, start);
    std::fflush(stdout);
    for (int minute = 1; minute <= minutes; ++minute) {
        runFor(60 * 1000);
        const double now = residentMb();
        peak = std::max(peak, now);
        std::printf("  after %2d min: %.1f MB (%+.2f MB)\n", minute, now, now - start);
        std::fflush(stdout);
    }
    std::printf("  growth %+.2f MB, peak %+.2f MB (goal: <= 2 MB)\n", residentMb() - start,
                peak - start);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int minutes = 10;
    int seconds = 15;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--minutes") == 0)
            minutes = QByteArray(argv[i + 1]).toInt();
        if (qstrcmp(argv[i], "--seconds") == 0)
            seconds = QByteArray(argv[i + 1]).toInt();
    }
    QFile sheet(QStringLiteral(":/UI/bluenew"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromLatin1(sheet.readAll()));
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));

    SimBus::instance().setRecording(false);
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    tester->setSpeed(3.0);
    // The simulated tester keeps a record of every request for tests (up to
    // some 8 MB); empty it so that it does not count as the program's memory.
    QTimer forget;
    QObject::connect(&forget, &QTimer::timeout, [tester] { tester->clearRequests(); });
    forget.start(1000);
    Tesvane window(nullptr, new SimHotPlugSource, 0);
    window.show();
    runFor(2000);
    window.OnEncoderPower(); // the first read switched the supply off
    runFor(2000);
    if (!tester->supplyOn()) {
        std::fprintf(stderr, "bench_mainwindow: the supply did not come on\n");
        return 1;
    }

    timingPhase(window, *tester, 0, seconds);
    timingPhase(window, *tester, 1, seconds);
    if (minutes > 0)
        memoryRun(*tester, minutes);
    window.close();
    return 0;
}
