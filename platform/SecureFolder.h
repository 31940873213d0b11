#pragma once

#include <QFileDevice>
#include <QString>

// The updater's own folders in the program folder ("NovrelTemp",
// "OldFile"), which it may run in as root: what lies in them is installed
// or overwritten, so nobody else may be able to put anything there.
namespace SecureFolder {

// Creates `path` with mode 0700 when it is missing, whatever the umask, then
// checks what stands there without following a link: a real directory,
// owned by this process's user, writable by nobody else. False otherwise
// (nothing is changed in a folder that fails the check). Windows: the
// folder is created; its access follows the program folder's.
bool prepare(const QString& path);

// The check of prepare() alone: nothing is created.
bool isOwn(const QString& path);

// Sets the mode of the regular file `path` through the open file, never
// through a link standing there.
bool setMode(const QString& path, QFileDevice::Permissions mode);

// Removes every entry directly inside `path` (files and links themselves,
// never what a link points to). False when one could not be removed.
bool empty(const QString& path);

} // namespace SecureFolder
