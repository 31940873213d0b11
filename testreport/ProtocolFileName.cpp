#include "ProtocolFileName.h"

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

} // namespace ProtocolFileName
