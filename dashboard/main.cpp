// rotaprobe-dashboard: the line dashboard in the browser, read-only.
#include "DashboardLauncher.h"
#include "DashboardOptions.h"
#include "DashboardServer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

std::atomic<bool> g_stop{false};

void onSignal(int)
{
    g_stop = true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rotaprobe-dashboard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto options = DashboardOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        err << error << '\n' << DashboardOptions::helpText();
        return 2;
    }
    if (options->help || options->version) {
        out << (options->help ? DashboardOptions::helpText()
                              : QStringLiteral("rotaprobe-dashboard %1\n")
                                    .arg(QCoreApplication::applicationVersion()));
        return 0;
    }
    const auto location = StoreLocation::parse(options->db, &error);
    if (!location) {
        err << QCoreApplication::translate("main", "Bad --db: %1").arg(error) << '\n';
        return 2;
    }
    DashboardServer server(*location, qint64(options->idleMinutes) * 60 * 1000);
    const QString page = DashboardLauncher::pageAddress(options->host, options->port);
    if (!server.bind(options->host, options->port, &error)) {
        // The menu entry a second time: the dashboard started before shows.
        if (options->open && DashboardLauncher::answers(options->host, options->port)) {
            out << QCoreApplication::translate("main", "The line dashboard runs already on %1")
                       .arg(page)
                << '\n';
            return DashboardLauncher::openBrowser(page) ? 0 : 1;
        }
        err << error << '\n';
        return 2;
    }
    const QString host = options->host.contains(QLatin1Char(':'))
                             ? QStringLiteral("[%1]").arg(options->host)
                             : options->host;
    out << QCoreApplication::translate("main", "Line dashboard of %1 on http://%2:%3/")
               .arg(location->display(), host)
               .arg(server.port())
        << '\n';
    out.flush();
    // Bound already: the browser's request waits until the server runs.
    if (options->open && !DashboardLauncher::openBrowser(page))
        err << QCoreApplication::translate("main", "Cannot start a browser (xdg-open) for %1")
                   .arg(page)
            << '\n';
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::thread watcher([&server] {
        while (!g_stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        server.stop();
    });
    server.run();
    g_stop = true;
    watcher.join();
    return 0;
}
