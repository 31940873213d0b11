#pragma once

#include "StationOptions.h"

#include <QString>

class QSettings;

// What the station remembers between runs (QSettings), with the command
// line's overrides on top: an overridden setting is used for this run, shown
// as fixed, and never written back.
class StationSettings
{
public:
    struct Setting
    {
        QString value;
        bool fixed = false; // set on the command line
    };

    StationSettings(QSettings& store, const StationOptions& options);

    const Setting& profilePath() const { return m_profile; }
    const Setting& protocolFolder() const { return m_protocols; }
    const Setting& dbLocation() const { return m_db; }
    const QString& operatorName() const { return m_operator; }

    // Remembered unless fixed for this run; false when fixed.
    bool setProfilePath(const QString& path);
    bool setProtocolFolder(const QString& folder);
    void setOperatorName(const QString& name);

    // ~/Documents/Rotaprobe protocols (or the home folder's when there is none).
    static QString defaultProtocolFolder();

private:
    static Setting pick(const std::optional<QString>& override, const QString& remembered);
    bool remember(Setting& setting, const char* key, const QString& value);

    QSettings& m_store;
    Setting m_profile;
    Setting m_protocols;
    Setting m_db;
    QString m_operator;
};
