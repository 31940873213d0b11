#include "ReleaseFetch.h"

#include "ReleaseKey.h"
#include "ReleaseSignature.h"
#include "UpdateProtocol.h"
#include "UpdateQuery.h"

#include <QDateTime>

namespace ReleaseFetch {

Result fetch(const QString& root, int timeoutMs)
{
    Result result;
    const QByteArray key = ReleaseKey::publicKey();
    if (key.isEmpty()) {
        result.problem = ReleaseProblem::NoKey;
        return result;
    }
    const UpdateQuery::Fetched manifest =
        UpdateQuery::get(UpdateProtocol::manifestUrl(root), ReleaseManifest::kMaxBytes, timeoutMs);
    if (!manifest.answered)
        return result;
    const UpdateQuery::Fetched signature = UpdateQuery::get(
        UpdateProtocol::signatureUrl(root), ReleaseSignature::kSignatureBytes, timeoutMs);
    if (!signature.answered)
        return result;
    result.problem = ReleaseTrust::verify(manifest.body, signature.body, key,
                                          QDateTime::currentDateTimeUtc(), &result.manifest);
    return result;
}

} // namespace ReleaseFetch
