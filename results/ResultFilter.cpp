#include "ResultFilter.h"

#include "TestResult.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

} // namespace

std::optional<qint64> ResultFilter::parseTime(const QString& text, bool* wholeDay)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (date.isValid() && text.size() == 10) {
        *wholeDay = true;
        return QDateTime(date, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    }
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid() || text.size() <= 10)
        return std::nullopt;
    // A time without a zone is UTC, like the stored times.
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    *wholeDay = false;
    return time.toMSecsSinceEpoch();
}

std::optional<qint64> ResultFilter::parseOption(const char* option, const QString& text,
                                                bool* wholeDay, QString* error)
{
    const std::optional<qint64> ms = parseTime(text, wholeDay);
    if (!ms)
        *error = tr("%1 needs a date (YYYY-MM-DD) or a UTC time (YYYY-MM-DDTHH:MM:SSZ), not \"%2\".")
                     .arg(QLatin1String(option), text);
    return ms;
}

bool ResultFilter::setSince(const QString& text, QString* error)
{
    bool wholeDay = false;
    const std::optional<qint64> ms = parseOption("--since", text, &wholeDay, error);
    if (ms)
        sinceMs = *ms;
    return ms.has_value();
}

bool ResultFilter::setUntil(const QString& text, QString* error)
{
    bool wholeDay = false;
    const std::optional<qint64> ms = parseOption("--until", text, &wholeDay, error);
    // The last day is taken in whole; a time is included itself.
    if (ms)
        beforeMs = wholeDay ? *ms + kDayMs : *ms + 1;
    return ms.has_value();
}

bool ResultFilter::setVerdict(const QString& text, QString* error)
{
    if (!TestResult::isVerdict(text)) {
        *error = tr("--verdict is pass, fail or aborted, not \"%1\".").arg(text);
        return false;
    }
    verdict = text;
    return true;
}

QString ResultFilter::whereClause(const QString& table) const
{
    const QString prefix = table.isEmpty() ? QString() : table + QLatin1Char('.');
    QStringList conditions;
    if (!serial.isEmpty())
        conditions << prefix + QStringLiteral("serial = ?");
    if (sinceMs)
        conditions << prefix + QStringLiteral("started_ms >= ?");
    if (beforeMs)
        conditions << prefix + QStringLiteral("started_ms < ?");
    if (!verdict.isEmpty())
        conditions << prefix + QStringLiteral("verdict = ?");
    if (!station.isEmpty())
        conditions << prefix + QStringLiteral("station = ?");
    if (!profile.isEmpty())
        conditions << prefix + QStringLiteral("profile_name = ?");
    if (!operatorName.isEmpty())
        conditions << prefix + QStringLiteral("operator = ?");
    if (conditions.isEmpty())
        return QString();
    return QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

QVariantList ResultFilter::values() const
{
    QVariantList list;
    if (!serial.isEmpty())
        list << serial;
    if (sinceMs)
        list << *sinceMs;
    if (beforeMs)
        list << *beforeMs;
    if (!verdict.isEmpty())
        list << verdict;
    if (!station.isEmpty())
        list << station;
    if (!profile.isEmpty())
        list << profile;
    if (!operatorName.isEmpty())
        list << operatorName;
    return list;
}
