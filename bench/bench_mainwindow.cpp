// The main window's live path on the simulated tester at full poll rate,
// measuring view shown at 1300 x 750, style sheet applied, supply on,
// encoder moving:
// - the cost of one refresh (median, 99th percentile);
// - the delay from a reply (read by the worker) to the end of the window's
//   repaint that shows it, and how many frames were shown;
// - CPU of the whole process (GUI thread, worker, painting) and where it
//   goes: CPU per thread, the GUI thread's time by kind of event (queued
//   signals, timers, repaints; with BENCH_EVENT_DETAIL also by event type,
//   with their rates) and paint events per widget class, with their rates;
// - resident memory over a long run.
//
//     QT_QPA_PLATFORM=offscreen bench_mainwindow [--minutes N] [--seconds S]
//
// --seconds: length of each timing phase (default 15); --minutes: length of
// the memory run (default 10; 60 for the hour-long check).
#include "DemoTester.h"
#include "ProcessCpu.h"
#include "DeviceLinkState.h"
#include "QtUsb.h"
#include "SimBus.h"
#include "SimHotPlugSource.h"
#include "SimTester.h"
#include "Tesvane.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>
#include <QPaintEvent>
#include <QTimer>

#include <functional>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

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

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}


// The application with a stop watch on every outermost event the GUI thread
// handles, by kind, and a hook after each repaint of the main window.
class BenchApp : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (timing && event->type() == QEvent::Paint)
            return timedPaint(receiver, event);
        if (!timing || depth > 0)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const qint64 start = steadyNs();
        eventStartNs = start;
        ++depth;
        const bool result = QApplication::notify(receiver, event);
        --depth;
        const qint64 end = steadyNs();
        nsByKind[kindOf(type)] += end - start;
        if (detail) {
            const QString key = QStringLiteral("  event type %1").arg(int(type));
            nsByKind[key] += end - start;
            ++countByKind[key];
        }
        if (type == QEvent::UpdateRequest && receiver == window && afterRepaint)
            afterRepaint(end);
        return result;
    }

    // Paint events come one widget at a time: their times add up.
    bool timedPaint(QObject* receiver, QEvent* event)
    {
        const qint64 start = steadyNs();
        const bool result = QApplication::notify(receiver, event);
        const QString key = paintKey(receiver, event);
        paintNsByClass[key] += steadyNs() - start;
        ++paintCountByClass[key];
        return result;
    }

    // The widget's class; with BENCH_PAINT_DETAIL set also its size and the
    // width of the area painted, to tell widgets of one class apart.
    static QString paintKey(QObject* receiver, QEvent* event)
    {
        const QString name = QString::fromLatin1(receiver->metaObject()->className());
        if (!qEnvironmentVariableIsSet("BENCH_PAINT_DETAIL") || !receiver->isWidgetType())
            return name;
        const auto* widget = static_cast<QWidget*>(receiver);
        return QStringLiteral("%1(%2x%3, %4 wide)")
            .arg(name)
            .arg(widget->width())
            .arg(widget->height())
            .arg(static_cast<QPaintEvent*>(event)->rect().width());
    }

    static const char* kindOf(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MetaCall:
            return "queued signals (refreshes, results)";
        case QEvent::Timer:
            return "timers (frames, gauge, picture, speed)";
        case QEvent::UpdateRequest:
        case QEvent::Paint:
            return "repaints (painting and flushing)";
        default:
            return "other events";
        }
    }

    bool timing = false;
    qint64 eventStartNs = 0; // the start of the outermost event handled now
    // BENCH_EVENT_DETAIL: also the time of each event type by its number.
    const bool detail = qEnvironmentVariableIsSet("BENCH_EVENT_DETAIL");
    int depth = 0;
    QObject* window = nullptr;
    std::function<void(qint64)> afterRepaint;
    std::map<QString, qint64> nsByKind;
    std::map<QString, int> countByKind; // with detail: events per type
    std::map<QString, qint64> paintNsByClass;
    std::map<QString, int> paintCountByClass;
};

// Replies as the worker reads them (sequence, time), taken off when the
// repaint of the frame that shows them ends.
struct DelayProbe
{
    std::mutex mutex; // guards emitted
    std::deque<std::pair<quint64, qint64>> emitted;
    std::vector<double> delaysMs;
    std::vector<double> costsMs;
    quint64 shownSequence = 0; // newest reply of a frame not yet repainted
    int frames = 0;
    qint64 lastRefreshNs = 0; // when the previous refresh ended

    void shown(qint64 now)
    {
        std::lock_guard<std::mutex> lock(mutex);
        while (!emitted.empty() && emitted.front().first <= shownSequence) {
            delaysMs.push_back((now - emitted.front().second) / 1e6);
            emitted.pop_front();
        }
    }
};

