#include "UpdateQuery.h"

#include "UpdateProtocol.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

QString UpdateQuery::exchange(const QString& body, const QString& root, int timeoutMs)
{
    return ask(body, root, timeoutMs).body;
}

UpdateQuery::Answer UpdateQuery::ask(const QString& body, const QString& root, int timeoutMs)
{
    QNetworkRequest request(QUrl(UpdateProtocol::queryUrl(root), QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Referer", UpdateProtocol::refererUrl(root).toUtf8());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);

    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.post(request, body.toLatin1());
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool tooLong = false;
    QByteArray received;
    // Taken as it arrives, so a reply beyond the cap is cut off there
    // instead of being held whole.
    auto take = [&] {
        if (tooLong)
            return;
        received += reply->readAll();
        if (received.size() > kMaxReplyBytes) {
            tooLong = true;
            received.clear();
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    Answer answer;
    // The loop also ends when the application quits: then there is no answer.
    if (!reply->isFinished()) {
        reply->abort();
    } else if (!timedOut) {
        take();
        if (!tooLong) {
            answer.body = QString::fromUtf8(received);
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            answer.answered =
                reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299;
        }
    }
    reply->deleteLater();
    return answer;
}
