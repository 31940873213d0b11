#include "iHttpDownloadS.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QProgressBar>
#include <QTimer>
#include <QUrl>

iHttpDownloadS::iHttpDownloadS(QObject* parent, QProgressBar* progressBar)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_progressBar(progressBar),
      m_idleTimer(new QTimer(this))
{
    qRegisterMetaType<QNetworkReply::NetworkError>();
    connect(m_manager, &QNetworkAccessManager::finished, this, &iHttpDownloadS::replyFinished);
    connect(m_idleTimer, &QTimer::timeout, this, &iHttpDownloadS::handleTimeOut);
    m_idleTimer->setSingleShot(true);
}

iHttpDownloadS::~iHttpDownloadS()
{
    m_manager->deleteLater();
}

bool iHttpDownloadS::setError(const QString& text)
{
    qDebug("%s", qPrintable(text));
    m_lastError = text;
    return false;
}

bool iHttpDownloadS::startDownload(const QUrl& url, const QString& filePath)
{
    m_lastError.clear();
    if (!url.isValid())
        return setError(QStringLiteral("Error:URL has specify a invalid name."));
    if (url.scheme() != QLatin1String("http"))
        return setError(QStringLiteral("Error:URL must start with 'http:'"));
    if (url.path(QUrl::FullyDecoded).isEmpty())
        return setError(QStringLiteral("Error:URL's path is empty."));
    if (filePath.isEmpty())
        return setError(QStringLiteral("Error:invalid filePath."));
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(filePath);
    if (!m_file.open(QIODevice::WriteOnly))
        return setError(QStringLiteral("Error:Cannot open file."));

    m_timedOut = false;
    m_reply = m_manager->get(QNetworkRequest(url));
    // Back-pressure: the network thread stops reading from the socket while
    // this much is waiting for us, so a fast server cannot fill memory.
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &iHttpDownloadS::slotReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            &iHttpDownloadS::replayDownloadProgress);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &iHttpDownloadS::slotError);
    return true;
}

void iHttpDownloadS::slotReadyRead()
{
    // Data after a time-out or an error is dropped, never written to a closed file.
    if (!m_reply || !m_file.isOpen())
        return;
    m_file.write(m_reply->readAll());
    m_idleTimer->start(m_idleTimeoutMs);
}

void iHttpDownloadS::replayDownloadProgress(qint64 bytesReceived, qint64 bytesTotal)
{
    const double percent = double(bytesReceived) / double(bytesTotal) * 100.0;
    qDebug("%s", qPrintable(QStringLiteral("%1%").arg(percent)));
    if (m_progressBar && bytesTotal != 0) {
        m_progressBar->setMaximum(int(bytesTotal));
        m_progressBar->setValue(int(bytesReceived));
    }
}

void iHttpDownloadS::slotError(QNetworkReply::NetworkError code)
{
    qDebug("error:%d", int(code));
    if (!m_timedOut)
        setError(QStringLiteral("Error:NetworkError code:%1").arg(int(code)));
    if (m_file.isOpen())
        m_file.close();
}

void iHttpDownloadS::replyFinished(QNetworkReply* reply)
{
    if (reply != m_reply) {
        reply->deleteLater(); // a reply of an abandoned transfer
        return;
    }
    m_idleTimer->stop();
    if (m_file.isOpen()) {
        m_file.waitForBytesWritten(10000);
        m_file.close();
    }
    qDebug("finished");
    m_reply = nullptr;
    reply->deleteLater();
    emit Finished();
}

void iHttpDownloadS::handleTimeOut()
{
    qDebug("time out..");
    m_idleTimer->stop();
    if (m_file.isOpen())
        m_file.close();
    if (m_reply) {
        // Abandon the transfer: the reply finishes with an error and
        // Finished() follows, so no caller waits forever.
        m_timedOut = true;
        setError(QStringLiteral("Error:Time out."));
        m_reply->abort();
    }
}
