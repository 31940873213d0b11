#include "LogCapture.h"

#include <QtGlobal>

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_mutex;
QStringList g_lines;
bool g_echo = false;

QChar tag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return QLatin1Char('D');
    case QtInfoMsg: return QLatin1Char('I');
    case QtWarningMsg: return QLatin1Char('W');
    case QtCriticalMsg: return QLatin1Char('C');
    case QtFatalMsg: return QLatin1Char('F');
    }
    return QLatin1Char('?');
}

void handler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QString line = tag(type) + QLatin1Char(':') + message;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_lines.append(line);
    }
    if (g_echo || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(line));
    if (type == QtFatalMsg)
        abort();
}

} // namespace

void LogCapture::install()
{
    g_echo = qEnvironmentVariableIntValue("ROTAPROBE_TEST_LOG") != 0;
    qInstallMessageHandler(handler);
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}

QStringList LogCapture::lines()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
}

QStringList LogCapture::linesMatching(const QStringList& prefixes)
{
    QStringList out;
    for (const QString& line : lines())
        for (const QString& prefix : prefixes)
            if (line.startsWith(prefix)) {
                out.append(line);
                break;
            }
    return out;
}

int LogCapture::count(const QString& line)
{
    return lines().count(line);
}
