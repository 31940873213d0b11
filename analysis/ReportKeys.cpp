#include "ReportKeys.h"

QString ReportKeys::path(std::initializer_list<QLatin1String> keys)
{
    QString text;
    for (const QLatin1String key : keys) {
        if (!text.isEmpty())
            text += QLatin1Char('.');
        text += key;
    }
    return text;
}

QString ReportKeys::placed(QLatin1String key)
{
    return QString(key) + QLatin1Char('_') + atMm;
}
