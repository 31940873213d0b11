// A probe that looks like a Qt platform plug-in: loading it leaves a marker
// file, so a test can tell whether a program loaded code from a folder
// named on its command line.
#include <QFile>
#include <QObject>

namespace {

__attribute__((constructor)) void leaveMarker()
{
    QFile marker(QStringLiteral(MARKER_FILE));
    if (marker.open(QIODevice::WriteOnly))
        marker.write("loaded\n");
}

} // namespace

class MarkerPlugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface.5.3" FILE
                      "MarkerPlugin.json")
};

#include "MarkerPlugin.moc"
