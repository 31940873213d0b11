#pragma once

#include <QString>

// Moves a file over another in one step: the target is either the old file
// or the new one, never missing or half written. Both must be on the same
// file system; false when the move cannot be made (nothing changes then).
namespace FileReplace {

bool renameOver(const QString& from, const QString& to);

} // namespace FileReplace
