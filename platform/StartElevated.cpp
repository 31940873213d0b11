#include "StartElevated.h"

#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

// The console lines the hand-off writes when it fails (the version check
// exists on Windows only).
[[maybe_unused]] constexpr char kVersionCheckFailed[] = u8"检查系统版本失败";
constexpr char kRefusedByUser[] = u8"提升权限被用户拒绝";
constexpr char kFileNotFound[] = u8"所要执行的文件没有找到";

void consoleLine(const char* utf8);

} // namespace

namespace ElevationRoute {

Route choose(bool ownFolder, bool pkexecFound)
{
    if (ownFolder)
        return Route::Direct;
    return pkexecFound ? Route::Pkexec : Route::None;
}

ElevatedStart pkexecExit(int exitCode)
{
    return exitCode == 126 || exitCode == 127 ? ElevatedStart::Refused : ElevatedStart::Started;
}

ElevatedStart startDirect(const QString& path)
{
    QProcess process;
    process.setProgram(path);
    process.setWorkingDirectory(QFileInfo(path).absolutePath());
    return process.startDetached() ? ElevatedStart::Started : ElevatedStart::Failed;
}

} // namespace ElevationRoute

#ifdef Q_OS_WIN

#include <QDir>
#include <QTextCodec>

#include <qt_windows.h>
#include <shellapi.h>

namespace {

void consoleLine(const char* utf8)
{
    // The console of a Chinese Windows reads its ANSI code page (936).
    const QString text = QString::fromUtf8(utf8);
    QTextCodec* codec = QTextCodec::codecForName("GBK");
    const QByteArray bytes = codec ? codec->fromUnicode(text) : text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

ElevatedStart openPlain(const std::wstring& file)
{
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return ElevatedStart::Started;
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND
               ? ElevatedStart::NotFound
               : ElevatedStart::Failed;
}

} // namespace

ElevatedStart ElevationRoute::startThroughPkexec(const QString&, const QString&)
{
    return ElevatedStart::NoMeans;
}

bool ElevationRoute::isOwnProgram(const QString&)
{
    return false;
}

bool ElevationRoute::isOwnFolder(const QString& path)
{
    return QFileInfo(path).isWritable();
}

QString ElevationRoute::pkexecPath()
{
    return QString();
}

ElevatedStart StartElevated(const QString& path)
{
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (!known) {
        consoleLine(kVersionCheckFailed);
        return openPlain(file);
    }
    if (version.dwMajorVersion <= 5)
        return openPlain(file);

    SHELLEXECUTEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"runas";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) {
        if (info.hProcess)
            CloseHandle(info.hProcess);
        return ElevatedStart::Started;
    }
    switch (GetLastError()) {
    case ERROR_CANCELLED:
        consoleLine(kRefusedByUser);
        return ElevatedStart::Refused;
    case ERROR_FILE_NOT_FOUND:
        consoleLine(kFileNotFound);
        return ElevatedStart::NotFound;
    default:
        return ElevatedStart::Failed;
    }
}

#else

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void consoleLine(const char* utf8)
{
    std::fputs(utf8, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

// The kernel's name of a process: the file name it runs, cut to 15 bytes.
QByteArray processName(pid_t pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return QByteArray();
    return comm.readAll().trimmed();
}

} // namespace

bool ElevationRoute::isOwnProgram(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && isOwnFolder(file.absolutePath());
}

bool ElevationRoute::isOwnFolder(const QString& path)
{
    // The owner of a folder may replace anything in it, whatever its mode
    // and its files' owners: what lies there is the user's to run as the
    // user, and never anyone's to run as root. A link does not count.
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

QString ElevationRoute::pkexecPath()
{
    return QStringLiteral("/usr/bin/pkexec");
}

ElevatedStart ElevationRoute::startThroughPkexec(const QString& pkexec, const QString& path)
{
    const QByteArray program = QFile::encodeName(pkexec);
    const QByteArray target = QFile::encodeName(path);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(target.constData()),
                    nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0)
        return ElevatedStart::Failed;

    // pkexec asks for authentication and then becomes the program (same
    // process); on refusal it ends with 126 or 127. There is no time limit:
    // the operator may take a while at the authentication dialog.
    const QByteArray expected = QFile::encodeName(QFileInfo(path).fileName()).left(15);
    ElevatedStart outcome = ElevatedStart::Failed;
    bool decided = false;
    QEventLoop loop;
    auto look = [&] {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            outcome = WIFEXITED(status) ? pkexecExit(WEXITSTATUS(status)) : ElevatedStart::Failed;
            decided = true;
        } else if (ended < 0) {
            decided = true; // not ours to watch any more: nothing is known
        } else {
            const QByteArray name = processName(pid);
            // A process table hidden from us (hidepid) cannot be watched:
            // hand over, as the program would without watching.
            if (name.isEmpty() || name == expected) {
                outcome = ElevatedStart::Started;
                decided = true;
            }
        }
        if (decided)
            loop.quit();
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, look);
    poll.start(50);
    look();
    if (!decided)
        loop.exec();
    return outcome;
}

ElevatedStart StartElevated(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile()) {
        consoleLine(kFileNotFound);
        return ElevatedStart::NotFound;
    }
    const QString pkexec = ElevationRoute::pkexecPath();
    const bool pkexecFound = QFileInfo(pkexec).isExecutable();
    switch (ElevationRoute::choose(ElevationRoute::isOwnProgram(path), pkexecFound)) {
    case ElevationRoute::Route::Direct:
        return ElevationRoute::startDirect(file.absoluteFilePath());
    case ElevationRoute::Route::Pkexec: {
        // The path polkit's action for the updater names: no symbolic links.
        const ElevatedStart outcome =
            ElevationRoute::startThroughPkexec(pkexec, file.canonicalFilePath());
        if (outcome == ElevatedStart::Refused)
            consoleLine(kRefusedByUser);
        return outcome;
    }
    case ElevationRoute::Route::None:
        break;
    }
    return ElevatedStart::NoMeans;
}

#endif
