#include "InvokingUser.h"

#include "RootEnvironment.h"

#include <QProcess>

#ifdef Q_OS_UNIX
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>
#endif

namespace InvokingUser {

std::optional<uint> caller(const QProcessEnvironment& environment, uint effectiveUid)
{
    if (effectiveUid != 0)
        return std::nullopt;
    for (const char* name : {"PKEXEC_UID", "SUDO_UID"}) {
        const QString key = QString::fromLatin1(name);
        if (!environment.contains(key))
            continue;
        bool ok = false;
        const uint uid = environment.value(key).toUInt(&ok, 10);
        return ok && uid != 0 ? std::optional<uint>(uid) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<Command> commandAsUser(const QString& program, uint uid,
                                     const QProcessEnvironment& environment)
{
#ifdef Q_OS_UNIX
    struct passwd entry;
    struct passwd* found = nullptr;
    QByteArray buffer(16384, '\0');
    if (::getpwuid_r(uid_t(uid), &entry, buffer.data(), size_t(buffer.size()), &found) != 0 ||
        !found)
        return std::nullopt;
    const QString name = QString::fromLocal8Bit(found->pw_name);
    Command command;
    command.program = QStandardPaths::findExecutable(QStringLiteral("runuser"),
                                                     {QStringLiteral("/usr/sbin"),
                                                      QStringLiteral("/sbin"),
                                                      QStringLiteral("/usr/bin")});
    if (command.program.isEmpty())
        return std::nullopt;
    command.arguments = QStringList{QStringLiteral("-u"), name, QStringLiteral("--"), program};
    command.environment = environment;
    command.environment.insert(QStringLiteral("HOME"), QString::fromLocal8Bit(found->pw_dir));
    command.environment.insert(QStringLiteral("USER"), name);
    command.environment.insert(QStringLiteral("LOGNAME"), name);
    command.environment.remove(QStringLiteral("PKEXEC_UID"));
    command.environment.remove(QStringLiteral("SUDO_UID"));
    // The root process's own settings are not the user's program's.
    for (const QString& key : RootEnvironment::ownSettings().keys())
        command.environment.remove(key);
    const QString runtime = QStringLiteral("/run/user/%1").arg(uid);
    if (QFileInfo(runtime).isDir())
        command.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    else
        command.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    return command;
#else
    Q_UNUSED(program)
    Q_UNUSED(uid)
    Q_UNUSED(environment)
    return std::nullopt;
#endif
}

bool startDetached(const QString& program, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_UNIX
    if (::geteuid() == 0) {
        // Never the operator's program as root: as its caller, or not at all.
        const std::optional<uint> user = caller(environment, 0);
        const std::optional<Command> command =
            user ? commandAsUser(program, *user, environment) : std::nullopt;
        if (!command)
            return false;
        process.setProgram(command->program);
        process.setArguments(command->arguments);
        process.setProcessEnvironment(command->environment);
        return process.startDetached();
    }
#endif
    process.setProgram(program);
    return process.startDetached();
}

} // namespace InvokingUser
