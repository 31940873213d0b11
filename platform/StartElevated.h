#pragma once

#include <QString>

// How the start of an executable with administrator rights ended.
enum class ElevatedStart
{
    Started,  // the program runs (or ran)
    Refused,  // the operator or the system refused the rights
    NotFound, // there is no such program
    NoMeans,  // Linux: not the user's own folder and there is no pkexec
    Failed,   // any other failure
};

// Starts the executable `path` (absolute) with administrator rights and no
// arguments, the way the test program hands over to the updater.
//
// Windows: ShellExecuteExW with the verb "runas" (a plain "open" on systems
// before Vista or when the system version cannot be read); a refusal or a
// missing file also writes its console line.
//
// Linux: a program in the user's own folder (owned by the user, whatever its
// mode: the user can change anything in it, so it never goes to root) is
// started directly, detached, with that folder as its working directory.
// Otherwise (an installed package) it is started through
// `/usr/bin/pkexec <canonical path>` (never a pkexec found on the caller's
// PATH): the call waits in a nested event loop until pkexec has either
// become the program or ended (a refused or dismissed authentication).
// Without pkexec the result is NoMeans.
//
// GUI thread (or any thread with an event loop); returns once the outcome is
// known.
ElevatedStart StartElevated(const QString& path);

// The parts of the Linux route, plain and testable on their own.
namespace ElevationRoute {

enum class Route
{
    Direct,
    Pkexec,
    None,
};

Route choose(bool ownFolder, bool pkexecFound);

// Whether `path` is a program in a folder of this process's user
// (isOwnFolder): it runs as the user, never through pkexec.
bool isOwnProgram(const QString& path);
// Whether `path` is a folder (not a link) owned by this process's user,
// whoever else may write to it: its owner controls what lies in it.
bool isOwnFolder(const QString& path);

// Where pkexec is looked for.
QString pkexecPath();

// What pkexec's exit code says: 126 (dismissed) and 127 (not authorised)
// are refusals; any other code is the program's own, so it ran.
ElevatedStart pkexecExit(int exitCode);

// Starts `path` detached in its own folder.
ElevatedStart startDirect(const QString& path);

// Runs `pkexec path` and waits until it has become the program (its
// process name turns into the program's file name) or has ended.
ElevatedStart startThroughPkexec(const QString& pkexec, const QString& path);

} // namespace ElevationRoute
