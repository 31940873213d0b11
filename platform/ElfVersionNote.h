#pragma once

#include <QByteArray>
#include <QString>

// The FileVersion of a Linux executable lives in an ELF note: owner
// "KORVALIS", type 0x5646 ("FV"), the version as a NUL-terminated UTF-8
// string. Plain code over the file's bytes; malformed input gives "".
namespace ElfVersionNote {

constexpr const char* kOwner = "KORVALIS";
constexpr quint32 kType = 0x5646;

// Looks in the note sections, then in the note segments.
QString find(const QByteArray& image);

} // namespace ElfVersionNote
