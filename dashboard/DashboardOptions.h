#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// rotaprobe-dashboard's command line:
//   [--db LOCATION] [--listen ADDRESS:PORT]
// The address defaults to 127.0.0.1:8470 (this computer only); another one,
// e.g. 0.0.0.0:8470 for the line's screens, only when given. IPv6 in
// brackets: [::1]:8470.
struct DashboardOptions
{
    Q_DECLARE_TR_FUNCTIONS(DashboardOptions)

public:
    static constexpr int kDefaultPort = 8470;

    QString db; // empty: the default SQLite file
    QString host = QStringLiteral("127.0.0.1");
    int port = kDefaultPort;
    bool help = false;
    bool version = false;

    static std::optional<DashboardOptions> parse(const QStringList& arguments, QString* error);
    static QString helpText();
};
