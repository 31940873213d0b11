#include "StartUp.h"

#include "AppLook.h"
#include "SingleApplication.h"
#include "TerminationSignals.h"
#include "Tesvane.h"
#include "YInfoBox.h"

#include <QIcon>
#include <QResource>

int runTestProgram(int argc, char** argv, const StartUpHooks& hooks)
{
    // SIGTERM/SIGINT (logout, a service manager) end the event loop; the
    // main window's destructor then stops the worker and closes the link.
    // Caught before the single-instance guard listens: from then on others
    // see this copy running and may ask it to stop while it is starting.
    TerminationSignals::catchEarly();
    SingleApplication app(argc, argv);
    TerminationSignals termination;
    QResource::registerResource(QStringLiteral("tesvane"), QString());
    loadStyleSheet(QStringLiteral("bluenew"));
    const QString icon = QStringLiteral(":/%1/KORVALIS_ICO").arg(QStringLiteral("UI"));
    QApplication::setWindowIcon(QIcon(icon));
    loadTranslator();

    if (app.isRunning()) {
        showErrorBox(QObject::tr("Error"), QObject::tr("We have another program running!"),
                     nullptr);
        return 0;
    }

    HotPlugSource* hotPlug = hooks.hotPlugSource ? hooks.hotPlugSource(&app) : nullptr;
    auto* window = new Tesvane(nullptr, hotPlug);
    window->show();
    centerOnDesktop(window);
    if (hooks.afterShow)
        hooks.afterShow(*window);
    const int result = QApplication::exec();
    delete window;
    return result;
}
