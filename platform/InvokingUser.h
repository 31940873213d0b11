#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// The updater may run as root through pkexec (an installed package). What it
// starts for the operator afterwards, the test program, must run as the user
// who asked for the update, not as root.
namespace InvokingUser {

// The user who had this process started as root (`effectiveUid` 0): the id
// pkexec records (PKEXEC_UID), else the one sudo records (SUDO_UID). Never
// root itself.
std::optional<uint> caller(const QProcessEnvironment& environment, uint effectiveUid);

struct Command
{
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

// `program` started as the user `uid` through runuser, with the user's own
// HOME, USER, LOGNAME and session folder (XDG_RUNTIME_DIR) in place of
// root's; the display variables pkexec kept stay, the root process's own
// settings (RootEnvironment::ownSettings) go. Empty for an unknown user.
std::optional<Command> commandAsUser(const QString& program, uint uid,
                                     const QProcessEnvironment& environment);

// Starts `program` detached, without arguments, with `folder` as its working
// directory: run as root, as the caller (never as root: without a known
// caller nothing is started); otherwise as this process's own user. False
// when it was not started.
bool startDetached(const QString& program, const QString& folder);

} // namespace InvokingUser
