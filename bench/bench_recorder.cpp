// The recorder at the full poll rate of the simulated tester: its own CPU
// (the main thread: draining, analysis, CSV), the whole process's CPU (with
// the worker and the simulated tester), and the reply rate it recorded
// beside the bound the worker's pauses allow. Prints figures; asserts nothing.
//   bench_recorder [--seconds N]   (default 10 per run)
#include "DemoTester.h"
#include "DeviceLinkState.h"
#include "QtUsb.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "SimBus.h"
#include "SimTester.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>

namespace {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void run(int transferDelayMs, double seconds, const QString& csv)
{
    SimBus& bus = SimBus::instance();
    bus.reset();
    bus.setRecording(false);
    DeviceLinkState::global().reset();
    const auto tester = DemoTester::plugIn();
    tester->setSpeed(5.0);
    tester->setReferenceInterval(1);
    SimFaults faults;
    faults.transferDelayMs = transferDelayMs;
    tester->setFaults(faults);

    QString error;
    const auto options = RecorderOptions::parse(
        {"--seconds", QString::number(seconds), "--csv", csv, "--json"}, &error);
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QtUsb usb;
    usb.setStartupPause(0);
    Recorder recorder(*options, &usb, outStream, errStream);
    // The simulated tester keeps every request it was sent: empty it now and
    // then so that its memory does not count.
    QTimer trim;
    QObject::connect(&trim, &QTimer::timeout, [&] { tester->clearRequests(); });
    trim.start(1000);

    const double mainStart = threadCpuSeconds();
    const double processStart = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    recorder.start();
    QEventLoop loop;
    QObject::connect(&recorder, &Recorder::finished, &loop, &QEventLoop::quit);
    if (!recorder.finishedRunning())
        loop.exec();
    const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
    const double mainCpu = threadCpuSeconds() - mainStart;
    const double processCpu = processCpuSeconds() - processStart;

    const QJsonObject json = QJsonDocument::fromJson(out.toUtf8()).object();
    const double rate = json.value("poll_rate").toDouble();
    const double passSeconds = 0.001 + 0.001 + 2.0 * transferDelayMs / 1000.0;
    const double bound = 1.0 / passSeconds;
    std::printf("%d ms per transfer: %.0f replies in %.2f s, %.1f replies/s = %.1f %% of the "
                "worker's bound %.0f/s; recorder (main thread) CPU %.2f %% of one core, whole "
                "process %.1f %% (worker and simulated tester included)\n",
                transferDelayMs, json.value("replies").toDouble(), json.value("duration_s").toDouble(),
                rate, 100.0 * rate / bound, bound, 100.0 * mainCpu / elapsed,
                100.0 * processCpu / elapsed);
    if (!err.isEmpty())
        std::printf("  stderr: %s\n", qPrintable(err));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    double seconds = 10.0;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--seconds"));
    if (at > 0 && at + 1 < args.size())
        seconds = args.at(at + 1).toDouble();
    QTemporaryDir dir;
    std::printf("Recorder benchmark (simulated tester, CSV written, %.0f s per run)\n", seconds);
    for (int delay : {0, 1})
        run(delay, seconds, dir.filePath(QStringLiteral("bench.csv")));
    return 0;
}
