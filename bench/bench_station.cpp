// The production station on the simulated tester at full poll rate, window
// shown at its real size with the style sheet, encoder moving, supply
// switched on for each test, judged by the example profile's items (the
// travel's too: the live strip and its analysis every 500 ms):
// - CPU of the whole process while recording (goal: at most 10 % of one
//   core) and by thread (GUI, worker, results store), with the poll rate and
//   how often the live figures were painted;
// - the time from the end of the recording to the verdict painted on
//   screen (goal: at most 200 ms; supply off, judging and protocol
//   included), and to the store's answer.
//
//     QT_QPA_PLATFORM=offscreen bench_station [--tests N] [--seconds S]
#include "DemoTester.h"
#include "ProcessCpu.h"
#include "DeviceLinkState.h"
#include "QtUsb.h"
#include "SimBus.h"
#include "SimTester.h"
#include "Station.h"
#include "StationSettings.h"
#include "StationWindow.h"
#include "VerdictBanner.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>


namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double maximum(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

void runUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int tests = 5;
    double seconds = 5.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--tests") == 0)
            tests = std::max(1, atoi(argv[i + 1]));
        else if (qstrcmp(argv[i], "--seconds") == 0)
            seconds = std::max(0.5, atof(argv[i + 1]));
    }
    QFile sheet(QStringLiteral(":/UI/bluenew"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromLatin1(sheet.readAll()));
    qputenv("XDG_DATA_HOME", QDir::tempPath().toUtf8());
    QTemporaryDir work;
    const QDir dir(work.path());
    QFile profile(dir.filePath("line.json"));
    if (!profile.open(QIODevice::WriteOnly))
        return 1;
    profile.write(QStringLiteral(R"({"signal": {"quality_pct_min": 40, "offset_sin_pct_max": 3,
        "offset_cos_pct_max": 3, "amplitude_ratio_min": 0.9, "amplitude_ratio_max": 1.1,
        "phase_deviation_deg_max": 3, "interpolation_error_pct_max": 1.5},
        "latch": {"spread_max_periods": 1}, "current_ma": {"min": 50, "max": 250},
        "lines": {"missing_max": 0}, "travel": {"amplitude_variation_pct_max": 10,
        "worst_offset_pct_max": 3, "worst_phase_deviation_deg_max": 3,
        "worst_amplitude_ratio_min": 0.9, "worst_amplitude_ratio_max": 1.1},
        "test": {"duration_s": %1, "power_on": true}})")
                      .arg(seconds)
                      .toUtf8());
    profile.close();

    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    SimBus::instance().reset();
    std::shared_ptr<SimTester> tester = DemoTester::plugIn();
    tester->setSpeed(5.0);
    tester->setReferenceInterval(1);
    tester->setSupplyCurrent(118);
    QSettings store(dir.filePath("station.ini"), QSettings::IniFormat);
    store.setValue("profile", dir.filePath("line.json"));
    store.setValue("protocols", dir.filePath("protocols"));
    store.setValue("db", dir.filePath("results.sqlite"));
    StationSettings settings(store, StationOptions());
    QtUsb usb;
    usb.setStartupPause(5);
    Station station(&usb);
    StationWindow window(station, settings);
    window.show();
    station.openStore(settings.dbLocation().value);
    station.connectTester();
    runUntil([&] { return station.testerOpen(); }, 5000);

    // Stop watches: recording start and end, verdict painted, store answered.
    double recordingStart = 0.0, recordingEnd = 0.0, verdictShown = 0.0, filed = 0.0;
    double cpuStart = 0.0;
    std::map<QString, double> threadStart;
    QObject::connect(&station, &Station::phaseChanged, [&](TestSequence::Phase phase) {
        if (phase == TestSequence::Phase::Recording) {
            recordingStart = nowMs();
            cpuStart = ProcessCpu::seconds();
            threadStart = ProcessCpu::threadSeconds();
        }
    });
    std::vector<double> cpu, verdictMs, filedMs, rates, paints;
    std::map<QString, double> threadShare;
    double cpuAtEnd = 0.0;
    std::map<QString, double> threadAtEnd;
    QObject::connect(&station, &Station::recordingEnded, [&] {
        recordingEnd = nowMs();
        cpuAtEnd = ProcessCpu::seconds();
        threadAtEnd = ProcessCpu::threadSeconds();
    });
    // Connected after the window's own slot: runs once the verdict is painted.
    QObject::connect(&station, &Station::testFinished, [&] { verdictShown = nowMs(); });
    QObject::connect(&station, &Station::filed, [&] { filed = nowMs(); });

    std::printf("bench_station: %d tests of %.1f s on the simulated tester, window %dx%d\n", tests,
                seconds, window.width(), window.height());
    // Between units the station holds the tester and its worker polls on.
    const double idleCpu = ProcessCpu::seconds();
    const double idleStart = nowMs();
    runUntil([] { return false; }, 3000);
    std::printf("  idle, tester held: CPU %.1f %% of one core\n",
                (ProcessCpu::seconds() - idleCpu) / ((nowMs() - idleStart) / 1000.0) * 100.0);
    for (int i = 0; i < tests; ++i) {
        verdictShown = filed = 0.0;
        const int paintsBefore = window.livePaints();
        window.serialField()->setText(QStringLiteral("BENCH-%1").arg(i + 1));
        QMetaObject::invokeMethod(window.serialField(), "returnPressed");
        runUntil([&] { return verdictShown > 0.0 && filed > 0.0; }, int(seconds * 1000) + 20000);
        if (verdictShown == 0.0 || filed == 0.0) {
            std::printf("  test %d: no verdict or no store answer\n", i + 1);
            return 1;
        }
        const double wallS = (recordingEnd - recordingStart) / 1000.0;
        cpu.push_back((cpuAtEnd - cpuStart) / wallS * 100.0);
        for (const auto& [name, s] : threadAtEnd)
            threadShare[name] += (s - threadStart[name]) / wallS * 100.0 / tests;
        verdictMs.push_back(verdictShown - recordingEnd);
        filedMs.push_back(filed - recordingEnd);
        rates.push_back(double(station.live().replies) / wallS);
        paints.push_back((window.livePaints() - paintsBefore) / wallS);
        std::printf("  test %d: %s, CPU %.1f %%, %.0f replies/s, end of recording -> verdict "
                    "%.1f ms, -> stored %.1f ms\n",
                    i + 1, qPrintable(window.banner()->title()), cpu.back(), rates.back(),
                    verdictMs.back(), filedMs.back());
        runUntil([] { return false; }, 300);
    }
    std::printf("  CPU while recording: median %.1f %%, max %.1f %% of one core (goal: <= 10 %%)\n",
                median(cpu), maximum(cpu));
    std::printf("  by thread:");
    for (const auto& [name, share] : threadShare)
        if (share >= 0.05)
            std::printf(" %s %.1f %%;", qPrintable(name), share);
    std::printf("\n  poll rate: median %.0f replies/s; live figures painted %.1f times/s "
                "(at most 30)\n",
                median(rates), median(paints));
    std::printf("  end of recording -> verdict on screen: median %.1f ms, max %.1f ms "
                "(goal: <= 200 ms)\n",
                median(verdictMs), maximum(verdictMs));
    std::printf("  end of recording -> result stored: median %.1f ms, max %.1f ms\n",
                median(filedMs), maximum(filedMs));
    station.shutDown();
    runUntil([&] { return station.state() == Station::State::Closed; }, 10000);
    return 0;
}
