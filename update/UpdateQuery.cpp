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

    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.post(request, body.toLatin1());
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
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
    if (!reply->isFinished())
        reply->abort();
    else if (!timedOut) {
        answer.body = QString::fromUtf8(reply->readAll());
        answer.answered = reply->error() == QNetworkReply::NoError &&
                          reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    }
    reply->deleteLater();
    return answer;
}
