#include "ProcessHandOver.h"

#include <QDir>
#include <QFile>

#include <vector>

#ifdef Q_OS_WIN
#include <process.h>
#else
#include <unistd.h>
#endif

namespace ProcessHandOver {

int handOver(const QString& program, const QStringList& arguments)
{
#ifdef Q_OS_WIN
    const std::wstring path = QDir::toNativeSeparators(program).toStdWString();
    std::vector<std::wstring> storage;
    storage.push_back(L"\"" + path + L"\"");
    for (const QString& argument : arguments)
        storage.push_back(L"\"" + argument.toStdWString() + L"\"");
    std::vector<const wchar_t*> argv;
    for (const std::wstring& item : storage)
        argv.push_back(item.c_str());
    argv.push_back(nullptr);
    const intptr_t result = _wspawnv(_P_WAIT, path.c_str(), argv.data());
    return result < 0 ? -1 : int(result);
#else
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> storage{path};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    ::execv(path.constData(), argv.data());
    return -1;
#endif
}

} // namespace ProcessHandOver
