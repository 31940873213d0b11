#pragma once

#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QProgressBar;
class QTimer;
class QUrl;

// Fetches one file at a time over plain HTTP, writing it to disk chunk by
// chunk as it arrives and optionally driving a progress bar. Callers start a
// transfer, wait for Finished() (exactly once per started transfer) and then
// read lastError(): "" means success. GUI thread only.
class iHttpDownloadS : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleTimeoutMs = 30000;
    // Large enough for few wake-ups per megabyte (bench_download), small
    // enough to keep memory flat.
    static constexpr qint64 kReadBufferBytes = 3 << 20;

    iHttpDownloadS(QObject* parent, QProgressBar* progressBar);
    ~iHttpDownloadS() override;

    // False (and lastError set) when the transfer could not be started.
    bool startDownload(const QUrl& url, const QString& filePath);
    const QString& lastError() const { return m_lastError; }

    // The longest gap between two chunks before the transfer is abandoned.
    void setIdleTimeout(int ms) { m_idleTimeoutMs = ms; }

signals:
    void Finished();

private slots:
    void replyFinished(QNetworkReply* reply);
    void replayDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void slotError(QNetworkReply::NetworkError code);
    void slotReadyRead();
    void handleTimeOut();

private:
    bool setError(const QString& text);

    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
    QString m_lastError;
    QFile m_file;
    QProgressBar* m_progressBar;
    QTimer* m_idleTimer;
    int m_idleTimeoutMs = kIdleTimeoutMs;
    bool m_timedOut = false;
};
