#include "HostPrograms.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

namespace {

#ifdef Q_OS_WIN
using ToUnix = char*(CDECL*)(LPCWSTR);

ToUnix wineToUnix()
{
    return reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}

// The machine's shell, which Wine starts as a Linux program.
QString shell()
{
    return QStringLiteral("Z:\\bin\\sh");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `script` in the machine's shell with `arguments` ($0, $1, ...),
// detached, and waits at most `timeoutMs` for the file `done` it writes last.
bool runShell(const QString& script, const QStringList& arguments, const QString& done,
              int timeoutMs)
{
    if (!QProcess::startDetached(shell(), QStringList{QStringLiteral("-c"), script} + arguments))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(done)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(20);
    }
    QThread::msleep(20); // its last line written whole
    return true;
}
#endif

} // namespace

bool HostPrograms::available()
{
#ifdef Q_OS_WIN
    return wineToUnix() != nullptr;
#else
    return true;
#endif
}

QString HostPrograms::path(const QString& path)
{
#ifdef Q_OS_WIN
    if (const ToUnix toUnix = wineToUnix()) {
        const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
        if (char* unixPath = toUnix(native.c_str())) {
            const QString result = QString::fromLocal8Bit(unixPath);
            HeapFree(GetProcessHeap(), 0, unixPath);
            return result;
        }
    }
#endif
    return path;
}

QByteArray HostPrograms::output(const QString& name, const QStringList& arguments, int timeoutMs)
{
#ifdef Q_OS_WIN
    QTemporaryDir scratch;
    const QString out = scratch.filePath(QStringLiteral("out"));
    const QString status = scratch.filePath(QStringLiteral("status"));
    const QString done = scratch.filePath(QStringLiteral("done"));
    const QString script = QStringLiteral(
        "out=$0 status=$1 done=$2; shift 2; \"$@\" > \"$out\"; echo $? > \"$status\"; : > \"$done\"");
    if (!runShell(script, QStringList{path(out), path(status), path(done), name} + arguments, done,
                  timeoutMs))
        return QByteArray();
    return readAll(status).trimmed() == "0" ? readAll(out) : QByteArray();
#else
    QProcess process;
    process.start(QStandardPaths::findExecutable(name), arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
#endif
}

HostPrograms::~HostPrograms()
{
    stop();
}

bool HostPrograms::start()
{
#ifdef Q_OS_WIN
    // The shell records its id, then becomes the program.
    const QString program = m_process.program();
    m_process.setProgram(shell());
    m_process.setArguments(QStringList{QStringLiteral("-c"),
                                       QStringLiteral("echo $$ > \"$0\"; exec \"$@\""),
                                       path(m_scratch.filePath(QStringLiteral("pid"))), program}
                           + m_process.arguments());
    m_started = m_process.startDetached();
    return m_started;
#else
    m_process.start();
    return m_process.waitForStarted(5000);
#endif
}

void HostPrograms::stop()
{
#ifdef Q_OS_WIN
    if (!m_started)
        return;
    m_started = false;
    QElapsedTimer timer;
    timer.start();
    QByteArray pid;
    while ((pid = readAll(m_scratch.filePath(QStringLiteral("pid"))).trimmed()).isEmpty()
           && timer.elapsed() < 5000)
        QThread::msleep(20);
    if (!pid.isEmpty())
        QProcess::startDetached(QStringLiteral("Z:\\bin\\kill"),
                                {QStringLiteral("-KILL"), QString::fromLatin1(pid)});
#else
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
#endif
}
