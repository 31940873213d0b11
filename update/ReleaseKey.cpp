#include "ReleaseKey.h"

#include "ReleaseSignature.h"
#include "UpdateConfig.h"

#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace ReleaseKey {

namespace {

QMutex g_mutex;
std::optional<QByteArray> g_key; // unset: the build's key

QByteArray buildKey()
{
    return ReleaseSignature::decodeKey(QByteArrayLiteral(ROTAPROBE_RELEASE_PUBLIC_KEY),
                                       ReleaseSignature::kPublicKeyBytes)
        .value_or(QByteArray());
}

} // namespace

QByteArray publicKey()
{
    const QMutexLocker lock(&g_mutex);
    return g_key ? *g_key : buildKey();
}

bool builtIn()
{
    return !buildKey().isEmpty();
}

void set(const QByteArray& key)
{
    const QMutexLocker lock(&g_mutex);
    g_key = key;
}

void reset()
{
    const QMutexLocker lock(&g_mutex);
    g_key.reset();
}

} // namespace ReleaseKey
