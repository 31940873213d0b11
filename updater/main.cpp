// The updater Novrel: style sheet, icon and catalogue, then its one window,
// centred on the desktop.
#include "FrameGeometry.h"
#include "Novrel.h"
#include "RootEnvironment.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QResource>
#include <QTranslator>

namespace {

// The style sheet up to its first zero byte, read as Latin-1.
QString styleSheet()
{
    QFile file(QStringLiteral(":/UI/%1").arg(QStringLiteral("bluenew")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromLatin1(bytes);
}

} // namespace

int main(int argc, char** argv)
{
    // It may run as root for an ordinary user: nothing of the caller's is
    // taken. Its umask and environment are replaced first, and it gets no
    // arguments (Qt would read its own options, a plug-in folder among
    // them, from the command line).
    RootEnvironment::apply();
    if (argc > 1)
        return 2;
    QApplication app(argc, argv);
    // The program folder is the updater's own: pkexec does not keep the
    // caller's working directory, and every path below is relative to it.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QResource::registerResource(QStringLiteral("novrel"), QString());
    app.setStyleSheet(styleSheet());
    app.setWindowIcon(QIcon(QStringLiteral(":/%1/Laser_32").arg(QStringLiteral("UI"))));
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral(":/UI/novrel_zh")))
        QApplication::installTranslator(translator);
    const TerminationSignals termination;

    Novrel window;
    // Closed in any way (a session's end sends WM_CLOSE), the updater ends.
    QObject::connect(&window, &QDialog::finished, &app, &QCoreApplication::quit);
    window.show();
    window.move(
        FrameGeometry::centredPosition(QApplication::desktop()->geometry(), window.geometry()));
    qDebug("Novrel window shown");
    return app.exec();
}
