#include "ReleaseManifest.h"

#include "ReleaseSignature.h"
#include "UpdateCheck.h"
#include "UpdateProtocol.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

const QByteArray kFormat = QByteArrayLiteral("rotaprobe-release/1");

bool isHexDigest(const QByteArray& text)
{
    if (text.size() != 64)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// "<sha256> <size> <name>"; the name is the rest of the line.
std::optional<ReleaseManifest::Entry> parseEntry(const QByteArray& value)
{
    const int first = value.indexOf(' ');
    const int second = first < 0 ? -1 : value.indexOf(' ', first + 1);
    if (second < 0)
        return std::nullopt;
    ReleaseManifest::Entry entry;
    entry.sha256 = value.left(first);
    const QByteArray size = value.mid(first + 1, second - first - 1);
    entry.name = QString::fromUtf8(value.mid(second + 1));
    static const QRegularExpression kDecimal(QStringLiteral("^(0|[1-9][0-9]{0,11})$"));
    bool ok = false;
    entry.size = size.toLongLong(&ok, 10);
    if (!isHexDigest(entry.sha256) || !kDecimal.match(QString::fromLatin1(size)).hasMatch() ||
        !ok || entry.size > ReleaseManifest::kMaxFileBytes ||
        entry.name.toUtf8() != value.mid(second + 1) ||
        !UpdateProtocol::isReleaseFileName(entry.name))
        return std::nullopt;
    return entry;
}

QByteArray entryLine(const char* key, const ReleaseManifest::Entry& entry)
{
    return QByteArray(key) + '=' + entry.sha256 + ' ' + QByteArray::number(entry.size) + ' ' +
           entry.name.toUtf8() + '\n';
}

} // namespace

QStringList ReleaseManifest::fileNames() const
{
    QStringList names;
    for (const Entry& entry : files)
        names.append(entry.name);
    return names;
}

const ReleaseManifest::Entry* ReleaseManifest::file(const QString& name) const
{
    for (const Entry& entry : files)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

std::optional<ReleaseManifest> ReleaseManifest::parse(const QByteArray& text)
{
    if (text.size() > kMaxBytes || !text.endsWith('\n'))
        return std::nullopt;
    // Text lines only: a control character (a NUL above all, where Qt's
    // conversions stop) would let two different manifests read alike.
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n')
            return std::nullopt;
    ReleaseManifest manifest;
    QSet<QByteArray> seen;
    QSet<QString> names;
    const QList<QByteArray> lines = text.left(text.size() - 1).split('\n');
    if (lines.value(0) != "format=" + kFormat)
        return std::nullopt;
    for (const QByteArray& line : lines.mid(1)) {
        const int equals = line.indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        if (key != "file" && seen.contains(key))
            return std::nullopt;
        seen.insert(key);
        if (key == "expires") {
            const std::optional<QDateTime> expires = parseTime(value);
            if (!expires)
                return std::nullopt;
            manifest.expires = *expires;
        } else if (key == "version" || key == "updater_version") {
            const QString version = QString::fromLatin1(value.constData(), value.size());
            if (!UpdateCheck::isWellFormedVersion(version))
                return std::nullopt;
            (key == "version" ? manifest.version : manifest.updaterVersion) = version;
        } else if (key == "updater" || key == "file") {
            const std::optional<Entry> entry = parseEntry(value);
            if (!entry)
                return std::nullopt;
            if (key == "updater") {
                manifest.updater = *entry;
            } else {
                if (names.contains(entry->name.toLower()) || manifest.files.size() >= kMaxFiles)
                    return std::nullopt;
                names.insert(entry->name.toLower());
                manifest.files.append(*entry);
            }
        } else {
            return std::nullopt;
        }
    }
    if (!seen.contains("version") || !seen.contains("updater_version") ||
        !seen.contains("updater"))
        return std::nullopt;
    // One text per manifest: lines in another order, though complete, are
    // refused, so what was signed reads back exactly as it was written.
    if (manifest.serialize() != text)
        return std::nullopt;
    return manifest;
}

QByteArray ReleaseManifest::serialize() const
{
    QByteArray text = "format=" + kFormat + '\n';
    text += "version=" + version.toLatin1() + '\n';
    text += "updater_version=" + updaterVersion.toLatin1() + '\n';
    if (expires.isValid())
        text += "expires=" + timeText(expires) + '\n';
    text += entryLine("updater", updater);
    for (const Entry& entry : files)
        text += entryLine("file", entry);
    return text;
}

std::optional<ReleaseManifest::Entry> ReleaseManifest::describe(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray digest = ReleaseSignature::sha256Hex(file);
    if (digest.isEmpty() || file.error() != QFileDevice::NoError)
        return std::nullopt;
    Entry entry;
    entry.name = QFileInfo(path).fileName();
    entry.size = file.size();
    entry.sha256 = digest;
    return entry;
}

QByteArray ReleaseManifest::timeText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toLatin1();
}

std::optional<QDateTime> ReleaseManifest::parseTime(const QByteArray& text)
{
    static const QRegularExpression kForm(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$"));
    const QString string = QString::fromLatin1(text);
    if (!kForm.match(string).hasMatch())
        return std::nullopt;
    // Date and time apart: read as one, a local time that does not exist
    // (a daylight-saving gap) would be refused.
    const QDateTime time(QDate::fromString(string.left(10), QStringLiteral("yyyy-MM-dd")),
                         QTime::fromString(string.mid(11, 8), QStringLiteral("HH:mm:ss")), Qt::UTC);
    // A day or hour out of range ("02-30", "24:00:00") does not read back.
    if (!time.isValid() || timeText(time) != text)
        return std::nullopt;
    return time;
}
