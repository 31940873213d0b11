#pragma once

#include "DashboardRequest.h"
#include "ResultStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>

#include <optional>

// The JSON behind each panel of the line dashboard, read from the results
// store with bound values only; every list is capped and says so:
//   tiles    a tile per station with tests in the range: last test, its
//            verdict, today's tests and first-pass yield (UTC day), idle
//            (nothing stored for the idle time)
//   yield    first-pass and final yield per UTC day, all stations and each
//   pareto   failing items, most frequent first
//   latest   the newest tests (at most kLatest), with their protocol's name
//   figure   one figure's control chart (the newest kChartPoints tests in
//            the order they ran, each with the limits of its own profile),
//            histogram and capability against the newest test's limits
//   test     everything stored for one test
//   filters  the stations, profiles and operators in the range
// On a store that cannot be read each returns nothing and sets `error`.
//
// Threads: one thread per object, like its store.
class DashboardData
{
    Q_DECLARE_TR_FUNCTIONS(DashboardData)

public:
    static constexpr int kLatest = 50;
    static constexpr int kChartPoints = 2000;
    static constexpr int kParetoItems = 20;
    static constexpr int kStations = 64;
    static constexpr int kHistogramBins = 20;
    static constexpr qint64 kIdleMs = 15 * 60 * 1000;

    explicit DashboardData(ResultStore& store, qint64 idleMs = kIdleMs)
        : m_store(store), m_idleMs(idleMs)
    {
    }

    std::optional<QJsonObject> tiles(const DashboardRequest& request, const QDateTime& now,
                                     QString* error);
    std::optional<QJsonObject> yield(const DashboardRequest& request, QString* error);
    std::optional<QJsonObject> pareto(const DashboardRequest& request, QString* error);
    std::optional<QJsonObject> latest(const DashboardRequest& request, QString* error);
    std::optional<QJsonObject> figure(const DashboardRequest& request, QString* error);
    std::optional<QJsonObject> filters(const DashboardRequest& request, QString* error);
    // Nothing and an empty `error` when there is no such test.
    std::optional<QJsonObject> test(qint64 id, QString* error);

private:
    // The filter's distinct values of `column` (station, profile_name, operator).
    std::optional<QStringList> distinct(const ResultFilter& filter, const QString& column,
                                         int cap, QString* error);

    ResultStore& m_store;
    const qint64 m_idleMs;
};
