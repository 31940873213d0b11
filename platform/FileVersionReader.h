#pragma once

#include <QString>

// The FileVersion string of an executable: from its version resource on
// Windows, from its version note on Linux. "" for a missing file, a file
// without the version, or a truncated or malformed file.
namespace FileVersionReader {

QString read(const QString& fileName);

} // namespace FileVersionReader
