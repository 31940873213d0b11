#include "HttpDownload.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

HttpDownload::HttpDownload(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_idleTimer(new QTimer(this))
{
    qRegisterMetaType<QNetworkReply::NetworkError>();
    connect(m_manager, &QNetworkAccessManager::finished, this, &HttpDownload::replyFinished);
    connect(m_idleTimer, &QTimer::timeout, this, &HttpDownload::handleTimeOut);
    m_idleTimer->setSingleShot(true);
}

HttpDownload::~HttpDownload()
{
    if (m_reply) {
        // Destroyed mid-transfer: nobody waits for the file any more, but
        // its partial target must not stay behind.
        m_reply->disconnect(this);
        m_manager->disconnect(this);
        m_reply->abort();
        m_reply = nullptr;
        setError(QStringLiteral("Error:Operation canceled."));
        closeTarget();
    }
    m_manager->deleteLater();
}

bool HttpDownload::setError(const QString& text)
{
    qDebug("%s", qPrintable(text));
    m_lastError = text;
    return false;
}

bool HttpDownload::startDownload(const QUrl& url, const QString& filePath)
{
    m_lastError.clear();
    if (!url.isValid())
        return setError(QStringLiteral("Error:URL has specify a invalid name."));
    // TLS through QtNetwork and the system's certificates; plain HTTP stays
    // possible, since the signed manifest guards what is installed.
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return setError(QStringLiteral("Error:URL must start with 'http:' or 'https:'"));
    if (url.path(QUrl::FullyDecoded).isEmpty())
        return setError(QStringLiteral("Error:URL's path is empty."));
    if (filePath.isEmpty())
        return setError(QStringLiteral("Error:invalid filePath."));
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(filePath);
    // A link or file standing at the path goes (a link itself, not what it
    // points to); the new file is created exclusively, so nothing planted
    // between the two steps is ever written through. Unbuffered: each chunk
    // goes straight to the file system, so a failed or short write shows in
    // write()'s result at once.
    const QFileInfo existing(filePath);
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir())
        QFile::remove(filePath);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return setError(QStringLiteral("Error:Cannot open file."));
    // Set through the open file, whatever the process's umask made of it.
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    m_statusChecked = false;
    m_received = 0;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    m_reply = m_manager->get(request);
    // Back-pressure: the network thread stops reading from the socket while
    // this much is waiting for us, so a fast server cannot fill memory.
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpDownload::slotReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            &HttpDownload::replayDownloadProgress);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &HttpDownload::slotError);
    // Also armed before the first data: a server that accepts, or sends its
    // headers, and then nothing must not hold the caller for ever.
    m_idleTimer->start(m_idleTimeoutMs);
    return true;
}

void HttpDownload::abortDownload()
{
    if (m_reply)
        fail(QStringLiteral("Error:Operation canceled."));
}

void HttpDownload::fail(const QString& text)
{
    if (m_lastError.isEmpty())
        setError(text);
    m_idleTimer->stop();
    if (m_file.isOpen())
        m_file.close();
    // The reply finishes with an error at once and Finished() follows.
    if (m_reply && !m_reply->isFinished())
        m_reply->abort();
}

void HttpDownload::closeTarget()
{
    if (m_file.isOpen()) {
        m_file.close();
        if (m_file.error() != QFileDevice::NoError && m_lastError.isEmpty())
            setError(QStringLiteral("Error:Cannot write file."));
    }
    // Only a complete file may be installed later: a partial one goes.
    if (!m_lastError.isEmpty() && QFileInfo(m_file.fileName()).isFile())
        m_file.remove();
}

void HttpDownload::slotReadyRead()
{
    // Data after a time-out or an error is dropped, never written to a closed file.
    if (!m_reply || !m_file.isOpen())
        return;
    const QByteArray data = m_reply->readAll();
    m_idleTimer->start(m_idleTimeoutMs);
    if (!m_statusChecked) {
        // The body of any other answer (an error page, a redirect's note) is
        // not the file; the transfer fails when it ends (replyFinished).
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            return;
        m_statusChecked = true;
    }
    m_received += data.size();
    if (m_maxBytes >= 0 && m_received > m_maxBytes) {
        fail(QStringLiteral("Error:File too large."));
        return;
    }
    // A full disk or a file-size limit shows as a failed or short write.
    if (m_file.write(data) != data.size())
        fail(QStringLiteral("Error:Cannot write file."));
}

void HttpDownload::replayDownloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    const double percent = double(bytesReceived) / double(bytesTotal) * 100.0;
    qDebug("%s", qPrintable(QStringLiteral("%1%").arg(percent)));
    emit progressChanged(bytesReceived, bytesTotal);
}

void HttpDownload::slotError(QNetworkReply::NetworkError code)
{
    qDebug("error:%d", int(code));
    // The first failure counts: our own abort (time-out, failed write)
    // reaches this slot too, as a cancelled operation.
    if (m_lastError.isEmpty())
        setError(QStringLiteral("Error:NetworkError code:%1").arg(int(code)));
    if (m_file.isOpen())
        m_file.close();
}

void HttpDownload::replyFinished(QNetworkReply* reply)
{
    if (reply != m_reply) {
        reply->deleteLater(); // a reply of an abandoned transfer
        return;
    }
    m_idleTimer->stop();
    // A redirect that was not followed, or any other final answer outside
    // 2xx that the network layer does not report itself, is a failure too.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_lastError.isEmpty() && (status < 200 || status > 299))
        setError(QStringLiteral("Error:HTTP status %1").arg(status));
    if (m_file.isOpen())
        m_file.waitForBytesWritten(10000);
    closeTarget();
    qDebug("finished");
    m_reply = nullptr;
    reply->deleteLater();
    emit Finished();
}

void HttpDownload::handleTimeOut()
{
    qDebug("time out..");
    m_idleTimer->stop();
    if (m_reply)
        fail(QStringLiteral("Error:Time out.")); // Finished() follows: no caller waits forever
    else if (m_file.isOpen())
        m_file.close();
}

bool HttpDownload::waitUntilFinished()
{
    bool finished = false;
    QEventLoop loop;
    connect(this, &HttpDownload::Finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    loop.exec();
    if (!finished)
        abortDownload();
    return finished && m_lastError.isEmpty();
}
