#include "ProtocolFileName.h"

#include <QFileInfo>

namespace ProtocolFileName {

QString make(const QString& serial, const QDateTime& startedAt)
{
    QString safe;
    safe.reserve(serial.size());
    for (const QChar c : serial) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_');
        safe.append(plain ? c : QLatin1Char('_'));
    }
    if (safe.isEmpty() || safe.startsWith(QLatin1Char('.')))
        safe.prepend(QLatin1Char('_'));
    return safe + QLatin1Char('_') +
           startedAt.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")) +
           QStringLiteral(".pdf");
}

QString numbered(const QString& path, int number)
{
    if (number <= 1)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString name = info.completeBaseName() + QStringLiteral("_%1").arg(number) +
                         (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const QString folder = path.left(path.size() - info.fileName().size());
    return folder + name;
}

} // namespace ProtocolFileName
