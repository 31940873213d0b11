#include "StationProgram.h"

#include "AppLook.h"
#include "ProgramStart.h"
#include "QtUsb.h"
#include "Station.h"
#include "StationOptions.h"
#include "StationSettings.h"
#include "StationWindow.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QIcon>
#include <QResource>
#include <QSettings>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

namespace {

void installStationCatalogue()
{
    auto* translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral(":/UI/station_zh"), QString(), QString(), QString()))
        qWarning("StationProgram: catalogue :/UI/station_zh not found");
    QCoreApplication::installTranslator(translator);
}

} // namespace

int StationProgram::run(int argc, char** argv, const Setup& setup)
{
    TerminationSignals::catchEarly();
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Rotaprobe"));
    QCoreApplication::setApplicationName(QStringLiteral("RotaprobeStation"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROTAPROBE_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const ProgramStart start(QStringLiteral("RotaprobeStation"), QStringLiteral("RotaprobeStationSim"), out, err);
    QString error;
    const std::optional<StationOptions> options =
        StationOptions::parse(app.arguments().mid(1), &error);
    if (!options)
        return start.refuse(error);
    if (options->help)
        return start.help(StationOptions::helpText(QStringLiteral("RotaprobeStation")));
    if (options->version)
        return start.version();
    if (options->simulate && !setup.simulated)
        return start.handOverToSimulated();

    TerminationSignals termination(nullptr, TerminationSignals::QuitApplication::No);
    QResource::registerResource(QStringLiteral("tesvane"), QString());
    loadStyleSheet(QStringLiteral("bluenew"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/UI/KORVALIS_ICO")));
    loadTranslator();
    installStationCatalogue();

    std::shared_ptr<SimTester> tester = setup.simulated && setup.plugIn ? setup.plugIn() : nullptr;
    QSettings store;
    StationSettings settings(store, *options);
    QtUsb usb;
    Station station(&usb);
    StationWindow window(station, settings);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window,
                     &QWidget::close);
    QObject::connect(&station, &Station::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&station, &Station::testerChanged, [](bool open, const QString& problem) {
        if (open)
            qDebug("RotaprobeStation: tester connected");
        else
            qDebug("RotaprobeStation: no tester: %s", qPrintable(problem));
    });
    window.show();
    centerOnDesktop(&window);
    qDebug("RotaprobeStation window shown");
    if (tester && setup.showControls)
        setup.showControls(tester, window);
    station.openStore(settings.dbLocation().value);
    station.connectTester();
    return app.exec();
}
