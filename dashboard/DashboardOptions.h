#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// rotaprobe-dashboard's command line:
//   [--db LOCATION] [--listen ADDRESS:PORT] [--idle MINUTES] [--open]
// The address defaults to 127.0.0.1:8470 (this computer only); another one,
// e.g. 0.0.0.0:8470 for the line's screens, only when given. IPv6 in
// brackets: [::1]:8470. A station's tile reads "idle" after --idle minutes
// without a stored test (1 to 1440, default 15). --open (the menu entry)
// also shows the page in the desktop's browser, and when a dashboard
// answers on the address already only that.
struct DashboardOptions
{
    Q_DECLARE_TR_FUNCTIONS(DashboardOptions)

public:
    static constexpr int kDefaultPort = 8470;
    static constexpr int kDefaultIdleMinutes = 15;
    static constexpr int kMaxIdleMinutes = 24 * 60;

    QString db; // empty: the default SQLite file
    QString host = QStringLiteral("127.0.0.1");
    int port = kDefaultPort;
    int idleMinutes = kDefaultIdleMinutes;
    bool open = false;
    bool help = false;
    bool version = false;

    static std::optional<DashboardOptions> parse(const QStringList& arguments, QString* error);
    static QString helpText();
};
