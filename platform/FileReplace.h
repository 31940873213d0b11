#pragma once

#include <QString>

// Moves a file to another name in one step. Both names must be on the same
// file system; nothing changes when the move cannot be made.
namespace FileReplace {

// Over whatever is at `to` (a link there is replaced, never followed): the
// target is either the old file or the new one, never missing or half
// written.
bool renameOver(const QString& from, const QString& to);

enum class NewName
{
    Moved,
    Taken, // something (a file, a folder, a link) is at `to` already
    Failed,
};

// Only to a name nothing is at: never replaces a file, never follows a link
// (Linux: renameat2 without replacing, else a hard link and the old name
// removed; Windows: MoveFileEx without replacing).
NewName renameNew(const QString& from, const QString& to);

} // namespace FileReplace
