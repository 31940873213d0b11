#pragma once

#include <QByteArray>

// The public key that every release must be signed with: the one the build
// was given (ROTAPROBE_RELEASE_PUBLIC_KEY), or none. A process without a key
// installs no update. One per process; tests set another and reset().
// Thread-safe (the start-up check reads it on its own thread).
namespace ReleaseKey {

// 32 raw bytes, or empty when the build has no (valid) key.
QByteArray publicKey();
// Whether the build itself carries a key.
bool builtIn();

void set(const QByteArray& publicKey);
void reset();

} // namespace ReleaseKey
