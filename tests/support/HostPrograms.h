#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The build machine's own programs (PHP, pdftotext, pdffonts) started from a
// suite. On Linux they are found on the PATH and run as any QProcess. Under
// Wine the suites are Windows programs and these stay Linux programs: Wine
// starts them, but they know Unix paths only, do not get the handles a
// QProcess redirects, and neither their end nor their exit code reaches the
// QProcess. So paths are translated, they run through the machine's shell,
// which writes their output and exit code to files, and a server is ended
// with the machine's kill on the process id the shell recorded.
class HostPrograms
{
public:
    // False on a Windows that is not Wine: the programs are not there.
    static bool available();
    // `path` as the host's programs see it (the Unix name under Wine).
    static QString path(const QString& path);

    // Runs `name` with `arguments` to its end (at most `timeoutMs`) and
    // returns its standard output; empty when it failed or exited non-zero.
    static QByteArray output(const QString& name, const QStringList& arguments,
                             int timeoutMs = 20000);

    // A long-running program (a server): set it up on process() (program as
    // a host path, arguments, environment, on Linux its output files), then
    // start(); stop() or the destructor ends it.
    HostPrograms() = default;
    ~HostPrograms();
    QProcess& process() { return m_process; }
    bool start();
    void stop();

private:
    QProcess m_process;
#ifdef Q_OS_WIN
    QTemporaryDir m_scratch;
    bool m_started = false;
#endif
};
