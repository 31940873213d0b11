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

} // namespace FileReplace

#else
#include <cstdio>

namespace FileReplace {

bool renameOver(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace FileReplace

#endif
