#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What `rotaprobe-record` was asked to do, from its command line.
struct RecorderOptions
{
    Q_DECLARE_TR_FUNCTIONS(RecorderOptions)

public:
    double seconds = 0.0; // 0: until Ctrl+C
    QString csvPath;      // empty: no CSV
    QString pdfPath;      // empty: no test protocol
    QString profilePath;  // empty: no pass/fail limits
    QString serial;       // empty: the result is not stored
    QString operatorName; // who tested (optional, with a serial)
    QString dbLocation;   // results store; empty: the default file
    bool json = false;
    bool powerOn = false;
    bool simulate = false;
    bool verbose = false; // the device link's log on standard error
    bool help = false;
    bool version = false;

    // Parses the arguments after the program name. On error returns nothing
    // and sets `error` to a sentence for the user.
    static std::optional<RecorderOptions> parse(const QStringList& arguments, QString* error);

    // The --help text.
    static QString helpText(const QString& programName);
};
