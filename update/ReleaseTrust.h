#pragma once

#include "ReleaseManifest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Why a release is not installed.
enum class ReleaseProblem
{
    None,
    NoKey,     // this build carries no release key
    NotSigned, // no manifest, no signature, or not the maker's signature
    Mismatch,  // the service said something the signed manifest does not
    NotNewer,  // the signed release is not newer than what is installed
    Expired,   // the signed manifest is past its expiry time, or has none
    BadFile,   // a download is not the file the manifest describes
    TimedOut,  // the update did not finish in time
};

// The checks that stand between the update service and the program folder,
// as plain functions: nothing the service says is used before the manifest
// carrying it is verified against the release key.
namespace ReleaseTrust {

// Verifies `signature` over the exact manifest bytes with `publicKey`, then
// parses them and judges the expiry at `now` (UTC; the callers pass the
// system clock, tests any time). None (and `out` filled) only for a
// well-formed manifest the key's holder signed that has not expired.
ReleaseProblem verify(const QByteArray& manifest, const QByteArray& signature,
                      const QByteArray& publicKey, const QDateTime& now, ReleaseManifest* out);

// The manifest carries an expiry time and `now` is before it.
bool isCurrent(const ReleaseManifest& manifest, const QDateTime& now);

// Numeric part by part from the first: the order in which releases are
// made, so no older signed release ever counts as newer (unlike the offer
// rule, IsNewerVersion, which judges each part on its own).
bool isLaterVersion(const QString& candidate, const QString& installed);

// The signed release is the announced one (skipped when `announced` is
// empty) and later than the installed test program.
ReleaseProblem checkRelease(const ReleaseManifest& manifest, const QString& announced,
                            const QString& installed);

// The service's file list is the manifest's list, in the same order.
ReleaseProblem checkFileList(const ReleaseManifest& manifest, const QStringList& names);

// The file at `path` has the entry's size and SHA-256.
bool matches(const QString& path, const ReleaseManifest::Entry& entry);

} // namespace ReleaseTrust
