// rotaprobe-results: reads the history of encoder tests.
#include "ResultsProgram.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rotaprobe-results"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = ResultsProgram::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}
