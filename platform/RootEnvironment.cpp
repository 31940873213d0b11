#include "RootEnvironment.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#ifndef Q_OS_WIN
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RootEnvironment {

namespace {

bool isDecimal(const QString& text)
{
    static const QRegularExpression kDigits(QStringLiteral("^[0-9]{1,10}$"));
    return kDigits.match(text).hasMatch();
}

// A regular file (not a link) owned by one of `owners`. Root's own files
// are not the caller's to name: Xlib, as root, would read any of them.
bool isOwnedFile(const QString& path, const QStringList& owners)
{
#ifndef Q_OS_WIN
    struct stat info;
    if (!path.startsWith(QLatin1Char('/')) || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) && info.st_uid != 0 &&
           owners.contains(QString::number(info.st_uid));
#else
    Q_UNUSED(path)
    Q_UNUSED(owners)
    return false;
#endif
}

} // namespace

QProcessEnvironment kept(const QProcessEnvironment& from)
{
    QProcessEnvironment env;
    QStringList callers;
    for (const char* name : {"PKEXEC_UID", "SUDO_UID"}) {
        const QString key = QString::fromLatin1(name);
        if (from.contains(key) && isDecimal(from.value(key))) {
            env.insert(key, from.value(key));
            callers.append(QString::number(from.value(key).toUInt()));
        }
    }
    static const QRegularExpression kLocalDisplay(QStringLiteral("^:[0-9]{1,4}(\\.[0-9]{1,2})?$"));
    const QString display = from.value(QStringLiteral("DISPLAY"));
    if (kLocalDisplay.match(display).hasMatch()) {
        env.insert(QStringLiteral("DISPLAY"), display);
        const QString authority = from.value(QStringLiteral("XAUTHORITY"));
        if (isOwnedFile(authority, callers))
            env.insert(QStringLiteral("XAUTHORITY"), authority);
    }
    const QString platform = from.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (QStringList({QStringLiteral("xcb"), QStringLiteral("offscreen"), QStringLiteral("minimal")})
            .contains(platform))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/sbin:/usr/bin:/sbin:/bin"));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/root"));
    env.insert(QStringLiteral("USER"), QStringLiteral("root"));
    env.insert(QStringLiteral("LOGNAME"), QStringLiteral("root"));
    const QProcessEnvironment own = ownSettings();
    for (const QString& key : own.keys())
        env.insert(key, own.value(key));
    return env;
}

QProcessEnvironment ownSettings()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("generic"));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return env;
}

void apply()
{
#ifndef Q_OS_WIN
    ::umask(022);
    if (::geteuid() != 0)
        return;
    const QProcessEnvironment keep = kept(QProcessEnvironment::systemEnvironment());
    ::clearenv();
    for (const QString& key : keep.keys())
        ::setenv(key.toLocal8Bit().constData(), keep.value(key).toLocal8Bit().constData(), 1);
#endif
}

} // namespace RootEnvironment
