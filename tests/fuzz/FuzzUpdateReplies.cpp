// Fuzz target for what the update client parses from the network and the
// disk: version and file-list replies, the version rule, file names, and
// the version note of an executable image, and the release manifest.
#include "ElfVersionNote.h"
#include "ReleaseManifest.h"
#include "ReleaseTrust.h"
#include "UpdateProtocol.h"
#include "UpdateRoutines.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QString text = QString::fromUtf8(bytes);

    const auto version = UpdateProtocol::parseVersionReply(text);
    if (version && !text.startsWith(QStringLiteral("version=")))
        __builtin_trap();
    const QStringList names = UpdateProtocol::fileListNames(text);
    if (!names.isEmpty() && !text.startsWith(QStringLiteral("FileList,")))
        __builtin_trap();
    for (const QString& name : names)
        if (UpdateProtocol::isBareFileName(name) &&
            (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == QLatin1String("..")))
            __builtin_trap();
    for (const QString& name : names)
        if (UpdateProtocol::isReleaseFileName(name) &&
            (!UpdateProtocol::isBareFileName(name) || name.startsWith(QLatin1Char('.')) ||
             name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')) ||
             name.compare(QLatin1String("NovrelTemp"), Qt::CaseInsensitive) == 0 ||
             name.section(QLatin1Char('.'), 0, 0).compare(QLatin1String("nul"), Qt::CaseInsensitive) == 0))
            __builtin_trap();

    const int half = text.size() / 2;
    const QString a = text.left(half), b = text.mid(half);
    if (IsNewerVersion(a, a))
        __builtin_trap(); // a version is never newer than itself
    IsNewerVersion(a, b);

    ElfVersionNote::find(bytes);

    // A manifest that parses says the same when written out again, and
    // names only files the updater may install.
    if (const auto manifest = ReleaseManifest::parse(bytes)) {
        if (manifest->serialize() != bytes)
            __builtin_trap();
        for (const QString& name : manifest->fileNames())
            if (!UpdateProtocol::isReleaseFileName(name))
                __builtin_trap();
        if (ReleaseTrust::isLaterVersion(manifest->version, manifest->version))
            __builtin_trap();
        // An expiry reads back as written, and the release has expired from
        // that second on.
        if (manifest->expires.isValid() &&
            (ReleaseManifest::parseTime(ReleaseManifest::timeText(manifest->expires)) != manifest->expires ||
             ReleaseTrust::isCurrent(*manifest, manifest->expires)))
            __builtin_trap();
    }
    return 0;
}
