#include "DashboardLauncher.h"

#include <httplib.h>

#include <QHostAddress>
#include <QProcess>
#include <QStringList>

namespace {

constexpr int kAskTimeoutS = 3;

// Where a browser on this computer reaches a server listening on `host`.
QString reachable(const QString& host)
{
    const QHostAddress address(host);
    if (address == QHostAddress(QHostAddress::AnyIPv4))
        return QStringLiteral("127.0.0.1");
    if (address == QHostAddress(QHostAddress::AnyIPv6))
        return QStringLiteral("::1");
    return host;
}

} // namespace

QString DashboardLauncher::pageAddress(const QString& host, int port)
{
    const QString h = reachable(host);
    return QStringLiteral("http://%1:%2/")
        .arg(h.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(h) : h)
        .arg(port);
}

bool DashboardLauncher::answers(const QString& host, int port)
{
    httplib::Client client(reachable(host).toStdString(), port);
    client.set_connection_timeout(kAskTimeoutS, 0);
    client.set_read_timeout(kAskTimeoutS, 0);
    const auto page = client.Get("/");
    return page && page->status == 200 &&
           page->body.find("<title>Rotaprobe line dashboard</title>") != std::string::npos;
}

bool DashboardLauncher::openBrowser(const QString& url)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}
