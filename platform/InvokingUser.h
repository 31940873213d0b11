#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// The updater may run as root through pkexec (an installed package). What it
// starts for the operator afterwards, the test program, must run as the user
// who asked for the update, not as root.
namespace InvokingUser {

// The user id pkexec records for its caller (PKEXEC_UID), when this process
// runs as root (`effectiveUid` 0) that way.
std::optional<uint> pkexecCaller(const QProcessEnvironment& environment, uint effectiveUid);

struct Command
{
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

// `program` started as the user `uid` through runuser, with the user's own
// HOME, USER, LOGNAME and session folder (XDG_RUNTIME_DIR) in place of
// root's; the display variables pkexec kept stay. Empty for an unknown user.
std::optional<Command> commandAsUser(const QString& program, uint uid,
                                     const QProcessEnvironment& environment);

// Starts `program` detached, without arguments, with `folder` as its working
// directory: as the pkexec caller when there is one, otherwise as this
// process's own user. False when it could not be started.
bool startDetached(const QString& program, const QString& folder);

} // namespace InvokingUser
