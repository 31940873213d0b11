#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The station's command line. Every option but --simulate overrides the
// remembered setting for this run only (kiosk set-ups), without changing it.
struct StationOptions
{
    Q_DECLARE_TR_FUNCTIONS(StationOptions)

public:
    bool simulate = false;
    std::optional<QString> dbLocation;
    std::optional<QString> profilePath;
    std::optional<QString> protocolFolder;
    bool help = false;
    bool version = false;

    // The arguments after the program name; on error nothing and `error` set.
    static std::optional<StationOptions> parse(const QStringList& arguments, QString* error);
    static QString helpText(const QString& programName);
};
