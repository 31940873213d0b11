#include "SignTool.h"

#include "ReleaseSignature.h"
#include "ReleaseTrust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 kMaxKeyFileBytes = 4096;

std::optional<QByteArray> readKeyText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaxKeyFileBytes);
}

std::optional<QByteArray> readKey(const QString& path, int bytes)
{
    const std::optional<QByteArray> text = readKeyText(path);
    return text ? ReleaseSignature::decodeKey(*text, bytes) : std::nullopt;
}

// The public key in `path`, or the public half of the secret key there.
std::optional<QByteArray> readPublicKey(const QString& path)
{
    const std::optional<QByteArray> text = readKeyText(path);
    if (!text)
        return std::nullopt;
    if (const auto key = ReleaseSignature::decodeKey(*text, ReleaseSignature::kPublicKeyBytes))
        return key;
    if (const auto secret = ReleaseSignature::decodeKey(*text, ReleaseSignature::kSecretKeyBytes))
        return ReleaseSignature::publicKeyOf(*secret);
    return std::nullopt;
}

std::optional<QByteArray> readSmallFile(const QString& path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        return std::nullopt;
    return file.read(maxBytes);
}

bool writeFile(const QString& path, const QByteArray& data, QFileDevice::Permissions mode)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(mode);
    return file.write(data) == data.size() && file.commit();
}

} // namespace

int SignTool::fail(const QString& text)
{
    m_err << "rotaprobe-sign: " << text << Qt::endl;
    return 2;
}

int SignTool::mismatch(const QString& text)
{
    m_err << "rotaprobe-sign: " << text << Qt::endl;
    return 1;
}

int SignTool::run(const QStringList& arguments)
{
    const QString command = arguments.value(0);
    QStringList rest = arguments.mid(1);
    int days = kDefaultDays;
    if ((command == QLatin1String("manifest") || command == QLatin1String("refresh")) &&
        rest.value(0) == QLatin1String("--days")) {
        bool ok = false;
        days = rest.value(1).toInt(&ok);
        if (!ok || days < 1 || days > kMaxDays)
            return fail(QStringLiteral("--days takes a whole number from 1 to %1").arg(kMaxDays));
        rest = rest.mid(2);
    }
    // To the second, as the manifest states it.
    QDateTime now = QDateTime::currentDateTimeUtc();
    now = now.addMSecs(-now.time().msec());
    const QDateTime expires = now.addDays(days);
    if (command == QLatin1String("keygen") && rest.size() == 1)
        return keygen(rest);
    if (command == QLatin1String("manifest") && rest.size() >= 3)
        return manifest(rest, expires);
    if (command == QLatin1String("refresh") && rest.size() == 2)
        return refresh(rest, expires);
    if (command == QLatin1String("sign") && rest.size() == 2)
        return sign(rest);
    if (command == QLatin1String("verify") && rest.size() == 2)
        return verify(rest);
    if (command == QLatin1String("check") && rest.size() == 3)
        return check(rest);
    return fail(QStringLiteral("usage: keygen DIR | manifest [--days N] VERSION UPDATER_VERSION "
                               "UPDATER FILE... | refresh [--days N] KEYFILE MANIFEST | sign "
                               "KEYFILE FILE | verify PUBFILE FILE | check KEYFILE MANIFEST DIR"));
}

