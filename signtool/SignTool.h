#pragma once

#include "ReleaseManifest.h"

#include <QDateTime>
#include <QStringList>
#include <QTextStream>

#include <optional>

// The maker's side of signed releases, for tools/release-key.sh and
// tools/publish-release.sh:
//   keygen DIR                 DIR/release.key (secret, 0600), DIR/release.pub
//   manifest [--days N] VERSION UPDATER_VERSION UPDATER FILE...
//                              the release manifest of these files, expiring
//                              N days from now (default 30), on stdout
//   refresh [--days N] KEYFILE MANIFEST
//                              MANIFEST again with a new expiry, on stdout,
//                              once MANIFEST.sig proves it the key's own
//   sign KEYFILE FILE          FILE.sig, the detached signature of FILE
//   verify PUBFILE FILE        exit 0 when FILE.sig is FILE's signature
//   check KEYFILE MANIFEST DIR exit 0 when MANIFEST.sig is the key's, and
//                              DIR holds the updater and DIR/App every file
//                              exactly as MANIFEST describes them
// KEYFILE may be the secret or the public key where only verifying is done.
// Exit 0 on success, 1 when a verification fails, 2 on any error.
class SignTool
{
public:
    static constexpr int kDefaultDays = 30;
    static constexpr int kMaxDays = 3650;

    SignTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}
    int run(const QStringList& arguments);

private:
    int keygen(const QStringList& arguments);
    int manifest(const QStringList& arguments, const QDateTime& expires);
    int refresh(const QStringList& arguments, const QDateTime& expires);
    int sign(const QStringList& arguments);
    int verify(const QStringList& arguments);
    int check(const QStringList& arguments);
    int fail(const QString& text);
    int mismatch(const QString& text);
    // Prints `manifest` once the programs would accept it (at least its shape).
    int print(const ReleaseManifest& manifest);
    // The manifest at `path`, signed with the key in `keyFile`; nullopt
    // after saying why (`code` set to the exit code).
    std::optional<ReleaseManifest> readSigned(const QString& keyFile, const QString& path, int* code);

    QTextStream& m_out;
    QTextStream& m_err;
};
