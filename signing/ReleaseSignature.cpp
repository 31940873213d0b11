#include "ReleaseSignature.h"

#include <sodium.h>

namespace ReleaseSignature {

namespace {

bool ready()
{
    // sodium_init() is thread-safe and returns 1 once it has run before.
    static const bool initialised = sodium_init() >= 0;
    return initialised;
}

static_assert(kPublicKeyBytes == crypto_sign_PUBLICKEYBYTES, "Ed25519 public key");
static_assert(kSecretKeyBytes == crypto_sign_SECRETKEYBYTES, "Ed25519 secret key");
static_assert(kSignatureBytes == crypto_sign_BYTES, "Ed25519 signature");

const unsigned char* bytes(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

} // namespace

KeyPair generate()
{
    KeyPair pair;
    if (!ready())
        return pair;
    pair.publicKey.resize(kPublicKeyBytes);
    pair.secretKey.resize(kSecretKeyBytes);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(pair.publicKey.data()),
                        reinterpret_cast<unsigned char*>(pair.secretKey.data()));
    return pair;
}

QByteArray sign(const QByteArray& message, const QByteArray& secretKey)
{
    if (!ready() || secretKey.size() != kSecretKeyBytes)
        return QByteArray();
    QByteArray signature(kSignatureBytes, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         bytes(message), size_t(message.size()), bytes(secretKey));
    return signature;
}

QByteArray publicKeyOf(const QByteArray& secretKey)
{
    if (!ready() || secretKey.size() != kSecretKeyBytes)
        return QByteArray();
    QByteArray publicKey(kPublicKeyBytes, '\0');
    crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char*>(publicKey.data()), bytes(secretKey));
    return publicKey;
}

bool verify(const QByteArray& message, const QByteArray& signature, const QByteArray& publicKey)
{
    if (!ready() || signature.size() != kSignatureBytes || publicKey.size() != kPublicKeyBytes)
        return false;
    return crypto_sign_verify_detached(bytes(signature), bytes(message), size_t(message.size()),
                                       bytes(publicKey)) == 0;
}

std::optional<QByteArray> decodeKey(const QByteArray& base64, int size)
{
    const QByteArray text = base64.trimmed();
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size || decoded.decoded.toBase64() != text)
        return std::nullopt;
    return decoded.decoded;
}

QByteArray encodeKey(const QByteArray& key)
{
    return key.toBase64();
}

QByteArray sha256Hex(QIODevice& device)
{
    if (!ready())
        return QByteArray();
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 read = 0;
    while ((read = device.read(chunk.data(), chunk.size())) > 0)
        crypto_hash_sha256_update(&state, bytes(chunk), static_cast<unsigned long long>(read));
    if (read < 0)
        return QByteArray();
    QByteArray digest(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256_final(&state, reinterpret_cast<unsigned char*>(digest.data()));
    return digest.toHex();
}

} // namespace ReleaseSignature
