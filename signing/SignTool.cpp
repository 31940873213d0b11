#include "SignTool.h"

#include "ReleaseManifest.h"
#include "ReleaseSignature.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr qint64 kMaxKeyFileBytes = 4096;

std::optional<QByteArray> readKey(const QString& path, int bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ReleaseSignature::decodeKey(file.read(kMaxKeyFileBytes), bytes);
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

int SignTool::run(const QStringList& arguments)
{
    const QString command = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("keygen") && rest.size() == 1)
        return keygen(rest);
    if (command == QLatin1String("manifest") && rest.size() >= 3)
        return manifest(rest);
    if (command == QLatin1String("sign") && rest.size() == 2)
        return sign(rest);
    if (command == QLatin1String("verify") && rest.size() == 2)
        return verify(rest);
    return fail(QStringLiteral("usage: keygen DIR | manifest VERSION UPDATER_VERSION UPDATER "
                               "FILE... | sign KEYFILE FILE | verify PUBFILE FILE"));
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

int SignTool::manifest(const QStringList& arguments)
{
    ReleaseManifest manifest;
    manifest.version = arguments.at(0);
    manifest.updaterVersion = arguments.at(1);
    for (int i = 2; i < arguments.size(); ++i) {
        const std::optional<ReleaseManifest::Entry> entry = ReleaseManifest::describe(arguments.at(i));
        if (!entry)
            return fail(QStringLiteral("cannot read %1").arg(arguments.at(i)));
        if (i == 2)
            manifest.updater = *entry;
        else
            manifest.files.append(*entry);
    }
    const QByteArray text = manifest.serialize();
    // What the programs would refuse is never published.
    if (!ReleaseManifest::parse(text))
        return fail(QStringLiteral("not a valid release (versions, file names or sizes)"));
    m_out << text;
    m_out.flush();
    return 0;
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
