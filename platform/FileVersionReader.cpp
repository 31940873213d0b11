#include "FileVersionReader.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <QByteArray>

namespace FileVersionReader {

QString read(const QString& fileName)
{
    const std::wstring path = fileName.toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return QString();
    QByteArray buffer(int(size) + 1, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, buffer.data()))
        return QString();
    struct Translation
    {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<LPVOID*>(&translation), &length) ||
        length < sizeof(Translation))
        return QString();
    auto hex4 = [](WORD v) { return (QStringLiteral("000") + QString::number(v, 16)).right(4); };
    const QString block = QStringLiteral("\\StringFileInfo\\") + hex4(translation->language) +
                          hex4(translation->codePage) + QStringLiteral("\\FileVersion");
    wchar_t* value = nullptr;
    if (!VerQueryValueW(buffer.data(), reinterpret_cast<LPCWSTR>(block.utf16()),
                        reinterpret_cast<LPVOID*>(&value), &length) ||
        !value)
        return QString();
    return QString::fromWCharArray(value);
}

} // namespace FileVersionReader

#else

#include "ElfVersionNote.h"

#include <QFile>

namespace FileVersionReader {

namespace {
constexpr qint64 kLargestExecutable = 512LL * 1024 * 1024;
}

QString read(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestExecutable)
        return QString();
    return ElfVersionNote::find(file.readAll());
}

} // namespace FileVersionReader

#endif
