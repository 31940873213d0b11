#pragma once

#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QTimer;
class QUrl;

// Fetches one file at a time over HTTP or HTTPS (certificates checked
// against the system's, a failed check is a network error), writing it to disk chunk by
// chunk as it arrives and reporting its progress as a signal (no widgets:
// iHttpDownloadS drives a progress bar with it). Callers start a
// transfer, wait for Finished() (exactly once per started transfer) and then
// read lastError(): "" means success. Only a complete file counts: a failed
// write, a final HTTP status other than 2xx, a network error or an idle
// time-out ends the transfer with an error, and the partly written target is
// removed. The target is made anew, never written through: whatever stands
// at its path (a leftover, a planted link) is removed first, the file is
// created exclusively and readable by its owner only. Redirects are followed when they are no less safe, up to
// kMaxRedirects hops. GUI thread only.
class HttpDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIdleTimeoutMs = 30000;
    static constexpr int kMaxRedirects = 5;
    // Large enough for few wake-ups per megabyte (bench_download), small
    // enough to keep memory flat.
    static constexpr qint64 kReadBufferBytes = 3 << 20;

    explicit HttpDownload(QObject* parent);
    ~HttpDownload() override;

    // False (and lastError set) when the transfer could not be started.
    bool startDownload(const QUrl& url, const QString& filePath);
    const QString& lastError() const { return m_lastError; }

    // Ends the transfer under way (if any) as a failure: Finished() follows
    // at once and the partial target is removed.
    void abortDownload();

    // Runs a local event loop until the transfer started last has finished;
    // true when it completed without error. The loop also ends when the
    // application quits: a transfer still running is then aborted (its
    // partial target removed) and counts as failed.
    bool waitUntilFinished();

    // The longest wait for the first data, and the longest gap between two
    // chunks, before the transfer is abandoned.
    void setIdleTimeout(int ms) { m_idleTimeoutMs = ms; }
    // Transfers started from now on fail ("Error:File too large.") as soon
    // as they pass this many bytes; -1: no limit.
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

signals:
    void Finished();
    // Bytes received so far and the whole size (0 while unknown).
    void progressChanged(qint64 received, qint64 total);

private slots:
    void replyFinished(QNetworkReply* reply);
    void replayDownloadProgress(qint64 bytesReceived, qint64 bytesTotal);
    void slotError(QNetworkReply::NetworkError code);
    void slotReadyRead();
    void handleTimeOut();

private:
    bool setError(const QString& text);
    // Records the first failure of the transfer under way and aborts it.
    void fail(const QString& text);
    // Closes the target and, after a failure, removes what was written.
    void closeTarget();

    QNetworkAccessManager* m_manager;
    QNetworkReply* m_reply = nullptr;
    QString m_lastError;
    QFile m_file;
    QTimer* m_idleTimer;
    int m_idleTimeoutMs = kIdleTimeoutMs;
    bool m_statusChecked = false;
    qint64 m_maxBytes = -1;
    qint64 m_received = 0;
};
