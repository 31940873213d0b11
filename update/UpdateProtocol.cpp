#include "UpdateProtocol.h"

#include "ProgramFiles.h"
#include "UpdateConfig.h"

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
    return root + kBase + QStringLiteral("App/") + name;
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

} // namespace UpdateProtocol
