#pragma once

#include "ResultFilter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPair>
#include <QString>
#include <QVector>

#include <optional>

// What a request to the line dashboard asks for, from its address's
// parameters: since, until (YYYY-MM-DD, UTC, both days whole), station,
// profile, operator, serial, figure (a report name, e.g.
// signal.quality_pct), kiosk (1 or 0), refresh (seconds between the
// kiosk's reloads, 2 to 3600; default 10). Without `since` the range is the
// 30 days up to `until` (or today). Anything else, a parameter given twice,
// a malformed date, a range of more than 400 days, a text longer than
// 200 characters or a figure the store does not keep is refused with the
// reason (the server answers 400 with it).
struct DashboardRequest
{
    Q_DECLARE_TR_FUNCTIONS(DashboardRequest)

public:
    static constexpr int kDefaultDays = 30;
    static constexpr int kMaxDays = 400;
    static constexpr int kMaxText = 200;

    ResultFilter filter; // never a verdict
    QString figure;      // empty: the first one stored
    bool kiosk = false;
    int refreshS = 10;

    static std::optional<DashboardRequest> parse(const QVector<QPair<QString, QString>>& parameters,
                                                 const QDate& today, QString* error);
};
