#include "RecorderProgram.h"

#include "ConsoleStream.h"
#include "ProcessHandOver.h"
#include "QtUsb.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "TerminationSignals.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

bool g_verboseLink = false;

// The device link logs every open and close on the default category: noise
// on a command line unless asked for with --verbose.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool linkLog = qstrcmp(context.category, "default") == 0 && type != QtFatalMsg;
    if (linkLog && !g_verboseLink)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

QString RecorderProgram::simulatedProgramName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("rotaprobe-record-sim.exe");
#else
    return QStringLiteral("rotaprobe-record-sim");
#endif
}

std::unique_ptr<QCoreApplication> RecorderProgram::application(int& argc, char** argv)
{
    bool protocol = false;
    for (int i = 1; i < argc; ++i)
        protocol = protocol || qstrcmp(argv[i], "--pdf") == 0 || qstrncmp(argv[i], "--pdf=", 6) == 0;
    if (!protocol)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int RecorderProgram::run(QCoreApplication& app, const Setup& setup)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const std::optional<RecorderOptions> options =
        RecorderOptions::parse(app.arguments().mid(1), &error);
    if (!options) {
        err << error << '\n' << tr("Try --help.") << '\n';
        return Recorder::kExitError;
    }
    g_verboseLink = options->verbose;
    qInstallMessageHandler(messageHandler);
    if (options->help) {
        out << RecorderOptions::helpText(QStringLiteral("rotaprobe-record"));
        return Recorder::kExitPass;
    }
    if (options->version) {
        out << QStringLiteral("rotaprobe-record %1\n").arg(app.applicationVersion());
        return Recorder::kExitPass;
    }
    if (options->simulate && !setup.simulated) {
        const QString program =
            QDir(app.applicationDirPath()).filePath(simulatedProgramName());
        if (!QFileInfo(program).isExecutable()) {
            err << tr("The simulated tester is not installed: %1 is missing.").arg(program) << '\n';
            return Recorder::kExitError;
        }
        out.flush();
        err.flush();
        const int code = ProcessHandOver::handOver(program, app.arguments().mid(1));
        if (code < 0) {
            err << tr("Could not start %1.").arg(program) << '\n';
            return Recorder::kExitError;
        }
        return code;
    }
    if (setup.simulated && setup.plugIn)
        setup.plugIn();

    QtUsb usb;
    usb.setStartupPause(setup.startupPauseMs);
    Recorder recorder(*options, &usb, out, err);
    recorder.setProgress(ConsoleStream::isTerminal(stderr));
    TerminationSignals termination(nullptr, TerminationSignals::QuitApplication::No);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &recorder,
                     &Recorder::interrupt);
    QObject::connect(&recorder, &Recorder::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &recorder, &Recorder::start);
    return app.exec();
}
