#include "UpdateProtocol.h"

#include "ProgramFiles.h"
#include "UpdateConfig.h"

#include <QUrl>

namespace UpdateProtocol {

namespace {
const QString kBase = QStringLiteral("/Novrel/Rotaprobe/");
}

const char* const kSoftVer = "Value=SoftVer";
const char* const kSoftNovrelVer = "Value=SoftNovrelVer";
const char* const kFileList = "Value=FileList";

QString defaultRoot()
{
    return QStringLiteral(ROTAPROBE_UPDATE_ROOT);
}

QString queryUrl(const QString& root)
{
    return root + kBase + QStringLiteral("GetSoftInfo.php?");
}

QString refererUrl(const QString& root)
{
    return root + QStringLiteral("/client");
}

QString updaterUrl(const QString& root)
{
    return root + kBase + ProgramFiles::updater();
}

QString releaseFileUrl(const QString& root, const QString& name)
{
    return root + kBase + QStringLiteral("App/") + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString manifestUrl(const QString& root)
{
    return root + kBase + QStringLiteral("release.manifest");
}

QString signatureUrl(const QString& root)
{
    return root + kBase + QStringLiteral("release.manifest.sig");
}

std::optional<QString> parseVersionReply(const QString& body)
{
    static const QString kPrefix = QStringLiteral("version=");
    if (!body.startsWith(kPrefix, Qt::CaseSensitive))
        return std::nullopt;
    return body.mid(kPrefix.size());
}

QStringList fileListItems(const QString& body)
{
    return body.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

bool isFileList(const QStringList& items)
{
    return !items.isEmpty() && items.first() == QLatin1String("FileList");
}

QStringList fileListNames(const QString& body)
{
    const QStringList items = fileListItems(body);
    return isFileList(items) ? items.mid(1) : QStringList();
}

bool isBareFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c.unicode() < 0x20)
            return false;
    return true;
}

bool isReleaseFileName(const QString& name)
{
    if (!isBareFileName(name) || name.startsWith(QLatin1Char('.')) ||
        name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    for (const QChar c : name)
        if (QStringLiteral("<>\"|?*%#").contains(c))
            return false;
    if (name.compare(QLatin1String("NovrelTemp"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("OldFile"), Qt::CaseInsensitive) == 0)
        return false;
    // Windows reserves the device names whatever the extension, and ignores
    // blanks before it ("CON .txt" is CON too).
    QString stem = name.section(QLatin1Char('.'), 0, 0).toUpper();
    while (stem.endsWith(QLatin1Char(' ')))
        stem.chop(1);
    static const QStringList kDevices = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                         QStringLiteral("AUX"), QStringLiteral("NUL")};
    if (kDevices.contains(stem))
        return false;
    if (stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
        stem.at(3) >= QLatin1Char('1') && stem.at(3) <= QLatin1Char('9'))
        return false;
    return true;
}

} // namespace UpdateProtocol
