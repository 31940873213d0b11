#pragma once

#include <QByteArray>

// The release key pair kept for tests (tests/keys): never a maker's key.
namespace TestKeys {

QByteArray publicKey(); // 32 raw bytes
QByteArray secretKey(); // 64 raw bytes

} // namespace TestKeys
