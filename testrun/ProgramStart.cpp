#include "ProgramStart.h"

#include "ProcessHandOver.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

ProgramStart::ProgramStart(const QString& program, const QString& simulatedProgram, QTextStream& out,
                           QTextStream& err)
    : m_program(program), m_out(out), m_err(err)
{
#ifdef Q_OS_WIN
    m_simulatedProgram = simulatedProgram + QStringLiteral(".exe");
#else
    m_simulatedProgram = simulatedProgram;
#endif
}

bool ProgramStart::parse(QCommandLineParser& parser, const QString& program, const QStringList& arguments,
                         QString* error, std::optional<QString>* stray)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{program} + arguments)) {
        *error = parser.errorText();
        return false;
    }
    const QStringList positional = parser.positionalArguments();
    *stray = positional.isEmpty() ? std::nullopt : std::optional<QString>(positional.constFirst());
    return true;
}

int ProgramStart::refuse(const QString& error) const
{
    m_err << error << '\n' << tr("Try --help.") << '\n';
    return kExitError;
}

int ProgramStart::help(const QString& text) const
{
    m_out << text;
    return kExitDone;
}

int ProgramStart::version() const
{
    m_out << QStringLiteral("%1 %2\n").arg(m_program, QCoreApplication::applicationVersion());
    return kExitDone;
}

int ProgramStart::handOverToSimulated() const
{
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(m_simulatedProgram);
    if (!QFileInfo(program).isExecutable()) {
        m_err << tr("The simulated tester is not installed: %1 is missing.").arg(program) << '\n';
        return kExitError;
    }
    m_out.flush();
    m_err.flush();
    const int code = ProcessHandOver::handOver(program, QCoreApplication::arguments().mid(1));
    if (code < 0) {
        m_err << tr("Could not start %1.").arg(program) << '\n';
        return kExitError;
    }
    return code;
}
