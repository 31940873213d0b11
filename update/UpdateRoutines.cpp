#include "UpdateRoutines.h"

#include "FileReplace.h"
#include "FileVersionReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

QString GetFileVersion(const QString& fileName)
{
    return FileVersionReader::read(fileName);
}

bool IsNewerVersion(const QString& remote, const QString& local)
{
    const QStringList r = remote.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    const QStringList l = local.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    auto part = [](const QStringList& parts, int i) {
        bool ok = false;
        const qlonglong value = i < parts.size() ? parts.at(i).toLongLong(&ok, 10) : 0;
        return ok ? value : 0;
    };
    for (int i = 0; i < 4; ++i)
        if (part(r, i) > part(l, i))
            return true;
    return false;
}

namespace {

// Writes source to target through a temporary file in the target's folder.
bool replaceAtomically(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        if (out.write(chunk) != chunk.size())
            return false;
    if (in.error() != QFileDevice::NoError)
        return false;
    // A replaced file keeps its own permissions (an installed executable
    // stays executable); a new one takes the source's.
    const QFileInfo existing(target);
    out.setPermissions(existing.exists() ? existing.permissions() : in.permissions());
    return out.commit();
}

} // namespace

bool CopyFileOver(const QString& source, const QString& target, const QString& targetFolder,
                  bool overwrite)
{
    QString to = target;
    to.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (source == to)
        return true;
    if (!QFileInfo::exists(source))
        return false;
    const QFileInfo folder(targetFolder);
    if (!folder.isDir() && !QDir().mkpath(folder.absoluteFilePath()))
        return false;
    const QFileInfo existing(to);
    if ((existing.exists() || existing.isSymLink()) && !overwrite)
        return false;
    // A link standing at the target is replaced, never written through.
    if (existing.isSymLink() && !QFile::remove(to))
        return false;
    return replaceAtomically(source, to);
}

bool MoveFileOver(const QString& source, const QString& target, const QString& targetFolder)
{
    const QFileInfo existing(target);
    if (existing.isFile()) {
        const QFileDevice::Permissions keep = existing.permissions();
        const QFileDevice::Permissions had = QFile(source).permissions();
        QFile::setPermissions(source, keep);
        if (FileReplace::renameOver(source, target))
            return true;
        QFile::setPermissions(source, had);
    } else if (!existing.exists() && QFileInfo(targetFolder).isDir() &&
               FileReplace::renameOver(source, target)) {
        return true;
    }
    if (!CopyFileOver(source, target, targetFolder, true))
        return false;
    QFile::remove(source);
    return true;
}
