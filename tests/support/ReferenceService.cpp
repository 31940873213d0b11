#include "ReferenceService.h"

#include "HostPrograms.h"

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

namespace {

QString logPath(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("requests.log"));
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
    QProcess& php = m_php.process();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("REQUEST_LOG"), HostPrograms::path(logPath(m_docRoot)));
    php.setProcessEnvironment(env);
    php.setStandardErrorFile(m_docRoot.filePath(QStringLiteral("server.log")));
    php.setStandardOutputFile(QProcess::nullDevice());
    php.setProgram(HostPrograms::path(qEnvironmentVariable("ROTAPROBE_TEST_PHP", QStringLiteral("php"))));
    // error_log() writes to a file of its own: under Wine PHP's standard
    // error is not the file asked for.
    php.setArguments(
        {QStringLiteral("-d"),
         QStringLiteral("error_log=") + HostPrograms::path(m_docRoot.filePath(QStringLiteral("errors.log"))),
         QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("-t"),
         HostPrograms::path(documentRoot.isEmpty() ? m_docRoot.path() : documentRoot),
         HostPrograms::path(QStringLiteral(ROTAPROBE_SOURCE_DIR "/service/router.php"))});
    return m_php.start() && waitForPort(m_port, 5000);
}

void ReferenceService::stop()
{
    m_php.stop();
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
    // A name the file system cannot hold (CON on Windows) has no file to
    // describe: the manifest leaves it out.
    for (const QString& name : names)
        if (const auto file = ReleaseManifest::describe(releaseDir() + QStringLiteral("/App/") + name))
            manifest.files.append(*file);
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
    QByteArray text;
    for (const char* name : {"server.log", "errors.log"}) {
        QFile log(m_docRoot.filePath(QString::fromLatin1(name)));
        if (log.open(QIODevice::ReadOnly))
            text += log.readAll();
    }
    return QString::fromUtf8(text);
}
