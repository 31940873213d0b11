#pragma once

#include "ResultsCommand.h"

#include <QCoreApplication>
#include <QTextStream>

class ResultStore;

// rotaprobe-results: runs one command against the results store and
// returns the exit code (0 something matched, 1 nothing matched, 2 an error).
class ResultsProgram
{
    Q_DECLARE_TR_FUNCTIONS(ResultsProgram)

public:
    static constexpr int kExitMatched = 0;
    static constexpr int kExitNothing = 1;
    static constexpr int kExitError = 2;

    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

private:
    static int list(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                    QTextStream& err);
    static int show(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                    QTextStream& err);
    static int exportRows(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                          QTextStream& err);
    static int stats(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                     QTextStream& err);
    static int yield(ResultStore& store, const ResultsCommand& command, QTextStream& out,
                     QTextStream& err);
    // Writes to FILE, or to `out` for "-"; on error says so on `err`.
    static bool write(const QString& path, const QByteArray& bytes, QTextStream& out,
                      QTextStream& err);
};
