#include "ResultsProgram.h"

#include "ResultStore.h"
#include "ResultsPrinter.h"
#include "YieldPrinter.h"

#include <QJsonDocument>
#include <QSaveFile>

int ResultsProgram::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QString error;
    const std::optional<ResultsCommand> command = ResultsCommand::parse(arguments, &error);
    if (!command) {
        err << error << '\n' << tr("Try --help.") << '\n';
        return kExitError;
    }
    if (command->kind == ResultsCommand::Kind::Help) {
        out << ResultsCommand::helpText();
        return kExitMatched;
    }
    if (command->kind == ResultsCommand::Kind::Version) {
        out << QStringLiteral("rotaprobe-results %1\n").arg(QCoreApplication::applicationVersion());
        return kExitMatched;
    }
    const std::optional<StoreLocation> location = StoreLocation::parse(command->db, &error);
    if (!location) {
        err << tr("Bad --db: %1").arg(error) << '\n';
        return kExitError;
    }
    ResultStore store(*location, StoreLocation::defaultSpoolPath());
    if (!store.openForReading(&error)) {
        err << error << '\n';
        return kExitError;
    }
    switch (command->kind) {
    case ResultsCommand::Kind::List:
        return list(store, *command, out, err);
    case ResultsCommand::Kind::Show:
        return show(store, *command, out, err);
    case ResultsCommand::Kind::Export:
        return exportRows(store, *command, out, err);
    case ResultsCommand::Kind::Stats:
        return stats(store, *command, out, err);
    case ResultsCommand::Kind::Yield:
        return yield(store, *command, out, err);
    case ResultsCommand::Kind::Help:
    case ResultsCommand::Kind::Version:
        break;
    }
    return kExitError;
}

int ResultsProgram::list(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                         QTextStream& err)
{
    QString error;
    const auto rows = store.list(command.filter, false, &error);
    if (!rows) {
        err << error << '\n';
        return kExitError;
    }
    if (command.json)
        out << QJsonDocument(ResultsPrinter::listJson(*rows)).toJson(QJsonDocument::Indented);
    else if (!rows->isEmpty())
        out << ResultsPrinter::listText(*rows);
    return rows->isEmpty() ? kExitNothing : kExitMatched;
}

int ResultsProgram::show(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                         QTextStream& err)
{
    QString error;
    const std::optional<TestResult> result = store.find(command.id, &error);
    if (!result) {
        if (!error.isEmpty()) {
            err << error << '\n';
            return kExitError;
        }
        err << tr("No test %1 in %2.").arg(command.id).arg(store.location().display()) << '\n';
        return kExitNothing;
    }
    if (command.json)
        out << QJsonDocument(ResultsPrinter::showJson(*result)).toJson(QJsonDocument::Indented);
    else
        out << ResultsPrinter::showText(*result);
    return kExitMatched;
}

int ResultsProgram::exportRows(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                               QTextStream& err)
{
    QString error;
    const auto rows = store.list(command.filter, true, &error);
    if (!rows) {
        err << error << '\n';
        return kExitError;
    }
    const bool written =
        command.exportJson
            ? write(
                  command.jsonPath,
                  QJsonDocument(ResultsPrinter::exportJson(*rows)).toJson(QJsonDocument::Indented),
                  out, err)
            : write(command.csvPath, ResultsPrinter::exportCsv(*rows).toUtf8(), out, err);
    if (!written)
        return kExitError;
    return rows->isEmpty() ? kExitNothing : kExitMatched;
}

int ResultsProgram::stats(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                          QTextStream& err)
{
    QString error;
    const std::optional<ResultStatistics> stats = store.statistics(command.filter, &error);
    if (!stats) {
        err << error << '\n';
        return kExitError;
    }
    if (command.json)
        out << QJsonDocument(ResultsPrinter::statsJson(*stats)).toJson(QJsonDocument::Indented);
    else if (stats->count > 0)
        out << ResultsPrinter::statsText(*stats);
    return stats->count == 0 ? kExitNothing : kExitMatched;
}

int ResultsProgram::yield(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                          QTextStream& err)
{
    QString error;
    const auto groups = store.yield(command.filter, command.by, &error);
    if (!groups) {
        err << error << '\n';
        return kExitError;
    }
    bool any = false;
    for (const YieldFigures& g : *groups)
        any = any || g.units > 0 || g.aborted > 0;
    if (command.json)
        out << QJsonDocument(YieldPrinter::json(*groups, command.by)).toJson(QJsonDocument::Indented);
    else if (any)
        out << YieldPrinter::text(*groups, command.by);
    return any ? kExitMatched : kExitNothing;
}

bool ResultsProgram::write(const QString& path, const QByteArray& bytes, QTextStream& out,
                           QTextStream& err)
{
    if (path == QLatin1String("-")) {
        out << QString::fromUtf8(bytes);
        return true;
    }
    // Whole or not at all: a half-written export would read as fewer tests.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        err << tr("Cannot write %1: %2").arg(path, file.errorString()) << '\n';
        return false;
    }
    return true;
}
