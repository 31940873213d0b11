#include "ReleaseTrust.h"

#include "ReleaseSignature.h"

#include <QFileInfo>

namespace ReleaseTrust {

ReleaseProblem verify(const QByteArray& manifest, const QByteArray& signature,
                      const QByteArray& publicKey, const QDateTime& now, ReleaseManifest* out)
{
    if (publicKey.isEmpty())
        return ReleaseProblem::NoKey;
    if (!ReleaseSignature::verify(manifest, signature, publicKey))
        return ReleaseProblem::NotSigned;
    const std::optional<ReleaseManifest> parsed = ReleaseManifest::parse(manifest);
    if (!parsed)
        return ReleaseProblem::Mismatch; // signed, but not a manifest this program reads
    if (!isCurrent(*parsed, now))
        return ReleaseProblem::Expired;
    *out = *parsed;
    return ReleaseProblem::None;
}

bool isCurrent(const ReleaseManifest& manifest, const QDateTime& now)
{
    return manifest.expires.isValid() && now.isValid() && now < manifest.expires;
}

bool isLaterVersion(const QString& candidate, const QString& installed)
{
    const QStringList c = candidate.split(QLatin1Char('.'));
    const QStringList i = installed.split(QLatin1Char('.'));
    for (int part = 0; part < 4; ++part) {
        const qlonglong a = c.value(part).toLongLong();
        const qlonglong b = i.value(part).toLongLong();
        if (a != b)
            return a > b;
    }
    return false;
}

ReleaseProblem checkRelease(const ReleaseManifest& manifest, const QString& announced,
                            const QString& installed)
{
    if (!announced.isEmpty() && manifest.version != announced)
        return ReleaseProblem::Mismatch;
    if (!isLaterVersion(manifest.version, installed))
        return ReleaseProblem::NotNewer;
    return ReleaseProblem::None;
}

ReleaseProblem checkFileList(const ReleaseManifest& manifest, const QStringList& names)
{
    return names == manifest.fileNames() ? ReleaseProblem::None : ReleaseProblem::Mismatch;
}

bool matches(const QString& path, const ReleaseManifest::Entry& entry)
{
    // The size first: a file of another size is not read at all.
    if (QFileInfo(path).size() != entry.size)
        return false;
    const std::optional<ReleaseManifest::Entry> found = ReleaseManifest::describe(path);
    return found && found->size == entry.size && found->sha256 == entry.sha256;
}

} // namespace ReleaseTrust
