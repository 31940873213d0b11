#pragma once

#include <QString>

// The full name under which the single-instance guard listens. On Linux a
// bare name would be a socket in /tmp, shared by every user; the guard's
// socket lives in the user's runtime directory instead (user-only access),
// so another user's copy neither blocks nor takes over this one. On Windows
// the bare name (a pipe of the session) is used as it is.
namespace LocalSocketName {

QString forName(const QString& name);

} // namespace LocalSocketName
