#include "UpdateQuery.h"

#include "UpdateProtocol.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

void followSafeRedirects(QNetworkRequest& request)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(UpdateQuery::kMaxRedirects);
}

} // namespace

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
    followSafeRedirects(request);
    QNetworkAccessManager manager;
    const Fetched fetched =
        run(manager, manager.post(request, body.toLatin1()), kMaxReplyBytes, timeoutMs);
    Answer answer;
    answer.answered = fetched.answered;
    answer.body = QString::fromUtf8(fetched.body);
    return answer;
}

UpdateQuery::Fetched UpdateQuery::get(const QString& url, qint64 maxBytes, int timeoutMs)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    followSafeRedirects(request);
    QNetworkAccessManager manager;
    return run(manager, manager.get(request), maxBytes, timeoutMs);
}

UpdateQuery::Fetched UpdateQuery::run(QNetworkAccessManager&, QNetworkReply* reply,
                                      qint64 maxBytes, int timeoutMs)
{
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
        if (received.size() > maxBytes) {
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
    Fetched fetched;
    // The loop also ends when the application quits: then there is no answer.
    if (!reply->isFinished()) {
        reply->abort();
    } else if (!timedOut) {
        take();
        if (!tooLong) {
            fetched.body = received;
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            fetched.answered =
                reply->error() == QNetworkReply::NoError && status >= 200 && status <= 299;
        }
    }
    reply->deleteLater();
    return fetched;
}
