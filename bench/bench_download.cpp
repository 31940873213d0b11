// Download throughput and memory of iHttpDownloadS beside curl: a 200 MB
// file from the reference service (PHP's built-in server) on loopback.
// Prints figures; asserts nothing.
#include "ReferenceService.h"
#include "iHttpDownloadS.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

constexpr qint64 kFileSize = 200LL * 1024 * 1024;

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

void makeFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 131 + (i >> 9));
    for (qint64 written = 0; written < kFileSize; written += block.size())
        file.write(block);
}

// Writes dirty pages back first, so that one transfer does not pay for the
// previous one's writes.
void settleDisk()
{
    QProcess::execute(QStringLiteral("sync"), {});
}

double secondsWithCurl(const QString& url, const QString& target)
{
    QFile::remove(target);
    settleDisk();
    QElapsedTimer timer;
    timer.start();
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), target, url});
    curl.waitForFinished(-1);
    if (curl.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() * 1e-9;
}

// One transfer with iHttpDownloadS; the resident memory is sampled meanwhile.
double secondsWithDownloader(const QString& url, const QString& target, double* growthMiB,
                             QString* error)
{
    QFile::remove(target);
    settleDisk();
    iHttpDownloadS downloader(nullptr, nullptr);
    const qint64 baseline = residentKiB();
    qint64 peak = baseline;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peak = qMax(peak, residentKiB()); });
    sampler.start(5);
    QEventLoop loop;
    QObject::connect(&downloader, &iHttpDownloadS::Finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    downloader.startDownload(QUrl(url), target);
    loop.exec();
    const double seconds = timer.nsecsElapsed() * 1e-9;
    peak = qMax(peak, residentKiB());
    *growthMiB = (peak - baseline) / 1024.0;
    *error = downloader.lastError();
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    ReferenceService service;
    makeFile(service.releaseDir() + QStringLiteral("/App/big.bin"));
    if (!service.start()) {
        std::printf("download benchmark: php -S did not start\n");
        return 1;
    }
    const QString url = service.root() + QStringLiteral("/Novrel/Rotaprobe/App/big.bin");
    QTemporaryDir out;
    const double mb = kFileSize / (1024.0 * 1024.0);
    std::printf("Download benchmark: %.0f MB from PHP's built-in server on loopback, 3 rounds\n", mb);
    // Warm-up: the first transfer of a process loads Qt's network plugins.
    service.putAppFile(QStringLiteral("small.bin"), QByteArray(4096, 's'));
    double ignored = 0;
    QString error;
    secondsWithDownloader(service.root() + QStringLiteral("/Novrel/Rotaprobe/App/small.bin"),
                          out.filePath(QStringLiteral("small.bin")), &ignored, &error);
    for (int round = 1; round <= 3; ++round) {
        const double curl = secondsWithCurl(url, out.filePath(QStringLiteral("curl.bin")));
        double growth = 0;
        const double ours = secondsWithDownloader(url, out.filePath(QStringLiteral("ours.bin")),
                                                  &growth, &error);
        std::printf("round %d: curl %.2f s (%.0f MB/s); iHttpDownloadS %.2f s (%.0f MB/s, %s): "
                    "%.2f of curl's throughput, peak memory growth %.1f MB\n",
                    round, curl, mb / curl, ours, mb / ours,
                    error.isEmpty() ? "ok" : qPrintable(error), curl / ours, growth);
    }
    return 0;
}
