#pragma once

#include <QProcessEnvironment>

// A program started with administrator rights by an ordinary user (the
// updater, through pkexec or sudo) takes nothing from that user: the
// environment is replaced before anything reads it, so no variable can
// point Qt, the loader or a library at the caller's files.
namespace RootEnvironment {

// The environment a root process keeps of `from`: a local X display
// (":N" or ":N.M") and its authority file when that is a regular file (not
// a link) owned by the invoking user, never by root; the invoking user's id
// (PKEXEC_UID, SUDO_UID, decimal); the Qt platform when it is one of "xcb",
// "offscreen", "minimal"; a fixed PATH; HOME and USER of root. Nothing
// else, and ownSettings() on top.
QProcessEnvironment kept(const QProcessEnvironment& from);

// What a root process sets for itself, whatever its caller had: it talks
// to no bus and starts no helper. libdbus, loaded by Qt, would otherwise
// start `dbus-launch --autolaunch` on the caller's display (and connect to
// any address an X client of the caller publishes there), so both bus
// addresses are "disabled:" (no session bus also means no accessibility
// bridge); the platform theme is Qt's generic one (no theme plug-in, no
// desktop portal); GTK's accessibility bridge is off should GTK ever load.
QProcessEnvironment ownSettings();

// When this process runs as root, replaces its environment with kept() and
// sets the umask to 022. Call first in main, before any object is built.
// Elsewhere (or not root) only the umask is set.
void apply();

} // namespace RootEnvironment
