#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The signed description of a release: its version, the updater's version,
// and every file (the updater included) with its size and SHA-256. The
// service publishes it as "release.manifest" beside a detached signature of
// its exact bytes. One entry a line, "key=value", UTF-8, "\n" line ends:
//
//   format=rotaprobe-release/1
//   version=1.0.0.16
//   updater_version=1.0.0.3
//   expires=2027-01-09T12:00:00Z
//   updater=<sha256 hex> <size> Novrel
//   file=<sha256 hex> <size> Rotaprobe
//   file=<sha256 hex> <size> ReleaseNotes.txt
//
// Files are listed in fetch order; names follow the release name rule
// (UpdateProtocol::isReleaseFileName). `expires` is a UTC time to the
// second: after it the release is no longer offered (ReleaseTrust), so a
// service cannot hold back newer releases for ever by serving an old signed
// one. Manifests made before it existed carry none and count as expired.
// The lines stand in this order, each key once (file repeated); anything
// else is refused whole.
struct ReleaseManifest
{
    struct Entry
    {
        QString name;
        qint64 size = 0;
        QByteArray sha256; // lower-case hex, 64 characters
        bool operator==(const Entry& other) const
        {
            return name == other.name && size == other.size && sha256 == other.sha256;
        }
    };

    static constexpr qint64 kMaxBytes = 64 * 1024;       // the manifest itself
    static constexpr qint64 kMaxFileBytes = qint64(4) << 30; // one file of a release
    static constexpr int kMaxFiles = 1000;

    QString version;
    QString updaterVersion;
    QDateTime expires; // UTC; invalid when the manifest carries none
    Entry updater;
    QList<Entry> files;

    QStringList fileNames() const;
    // The entry of the release file `name`, if listed.
    const Entry* file(const QString& name) const;

    static std::optional<ReleaseManifest> parse(const QByteArray& text);
    QByteArray serialize() const;

    // "2027-01-09T12:00:00Z": the only form `expires` is written and read in.
    static QByteArray timeText(const QDateTime& time);
    static std::optional<QDateTime> parseTime(const QByteArray& text);

    // The size and SHA-256 of a file on disk, read in chunks; nullopt when it
    // cannot be read. The name is the path's file name.
    static std::optional<Entry> describe(const QString& path);
};
