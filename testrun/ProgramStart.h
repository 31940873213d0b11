#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;
class QTextStream;

// What rotaprobe-record and RotaprobeStation do alike before their own work
// begins: read the command line (long options also with one dash; unknown
// options and missing values refused, a stray argument handed back), and
// answer a refused command line, --help, --version and --simulate (handed
// over to the program's build on the simulated tester, beside it).
class ProgramStart
{
    Q_DECLARE_TR_FUNCTIONS(ProgramStart)

public:
    static constexpr int kExitDone = 0;
    static constexpr int kExitError = 2;

    // `program`: the name the user types; `simulatedProgram`: the build on
    // the simulated tester (".exe" is added on Windows).
    ProgramStart(const QString& program, const QString& simulatedProgram, QTextStream& out, QTextStream& err);

    // Reads `arguments` (those after the program name) into `parser`, which
    // has its options. False with `error` set when the parser refuses them;
    // `stray`: the first argument that is not an option, if any.
    static bool parse(QCommandLineParser& parser, const QString& program, const QStringList& arguments,
                      QString* error, std::optional<QString>* stray);

    // Each prints its answer and returns the exit code.
    int refuse(const QString& error) const; // the error and "Try --help."
    int help(const QString& text) const;
    int version() const; // "<program> <version>"
    // Runs the simulated build with the same arguments; its exit code.
    int handOverToSimulated() const;

private:
    QString m_program;
    QString m_simulatedProgram;
    QTextStream& m_out;
    QTextStream& m_err;
};
