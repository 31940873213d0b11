#pragma once

#include "HostPrograms.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// The project's reference update service under PHP's built-in web server on
// a free loopback port, with its own document root in a temporary folder.
// Every request is logged so tests can check exact headers and bodies.
// PHP is `php` on the PATH, or ROTAPROBE_TEST_PHP (under Wine, the build
// machine's PHP: tools/winrun.sh sets it).
class ReferenceService
{
public:
    ReferenceService();
    ~ReferenceService();

    // Starts the server; false when PHP is missing or it does not listen.
    // By default it serves its own temporary document root; a folder given
    // here is served instead (publish() and putAppFile() do not apply).
    bool start(const QString& documentRoot = QString());
    void stop();

    QString root() const; // "http://127.0.0.1:<port>"
    QString releaseDir() const; // <document root>/Novrel/Rotaprobe

    // Writes release.ini, puts the files into App/ (name -> content) and
    // signs the release manifest with the test key: the files as written,
    // the updater as setSignedUpdater() said.
    void publish(const QString& version, const QString& updaterVersion,
                 const QList<QPair<QString, QByteArray>>& files);
    // The updater the next signed manifests describe (default: empty).
    void setSignedUpdater(const QByteArray& content) { m_signedUpdater = content; }
    // The expiry of the next signed manifests (default: 30 days from the
    // service's start; invalid: none, as manifests made before expiries).
    void setExpires(const QDateTime& expires) { m_expires = expires; }
    // Replaces the manifest and its signature (by `secretKey`) with these.
    void putManifest(const QByteArray& manifest, const QByteArray& secretKey);
    QByteArray manifest() const;
    // Writes a release.ini whose file list is given verbatim.
    void publishList(const QString& files);
    void putAppFile(const QString& name, const QByteArray& content);

    QList<QJsonObject> requests() const;
    // What the server wrote to its error log (PHP's error_log()).
    QString serverLog() const;

    static quint16 freePort();
    static bool waitForPort(quint16 port, int timeoutMs);

private:
    QTemporaryDir m_docRoot;
    QByteArray m_signedUpdater;
    QDateTime m_expires = QDateTime::currentDateTimeUtc().addDays(30);
    HostPrograms m_php;
    quint16 m_port = 0;
};
