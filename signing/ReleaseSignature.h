#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>

// Ed25519 signatures of release manifests (libsodium). Keys and signatures
// are raw bytes here; on disk and in the build they are base64 text.
// Thread-safe: libsodium is initialised once, on first use.
namespace ReleaseSignature {

constexpr int kPublicKeyBytes = 32;
constexpr int kSecretKeyBytes = 64;
constexpr int kSignatureBytes = 64;

struct KeyPair
{
    QByteArray publicKey; // kPublicKeyBytes
    QByteArray secretKey; // kSecretKeyBytes
};

KeyPair generate();

// The detached signature of `message`; empty when the key is not a secret key.
QByteArray sign(const QByteArray& message, const QByteArray& secretKey);

// The public half of a secret key; empty when it is not a secret key.
QByteArray publicKeyOf(const QByteArray& secretKey);

// True only for a signature of exactly these bytes by the holder of the
// secret key belonging to `publicKey`. A key or signature of the wrong
// length is never valid.
bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey);

// A key written as one line of base64 (surrounding blanks ignored), decoded
// when it has exactly `bytes` bytes.
std::optional<QByteArray> decodeKey(const QByteArray& base64, int bytes);
QByteArray encodeKey(const QByteArray& key);

// The SHA-256 of everything `device` still holds, read in large chunks, as
// lower-case hex; empty when reading fails. libsodium's, more than twice as
// fast as Qt's on a release of many megabytes.
QByteArray sha256Hex(QIODevice& device);

} // namespace ReleaseSignature