int SignTool::keygen(const QStringList& arguments)
{
    const QDir dir(arguments.at(0));
    const QString secret = dir.filePath(QStringLiteral("release.key"));
    if (!QDir().mkpath(dir.path()))
        return fail(QStringLiteral("cannot create %1").arg(dir.path()));
    if (QFileInfo::exists(secret))
        return fail(QStringLiteral("%1 exists: a release key is never replaced by accident").arg(secret));
    const ReleaseSignature::KeyPair pair = ReleaseSignature::generate();
    if (pair.secretKey.isEmpty())
        return fail(QStringLiteral("libsodium could not be initialised"));
    if (!writeFile(secret, ReleaseSignature::encodeKey(pair.secretKey) + '\n',
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !writeFile(dir.filePath(QStringLiteral("release.pub")),
                   ReleaseSignature::encodeKey(pair.publicKey) + '\n',
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                       QFileDevice::ReadOther))
        return fail(QStringLiteral("cannot write the key files in %1").arg(dir.path()));
    m_out << ReleaseSignature::encodeKey(pair.publicKey) << Qt::endl;
    return 0;
}

int SignTool::print(const ReleaseManifest& manifest)
{
    const QByteArray text = manifest.serialize();
    // What the programs would refuse is never published.
    if (!ReleaseManifest::parse(text) || !manifest.expires.isValid())
        return fail(QStringLiteral("not a valid release (versions, file names or sizes)"));
    m_out << text;
    m_out.flush();
    return 0;
}

int SignTool::manifest(const QStringList& arguments, const QDateTime& expires)
{
    ReleaseManifest manifest;
    manifest.version = arguments.at(0);
    manifest.updaterVersion = arguments.at(1);
    manifest.expires = expires;
    for (int i = 2; i < arguments.size(); ++i) {
        const std::optional<ReleaseManifest::Entry> entry = ReleaseManifest::describe(arguments.at(i));
        if (!entry)
            return fail(QStringLiteral("cannot read %1").arg(arguments.at(i)));
        if (i == 2)
            manifest.updater = *entry;
        else
            manifest.files.append(*entry);
    }
    return print(manifest);
}

std::optional<ReleaseManifest> SignTool::readSigned(const QString& keyFile, const QString& path,
                                                    int* code)
{
    const std::optional<QByteArray> key = readPublicKey(keyFile);
    if (!key) {
        *code = fail(QStringLiteral("%1 is not a release key").arg(keyFile));
        return std::nullopt;
    }
    const std::optional<QByteArray> text = readSmallFile(path, ReleaseManifest::kMaxBytes);
    const std::optional<QByteArray> signature =
        readSmallFile(path + QStringLiteral(".sig"), ReleaseSignature::kSignatureBytes);
    if (!text || !signature) {
        *code = fail(QStringLiteral("cannot read %1 and its signature").arg(path));
        return std::nullopt;
    }
    if (!ReleaseSignature::verify(*text, *signature, *key)) {
        *code = mismatch(QStringLiteral("%1: not signed with this key").arg(path));
        return std::nullopt;
    }
    std::optional<ReleaseManifest> manifest = ReleaseManifest::parse(*text);
    if (!manifest)
        *code = fail(QStringLiteral("%1 is not a release manifest").arg(path));
    return manifest;
}

int SignTool::refresh(const QStringList& arguments, const QDateTime& expires)
{
    // Only what the maker signed before is signed again: the release as
    // the manifest describes it, whatever the service now holds.
    int code = 0;
    std::optional<ReleaseManifest> manifest = readSigned(arguments.at(0), arguments.at(1), &code);
    if (!manifest)
        return code;
    manifest->expires = expires;
    return print(*manifest);
}

int SignTool::sign(const QStringList& arguments)
{
    const std::optional<QByteArray> key = readKey(arguments.at(0), ReleaseSignature::kSecretKeyBytes);
    if (!key)
        return fail(QStringLiteral("%1 is not a release secret key").arg(arguments.at(0)));
    QFile file(arguments.at(1));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(arguments.at(1)));
    const QByteArray signature = ReleaseSignature::sign(file.readAll(), *key);
    if (signature.isEmpty() || !writeFile(arguments.at(1) + QStringLiteral(".sig"), signature,
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther))
        return fail(QStringLiteral("cannot sign %1").arg(arguments.at(1)));
    return 0;
}

int SignTool::verify(const QStringList& arguments)
{
    const std::optional<QByteArray> key = readKey(arguments.at(0), ReleaseSignature::kPublicKeyBytes);
    if (!key)
        return fail(QStringLiteral("%1 is not a release public key").arg(arguments.at(0)));
    QFile file(arguments.at(1));
    QFile signature(arguments.at(1) + QStringLiteral(".sig"));
    if (!file.open(QIODevice::ReadOnly) || !signature.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1 and its signature").arg(arguments.at(1)));
    if (!ReleaseSignature::verify(file.readAll(), signature.read(4096), *key)) {
        m_err << "rotaprobe-sign: " << arguments.at(1) << ": not signed with this key" << Qt::endl;
        return 1;
    }
    return 0;
}

int SignTool::check(const QStringList& arguments)
{
    int code = 0;
    const std::optional<ReleaseManifest> manifest = readSigned(arguments.at(0), arguments.at(1), &code);
    if (!manifest)
        return code;
    const QDir dir(arguments.at(2));
    if (!ReleaseTrust::matches(dir.filePath(manifest->updater.name), manifest->updater))
        return mismatch(QStringLiteral("%1 is not the signed updater").arg(dir.filePath(manifest->updater.name)));
    for (const ReleaseManifest::Entry& entry : manifest->files) {
        const QString path = dir.filePath(QStringLiteral("App/") + entry.name);
        if (!ReleaseTrust::matches(path, entry))
            return mismatch(QStringLiteral("%1 is not the signed file").arg(path));
    }
    return 0;
}
