#include "FileReplace.h"

#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>

namespace FileReplace {

bool renameOver(const QString& from, const QString& to)
{
    return MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()),
                       reinterpret_cast<LPCWSTR>(to.utf16()), MOVEFILE_REPLACE_EXISTING) != 0;
}

NewName renameNew(const QString& from, const QString& to)
{
    if (MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()), reinterpret_cast<LPCWSTR>(to.utf16()), 0))
        return NewName::Moved;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewName::Taken : NewName::Failed;
}

} // namespace FileReplace

#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace FileReplace {

bool renameOver(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

NewName renameNew(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return NewName::Moved;
    if (errno == EEXIST)
        return NewName::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return NewName::Failed;
    // The file system cannot rename without replacing: a hard link is made
    // only where no name is, then the old name goes.
    if (::link(source.constData(), target.constData()) != 0)
        return errno == EEXIST ? NewName::Taken : NewName::Failed;
    ::unlink(source.constData());
    return NewName::Moved;
}

} // namespace FileReplace

#endif
