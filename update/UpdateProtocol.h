#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What crosses the wire to the update service, as plain functions: the
// addresses, the query bodies and the parsing of the two reply forms.
namespace UpdateProtocol {

// The build's update service root: "http://" or "https://" + host (and
// port), no trailing slash.
QString defaultRoot();

QString queryUrl(const QString& root);
QString refererUrl(const QString& root);
// The updater executable, "/Novrel/Rotaprobe/" + its platform file name.
QString updaterUrl(const QString& root);
// A release file; the name is percent-encoded, so it is always one path
// segment ("a#b" fetches "App/a%23b", never "App/a").
QString releaseFileUrl(const QString& root, const QString& name);
// The signed release manifest and its detached signature.
QString manifestUrl(const QString& root);
QString signatureUrl(const QString& root);

extern const char* const kSoftVer;       // "Value=SoftVer"
extern const char* const kSoftNovrelVer; // "Value=SoftNovrelVer"
extern const char* const kFileList;      // "Value=FileList"

// A version reply starts with exactly "version="; the rest, unchanged, is
// the version. Anything else is no answer.
std::optional<QString> parseVersionReply(const QString& body);

// The items of a file-list reply: split at every ",", empty items kept.
QStringList fileListItems(const QString& body);
// True when item 0 is exactly "FileList".
bool isFileList(const QStringList& items);
// The names of the release's files, in fetch order; none unless item 0 is
// exactly "FileList".
QStringList fileListNames(const QString& body);

// A bare file name: not empty, no "/", "\", ":" or control character, not
// "." or "..".
bool isBareFileName(const QString& name);

// A name the updater may fetch and install in the program folder: a bare
// file name that is not one of the program's own folders ("NovrelTemp",
// "OldFile"), does not begin with "." and can be created on every platform
// the release may be installed on: no Windows device name (CON, PRN, AUX,
// NUL, COM1-9, LPT1-9, with or without an extension), no character Windows
// forbids, no trailing dot or blank, no "%" or "#" (a name must read the
// same in an address). The same rule holds on every platform
// and compares case-insensitively, so one release list is judged alike
// everywhere (and by the update service).
bool isReleaseFileName(const QString& name);

} // namespace UpdateProtocol
