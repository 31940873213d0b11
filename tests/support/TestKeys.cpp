#include "TestKeys.h"

#include "ReleaseSignature.h"

#include <QFile>

namespace {

QByteArray readKey(const char* name, int bytes)
{
    QFile file(QStringLiteral(ROTAPROBE_SOURCE_DIR "/tests/keys/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("test key %s missing", name);
    return ReleaseSignature::decodeKey(file.readAll(), bytes).value_or(QByteArray());
}

} // namespace

namespace TestKeys {

QByteArray publicKey()
{
    return readKey("release.pub", ReleaseSignature::kPublicKeyBytes);
}

QByteArray secretKey()
{
    return readKey("release.key", ReleaseSignature::kSecretKeyBytes);
}

} // namespace TestKeys
