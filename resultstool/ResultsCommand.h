#pragma once

#include "ResultFilter.h"
#include "ResultYield.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// What `rotaprobe-results` was asked to do:
//   [--db LOCATION] list   [filters] [--json]
//   [--db LOCATION] show   ID [--json]
//   [--db LOCATION] export [filters] [--csv FILE | --json FILE]
//   [--db LOCATION] stats  [filters] [--json]
//   [--db LOCATION] yield  [filters] [--by day|station|profile] [--json]
// filters: --serial SN --since DATE --until DATE --verdict pass|fail|aborted
// --station NAME (yield takes no --verdict).
// Options may stand before or after the command; `--name=value` works too.
struct ResultsCommand
{
    Q_DECLARE_TR_FUNCTIONS(ResultsCommand)

public:
    enum class Kind
    {
        Help,
        Version,
        List,
        Show,
        Export,
        Stats,
        Yield
    };

    Kind kind = Kind::Help;
    QString db; // empty: the default SQLite file
    ResultFilter filter;
    qint64 id = 0;           // show
    bool json = false;       // list, show, stats
    QString csvPath;         // export; "-" standard output
    QString jsonPath;        // export
    bool exportJson = false; // export writes JSON (else CSV)
    ResultYield::Grouping by = ResultYield::Grouping::All; // yield

    // Parses the arguments after the program name; on error returns
    // nothing and sets `error`.
    static std::optional<ResultsCommand> parse(const QStringList& arguments, QString* error);

    static QString helpText();
};
