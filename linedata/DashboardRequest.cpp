#include "DashboardRequest.h"

#include "ResultFigures.h"

#include <QSet>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

bool isDate(const QString& text)
{
    return text.size() == 10 && QDate::fromString(text, Qt::ISODate).isValid();
}

} // namespace

std::optional<DashboardRequest> DashboardRequest::parse(
    const QVector<QPair<QString, QString>>& parameters, const QDate& today, QString* error)
{
    static const QSet<QString> known{
        QStringLiteral("since"),   QStringLiteral("until"),    QStringLiteral("station"),
        QStringLiteral("profile"), QStringLiteral("operator"), QStringLiteral("serial"),
        QStringLiteral("figure"),  QStringLiteral("kiosk"),    QStringLiteral("refresh")};
    DashboardRequest request;
    QSet<QString> seen;
    QString since, until;
    for (const auto& [name, value] : parameters) {
        if (!known.contains(name)) {
            *error = tr("unknown parameter \"%1\"").arg(name.left(kMaxText));
            return std::nullopt;
        }
        if (seen.contains(name)) {
            *error = tr("parameter \"%1\" given twice").arg(name);
            return std::nullopt;
        }
        seen.insert(name);
        if (value.size() > kMaxText) {
            *error = tr("parameter \"%1\" is longer than %2 characters").arg(name).arg(kMaxText);
            return std::nullopt;
        }
        if (name == QLatin1String("since") || name == QLatin1String("until")) {
            if (!value.isEmpty() && !isDate(value)) {
                *error = tr("parameter \"%1\" needs a date YYYY-MM-DD").arg(name);
                return std::nullopt;
            }
            (name == QLatin1String("since") ? since : until) = value;
        } else if (name == QLatin1String("kiosk")) {
            if (value != QLatin1String("1") && value != QLatin1String("0") && !value.isEmpty()) {
                *error = tr("parameter \"kiosk\" is 1 or 0");
                return std::nullopt;
            }
            request.kiosk = value == QLatin1String("1");
        } else if (name == QLatin1String("refresh")) {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 2 || seconds > 3600) {
                *error = tr("parameter \"refresh\" is a number of seconds from 2 to 3600");
                return std::nullopt;
            }
            request.refreshS = seconds;
        } else if (name == QLatin1String("figure")) {
            bool found = value.isEmpty();
            for (const ResultFigures::Figure& f : ResultFigures::all())
                found = found || f.name == value;
            if (!found) {
                *error = tr("no figure \"%1\" is stored").arg(value);
                return std::nullopt;
            }
            request.figure = value;
        } else if (name == QLatin1String("station")) {
            request.filter.station = value;
        } else if (name == QLatin1String("profile")) {
            request.filter.profile = value;
        } else if (name == QLatin1String("operator")) {
            request.filter.operatorName = value;
        } else {
            request.filter.serial = value;
        }
    }
    const QDate last = until.isEmpty() ? today : QDate::fromString(until, Qt::ISODate);
    const QDate first = since.isEmpty() ? last.addDays(1 - kDefaultDays)
                                        : QDate::fromString(since, Qt::ISODate);
    if (first > last) {
        *error = tr("\"since\" lies after \"until\"");
        return std::nullopt;
    }
    if (first.daysTo(last) >= kMaxDays) {
        *error = tr("the range is longer than %1 days").arg(kMaxDays);
        return std::nullopt;
    }
    request.filter.sinceMs = QDateTime(first, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    request.filter.beforeMs = QDateTime(last, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() + kDayMs;
    return request;
}
