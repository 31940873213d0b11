// Device link figures: poll rate of the worker against the simulated tester
// beside the bound its own pauses allow, decode time per reply, and the
// worker's CPU time while polling. Prints figures; asserts nothing.
#include "QtUsb.h"
#include "ReportFrame.h"
#include "SimBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

struct PollFigures
{
    double repliesPerSecond;
    double boundPerSecond;
    double cpuShare; // worker CPU seconds per wall second
};

double threadCpuSeconds(pthread_t thread)
{
    clockid_t clock;
    if (pthread_getcpuclockid(thread, &clock) != 0)
        return 0.0;
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

PollFigures measurePolling(int transferDelayMs, double seconds)
{
    SimBus& bus = SimBus::instance();
    bus.reset();
    bus.setRecording(false);
    auto tester = bus.addTester();
    tester->setSpeed(5.0);
    SimFaults faults;
    faults.transferDelayMs = transferDelayMs;
    tester->setFaults(faults);

    DeviceLinkState::global().reset();
    QtUsb usb;
    usb.setStartupPause(0);
    std::atomic<long> replies{0};
    std::atomic<bool> haveThread{false};
    pthread_t worker{};
    QObject::connect(
        &usb, &QtUsb::RealReadRet, &usb,
        [&] {
            if (!haveThread.exchange(true))
                worker = pthread_self();
            replies.fetch_add(1);
        },
        Qt::DirectConnection);
    usb.initDevice(QtUsb::kVendorId, QtUsb::kProductId);
    usb.start(QThread::HighestPriority);
    while (replies.load() < 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    const long startReplies = replies.load();
    const double startCpu = threadCpuSeconds(worker);
    QElapsedTimer wall;
    wall.start();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
    const long counted = replies.load() - startReplies;
    const double cpu = threadCpuSeconds(worker) - startCpu;
    usb.stopWorker();
    usb.closeDevice();

    // Per pass: 1 ms loop sleep, one write, 1 ms wait for the reply, one read.
    const double passSeconds = 0.001 + 0.001 + 2.0 * transferDelayMs / 1000.0;
    return {double(counted) / elapsed, 1.0 / passSeconds, cpu / elapsed};
}

double decodeNanoseconds()
{
    ReportFrame::Report reply{};
    reply[0] = 0x11;
    reply[1] = 0x11;
    reply[4] = 12;
    reply[8] = 1;
    const RegisterGroupList groups = ReportFrame::pollGroups();
    for (int i = 0; i < 12; ++i) {
        reply[size_t(16 + 4 * i)] = quint8(groups[0].addresses[size_t(i)]);
        reply[size_t(17 + 4 * i)] = quint8(groups[0].addresses[size_t(i)] >> 8);
        reply[size_t(18 + 4 * i)] = quint8(i * 7);
    }
    LiveValues values;
    const int rounds = 5000000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        reply[18] = quint8(i);
        ReportFrame::decodeRealTimeReply(reply.data(), 64, values);
    }
    const double ns = double(timer.nsecsElapsed()) / rounds;
    std::printf("  (checksum %lld)\n", static_cast<long long>(values.sinCosPosition));
    return ns;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const double seconds = 3.0;

    std::printf("Device link benchmark (simulated tester, %.0f s per run)\n", seconds);
    for (int delay : {0, 1}) {
        const PollFigures f = measurePolling(delay, seconds);
        std::printf("poll rate, %d ms per transfer: %.1f replies/s, bound %.1f/s, %.1f %% of bound; "
                    "worker CPU %.2f %% of one core\n",
                    delay, f.repliesPerSecond, f.boundPerSecond,
                    100.0 * f.repliesPerSecond / f.boundPerSecond, 100.0 * f.cpuShare);
    }
    const double ns = decodeNanoseconds();
    std::printf("decode of one 12-entry real-time reply: %.1f ns\n", ns);
    return 0;
}
