// A whole update by the updater Novrel: a release of 20 files, 50 MB in all,
// from the reference service on loopback, beside curl fetching the same
// files in one run. The release is signed; the update includes checking
// every file's SHA-256. Prints figures; asserts nothing.
#include "BackgroundButton.h"
#include "Novrel.h"
#include "ReferenceService.h"
#include "ReleaseKey.h"
#include "TestKeys.h"
#include "UpdateCheck.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kFiles = 20;
constexpr int kFileBytes = 50 * 1024 * 1024 / kFiles;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    ReleaseKey::set(TestKeys::publicKey()); // the service signs with the test key
    ReferenceService service;
    QList<QPair<QString, QByteArray>> files;
    QStringList curlArgs = {QStringLiteral("-s")};
    QTemporaryDir curlDir;
    for (int i = 0; i < kFiles; ++i) {
        const QString name = QStringLiteral("part%1.bin").arg(i, 2, 10, QLatin1Char('0'));
        files.append({name, QByteArray(kFileBytes, char('a' + i))});
        curlArgs << QStringLiteral("-o") << curlDir.filePath(name)
                 << QStringLiteral("%1/Novrel/Rotaprobe/App/%2");
    }
    service.publish(QStringLiteral("1.0.0.16"), QStringLiteral("1.0.0.2"), files);
    if (!service.start()) {
        std::printf("update benchmark: php -S did not start\n");
        return 1;
    }
    for (int i = 0; i < kFiles; ++i)
        curlArgs[3 + 3 * i] = curlArgs[3 + 3 * i].arg(service.root(), files[i].first);

    std::printf("Update benchmark: %d files, %d MB in all, reference service on loopback\n", kFiles,
                kFiles * kFileBytes / (1024 * 1024));
    for (int round = 1; round <= 3; ++round) {
        QElapsedTimer timer;
        timer.start();
        QProcess curl;
        curl.start(QStringLiteral("curl"), curlArgs);
        curl.waitForFinished(-1);
        const double curlSeconds = timer.nsecsElapsed() * 1e-9;

        QTemporaryDir programFolder;
        const QString start = QDir::currentPath();
        QDir::setCurrent(programFolder.path());
        UpdateCheck::setProgramFolder(programFolder.path());
        Novrel window;
        window.setServiceRoot(service.root());
        window.show();
        timer.restart();
        QTest::mouseClick(window.updateButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        const double updateSeconds = timer.nsecsElapsed() * 1e-9;
        const QString outcome = window.hintLabel()->text();
        QDir::setCurrent(start);
        std::printf("round %d: curl %.2f s; Novrel update (query, backups, downloads, install) "
                    "%.2f s (%s): %.2f times curl\n",
                    round, curlSeconds, updateSeconds, qPrintable(outcome), updateSeconds / curlSeconds);
    }
    return 0;
}
