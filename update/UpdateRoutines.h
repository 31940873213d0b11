#pragma once

#include <QString>

// The file routines both programs carry.

// The FileVersion string of an executable ("" on any failure). A bare name
// resolves against the current directory.
QString GetFileVersion(const QString& fileName);

// True when `remote` is newer than `local`: for each of the four parts in
// turn, a greater remote part makes it newer; a smaller one does not end the
// comparison. Missing parts and parts that are not decimal numbers count as
// 0, so the empty version (a missing executable) is older than any release.
bool IsNewerVersion(const QString& remote, const QString& local);

// Copies `source` to `target` (back-slashes in `target` read as "/"),
// creating `targetFolder` first when it is missing. True when the copy was
// made, or when source and target are the same path. An existing target is
// replaced only when `overwrite` is set, and atomically: the copy is written
// beside it under a temporary name and renamed over it, so a failed copy
// leaves the old target in place. A replaced target keeps its permissions;
// a link standing at the target is replaced by the copy, never written through.
bool CopyFileOver(const QString& source, const QString& target, const QString& targetFolder,
                  bool overwrite);

// Installs a downloaded file: moves `source` over `target` when both are on
// one file system (no second copy of the data), otherwise copies it with
// CopyFileOver and removes the source. A replaced target keeps its
// permissions. False, with the target unchanged and the source kept, when
// the target cannot be replaced.
bool MoveFileOver(const QString& source, const QString& target, const QString& targetFolder);
