#pragma once

#include <QProcessEnvironment>

// A program started with administrator rights by an ordinary user (the
// updater, through pkexec or sudo) takes nothing from that user: the
// environment is replaced before anything reads it, so no variable can
// point Qt, the loader or a library at the caller's files.
namespace RootEnvironment {

// The environment a root process keeps of `from`: a local X display
// (":N" or ":N.M") and its authority file when that is a regular file of the
// invoking user or of root; the invoking user's id (PKEXEC_UID, SUDO_UID,
// decimal); the Qt platform when it is one of "xcb", "offscreen",
// "minimal"; a fixed PATH; HOME and USER of root. Nothing else.
QProcessEnvironment kept(const QProcessEnvironment& from);

// When this process runs as root, replaces its environment with kept() and
// sets the umask to 022. Call first in main, before any object is built.
// Elsewhere (or not root) only the umask is set.
void apply();

} // namespace RootEnvironment
