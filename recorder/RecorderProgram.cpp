#include "RecorderProgram.h"

#include "ConsoleStream.h"
#include "ProgramStart.h"
#include "QtUsb.h"
#include "Recorder.h"
#include "RecorderOptions.h"
#include "TerminationSignals.h"

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
    const ProgramStart start(QStringLiteral("rotaprobe-record"), QStringLiteral("rotaprobe-record-sim"), out,
                             err);
    QString error;
    const std::optional<RecorderOptions> options =
        RecorderOptions::parse(app.arguments().mid(1), &error);
    if (!options)
        return start.refuse(error);
    g_verboseLink = options->verbose;
    qInstallMessageHandler(messageHandler);
    if (options->help)
        return start.help(RecorderOptions::helpText(QStringLiteral("rotaprobe-record")));
    if (options->version)
        return start.version();
    if (options->simulate && !setup.simulated)
        return start.handOverToSimulated();
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
