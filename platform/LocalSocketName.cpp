#include "LocalSocketName.h"

#include <QDir>
#include <QStandardPaths>

namespace LocalSocketName {

QString forName(const QString& name)
{
#ifdef Q_OS_WIN
    return name;
#else
    // XDG_RUNTIME_DIR, or a private directory Qt creates under /tmp with
    // mode 0700 when there is no session.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        return name;
    return QDir(dir).filePath(name);
#endif
}

} // namespace LocalSocketName
