#include "InvokingUser.h"

#include <QProcess>

#ifdef Q_OS_UNIX
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>
#endif

namespace InvokingUser {

std::optional<uint> pkexecCaller(const QProcessEnvironment& environment, uint effectiveUid)
{
    if (effectiveUid != 0 || !environment.contains(QStringLiteral("PKEXEC_UID")))
        return std::nullopt;
    bool ok = false;
    const uint uid = environment.value(QStringLiteral("PKEXEC_UID")).toUInt(&ok, 10);
    if (!ok || uid == 0)
        return std::nullopt;
    return uid;
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
    if (const std::optional<uint> caller = pkexecCaller(environment, uint(::geteuid()))) {
        const std::optional<Command> command = commandAsUser(program, *caller, environment);
        if (!command)
            return false; // never start the operator's program as root instead
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
