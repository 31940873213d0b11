#include "StationSettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

const char* const kProfileKey = "profile";
const char* const kProtocolsKey = "protocols";
const char* const kDbKey = "db";
const char* const kOperatorKey = "operator";

} // namespace

StationSettings::StationSettings(QSettings& store, const StationOptions& options)
    : m_store(store)
{
    m_profile = pick(options.profilePath, store.value(QLatin1String(kProfileKey)).toString());
    const QString folder = store.value(QLatin1String(kProtocolsKey)).toString();
    m_protocols = pick(options.protocolFolder, folder.isEmpty() ? defaultProtocolFolder() : folder);
    m_db = pick(options.dbLocation, store.value(QLatin1String(kDbKey)).toString());
    m_operator = store.value(QLatin1String(kOperatorKey)).toString();
}

StationSettings::Setting StationSettings::pick(const std::optional<QString>& override,
                                               const QString& remembered)
{
    return override ? Setting{*override, true} : Setting{remembered, false};
}

QString StationSettings::defaultProtocolFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("Rotaprobe protocols"));
}

bool StationSettings::remember(Setting& setting, const char* key, const QString& value)
{
    if (setting.fixed)
        return false;
    setting.value = value;
    m_store.setValue(QLatin1String(key), value);
    m_store.sync();
    return true;
}

bool StationSettings::setProfilePath(const QString& path)
{
    return remember(m_profile, kProfileKey, path);
}

bool StationSettings::setProtocolFolder(const QString& folder)
{
    return remember(m_protocols, kProtocolsKey, folder);
}

void StationSettings::setOperatorName(const QString& name)
{
    m_operator = name;
    m_store.setValue(QLatin1String(kOperatorKey), name);
    m_store.sync();
}
