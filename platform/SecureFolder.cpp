#include "SecureFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SecureFolder {

bool prepare(const QString& path)
{
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isOwn(path);
#else
    return QDir().mkpath(path) && isOwn(path);
#endif
}

bool isOwn(const QString& path)
{
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::lstat(name.constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
#else
    return QFileInfo(path).isDir() && !QFileInfo(path).isSymLink();
#endif
}

bool setMode(const QString& path, QFileDevice::Permissions mode)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    QFile file;
    // The descriptor is closed with the file.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return file.setPermissions(mode);
#else
    return QFile::setPermissions(path, mode);
#endif
}

bool empty(const QString& path)
{
    const QDir folder(path);
    bool removed = true;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // A link is removed as a file; a real folder with what it holds.
        if (entry.isDir() && !entry.isSymLink())
            removed = QDir(entry.filePath()).removeRecursively() && removed;
        else
            removed = QFile::remove(entry.filePath()) && removed;
    }
    return removed;
}

} // namespace SecureFolder
