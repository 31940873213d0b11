#include "ReferenceService.h"

#include "ProgramFiles.h"
#include "ReleaseManifest.h"
#include "ReleaseSignature.h"
#include "TestKeys.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

namespace {

QString logPath(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("requests.log"));
}

// A path as the PHP server sees it. Under Wine the server is the build
// machine's own PHP (ROTAPROBE_TEST_PHP), which knows Unix paths only:
// Wine's kernel32 translates them.
QString serverPath(const QString& path)
{
#ifdef Q_OS_WIN
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix) {
        const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
        if (char* unixPath = toUnix(native.c_str())) {
            const QString result = QString::fromLocal8Bit(unixPath);
            HeapFree(GetProcessHeap(), 0, unixPath);
            return result;
        }
    }
#endif
    return path;
}

} // namespace

ReferenceService::ReferenceService()
{
    QDir(m_docRoot.path()).mkpath(QStringLiteral("Novrel/Rotaprobe/App"));
    publish(QStringLiteral("1.0.0.15"), QStringLiteral("1.0.0.2"), {});
}

ReferenceService::~ReferenceService()
{
    stop();
}

quint16 ReferenceService::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool ReferenceService::waitForPort(quint16 port, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool ReferenceService::start(const QString& documentRoot)
{
    m_port = freePort();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("REQUEST_LOG"), serverPath(logPath(m_docRoot)));
    m_php.setProcessEnvironment(env);
    m_php.setStandardErrorFile(m_docRoot.filePath(QStringLiteral("server.log")));
    m_php.setStandardOutputFile(QProcess::nullDevice());
    m_php.start(qEnvironmentVariable("ROTAPROBE_TEST_PHP", QStringLiteral("php")),
                {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                 QStringLiteral("-t"),
                 serverPath(documentRoot.isEmpty() ? m_docRoot.path() : documentRoot),
                 serverPath(QStringLiteral(ROTAPROBE_SOURCE_DIR "/service/router.php"))});
    if (!m_php.waitForStarted(5000))
        return false;
    return waitForPort(m_port, 5000);
}

void ReferenceService::stop()
{
    if (m_php.state() != QProcess::NotRunning) {
        m_php.kill();
        m_php.waitForFinished(5000);
    }
}

QString ReferenceService::root() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString ReferenceService::releaseDir() const
{
    return m_docRoot.filePath(QStringLiteral("Novrel/Rotaprobe"));
}

void ReferenceService::publishList(const QString& files)
{
    QFile ini(releaseDir() + QStringLiteral("/release.ini"));
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write("version = 1.0.0.15\nnovrel_version = 1.0.0.2\nfiles = " + files.toUtf8() + "\n");
}

void ReferenceService::publish(const QString& version, const QString& updaterVersion,
                               const QList<QPair<QString, QByteArray>>& files)
{
    QStringList names;
    for (const auto& file : files) {
        names.append(file.first);
        putAppFile(file.first, file.second);
    }
    QFile ini(releaseDir() + QStringLiteral("/release.ini"));
    ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
    ini.write(QStringLiteral("version = %1\nnovrel_version = %2\nfiles = %3\n")
                  .arg(version, updaterVersion, names.join(QLatin1Char(',')))
                  .toUtf8());

    ReleaseManifest manifest;
    manifest.version = version;
    manifest.updaterVersion = updaterVersion;
    manifest.expires = m_expires;
    manifest.updater.name = ProgramFiles::updater();
    manifest.updater.size = m_signedUpdater.size();
    manifest.updater.sha256 = QCryptographicHash::hash(m_signedUpdater, QCryptographicHash::Sha256).toHex();
    for (const QString& name : names)
        manifest.files.append(*ReleaseManifest::describe(releaseDir() + QStringLiteral("/App/") + name));
    putManifest(manifest.serialize(), TestKeys::secretKey());
}

void ReferenceService::putManifest(const QByteArray& manifest, const QByteArray& secretKey)
{
    QFile text(releaseDir() + QStringLiteral("/release.manifest"));
    text.open(QIODevice::WriteOnly | QIODevice::Truncate);
    text.write(manifest);
    QFile signature(releaseDir() + QStringLiteral("/release.manifest.sig"));
    signature.open(QIODevice::WriteOnly | QIODevice::Truncate);
    signature.write(ReleaseSignature::sign(manifest, secretKey));
}

QByteArray ReferenceService::manifest() const
{
    QFile text(releaseDir() + QStringLiteral("/release.manifest"));
    return text.open(QIODevice::ReadOnly) ? text.readAll() : QByteArray();
}

void ReferenceService::putAppFile(const QString& name, const QByteArray& content)
{
    QFile file(releaseDir() + QStringLiteral("/App/") + name);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
}

QList<QJsonObject> ReferenceService::requests() const
{
    QList<QJsonObject> entries;
    QFile log(logPath(m_docRoot));
    if (!log.open(QIODevice::ReadOnly))
        return entries;
    for (const QByteArray& line : log.readAll().split('\n'))
        if (!line.isEmpty())
            entries.append(QJsonDocument::fromJson(line).object());
    return entries;
}

QString ReferenceService::serverLog() const
{
    QFile log(m_docRoot.filePath(QStringLiteral("server.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}
