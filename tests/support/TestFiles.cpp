#include "TestFiles.h"

#include <QFile>

#include <csignal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

QByteArray currentUserText()
{
#ifdef Q_OS_WIN
    char name[256];
    DWORD size = sizeof(name);
    return GetUserNameA(name, &size) ? QByteArray(name) : QByteArray();
#else
    return QByteArray::number(uint(getuid()));
#endif
}

#ifdef Q_OS_WIN

bool FileSizeLimit::available()
{
    return false;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    Q_UNUSED(bytes);
}

FileSizeLimit::~FileSizeLimit() = default;

#else

bool FileSizeLimit::available()
{
    return true;
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    m_previousAction = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousSoft = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previousSoft);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_previousAction);
}

#endif
