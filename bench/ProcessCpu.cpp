#include "ProcessCpu.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

namespace ProcessCpu {

double seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::map<QString, double> threadSeconds()
{
    std::map<QString, double> seconds;
    const double tick = double(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const int open = line.indexOf('(');
        const int close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        // utime and stime are fields 14 and 15, after the name's ')'.
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 12)
            seconds[QString::fromLatin1(line.mid(open + 1, close - open - 1))] +=
                (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return seconds;
}

} // namespace ProcessCpu