void timingPhase(BenchApp& app, Tesvane& window, SimTester& tester, int latencyMs, int seconds)
{
    SimFaults faults = tester.faults();
    faults.transferDelayMs = latencyMs;
    tester.setFaults(faults);
    runFor(500);

    DelayProbe probe;
    QtUsb* usb = window.device();
    const auto emitted = QObject::connect(
        usb, &QtUsb::LiveSnapshotRet, usb,
        [&probe](const LiveSnapshot& snapshot) {
            std::lock_guard<std::mutex> lock(probe.mutex);
            probe.emitted.emplace_back(snapshot.sequence, snapshot.receivedNs);
        },
        Qt::DirectConnection);
    // The replies are computed in a batch with each frame: a refresh costs
    // from the end of the one before it, or from the start of the event.
    const auto refreshed = QObject::connect(&window, &Tesvane::UiRefreshOk, &window, [&] {
        const qint64 now = steadyNs();
        const qint64 from = std::max(app.eventStartNs, probe.lastRefreshNs);
        probe.costsMs.push_back((now - from) / 1e6);
        probe.lastRefreshNs = now;
    });
    const auto shown = QObject::connect(&window, &Tesvane::frameShown, &window,
                                        [&probe](quint64 sequence) {
                                            ++probe.frames;
                                            probe.shownSequence = sequence;
                                        });
    app.window = &window;
    app.afterRepaint = [&probe](qint64 now) { probe.shown(now); };
    app.nsByKind.clear();
    app.countByKind.clear();
    app.paintNsByClass.clear();
    app.paintCountByClass.clear();
    app.timing = true;

    const std::map<QString, double> threadsStart = ProcessCpu::threadSeconds();
    const double cpuStart = ProcessCpu::seconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double wallS = wall.nsecsElapsed() / 1e9;
    const double cpu = (ProcessCpu::seconds() - cpuStart) / wallS;
    const std::map<QString, double> threadsEnd = ProcessCpu::threadSeconds();
    app.timing = false;
    app.afterRepaint = nullptr;
    QObject::disconnect(emitted);
    QObject::disconnect(refreshed);
    QObject::disconnect(shown);
    runFor(100);

    std::printf("latency %d ms per transfer: %zu replies shown in %d s (%.1f/s), %d frames "
                "(%.1f/s)\n",
                latencyMs, probe.delaysMs.size(), seconds, probe.delaysMs.size() / double(seconds),
                probe.frames, probe.frames / wallS);
    std::printf("  refresh cost: median %.3f ms, p99 %.3f ms\n", percentile(probe.costsMs, 0.5),
                percentile(probe.costsMs, 0.99));
    std::printf("  reply to end of the repaint showing it: median %.3f ms, p99 %.3f ms, "
                "max %.3f ms (goal: p99 <= 33 ms)\n",
                percentile(probe.delaysMs, 0.5), percentile(probe.delaysMs, 0.99),
                percentile(probe.delaysMs, 1.0));
    std::printf("  CPU of the process: %.1f %% of one core (goal: <= 10 %% at full rate)\n",
                cpu * 100.0);
    std::printf("  profile, CPU by thread:");
    for (const auto& [name, end] : threadsEnd) {
        const auto start = threadsStart.find(name);
        const double used = end - (start == threadsStart.end() ? 0.0 : start->second);
        if (used > 0.0)
            std::printf(" %s %.1f %%;", qPrintable(name), used / wallS * 100.0);
    }
    std::printf("\n  profile, GUI thread time by event kind (%% of wall time):");
    for (const auto& [kind, ns] : app.nsByKind) {
        std::printf(" %s %.1f %%", qPrintable(kind), ns / 1e9 / wallS * 100.0);
        const auto count = app.countByKind.find(kind);
        if (count != app.countByKind.end())
            std::printf(" (%.0f/s)", count->second / wallS);
        std::printf(";");
    }
    std::printf("\n  profile, paint events by widget class (%% of wall time):");
    for (const auto& [name, ns] : app.paintNsByClass)
        if (ns / 1e9 / wallS >= 0.001)
            std::printf(" %s %.1f %% (%.0f/s);", qPrintable(name), ns / 1e9 / wallS * 100.0,
                        app.paintCountByClass[name] / wallS);
    std::printf("\n");
    std::fflush(stdout);
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
    BenchApp app(argc, argv);
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

    timingPhase(app, window, *tester, 0, seconds);
    timingPhase(app, window, *tester, 1, seconds);
    if (minutes > 0)
        memoryRun(*tester, minutes);
    window.close();
    return 0;
}
