#pragma once

#include <QByteArray>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// One query to the update service: a POST of a form body to the query
// endpoint, waited for in a local event loop on the calling thread.
// Redirects are followed when they are no less safe, up to kMaxRedirects
// hops; a reply longer than kMaxReplyBytes is cut off and is no answer.
class UpdateQuery
{
public:
    static constexpr int kTimeoutMs = 15000;
    static constexpr int kMaxRedirects = 5;
    // A file list of a few thousand names is far below this.
    static constexpr qint64 kMaxReplyBytes = 1 << 20;

    // The reply body as text. "" when the service does not answer within
    // the time-out or its reply is too long (no answer); the body of an
    // error reply otherwise.
    static QString exchange(const QString& body, const QString& root, int timeoutMs = kTimeoutMs);

    struct Answer
    {
        bool answered = false; // HTTP 2xx within the time-out and the size cap, no network error
        QString body;
    };
    // The same exchange, telling a real answer from a failed one.
    static Answer ask(const QString& body, const QString& root, int timeoutMs = kTimeoutMs);

    // A GET of a small file (the release manifest, its signature), waited
    // for the same way; a body beyond `maxBytes` is no answer. The body is
    // kept as bytes: it is checked byte for byte.
    struct Fetched
    {
        bool answered = false;
        QByteArray body;
    };
    static Fetched get(const QString& url, qint64 maxBytes, int timeoutMs = kTimeoutMs);

private:
    static Fetched run(QNetworkAccessManager& manager, QNetworkReply* reply, qint64 maxBytes,
                       int timeoutMs);
};
