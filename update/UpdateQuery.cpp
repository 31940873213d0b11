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
    const QString text = timedOut ? QString() : QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    return text;
}
