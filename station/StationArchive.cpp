#include "StationArchive.h"

#include <QDate>
#include <QDateTime>

StationArchive::StationArchive(const QString& location, const QString& station)
    : m_location(location), m_station(station)
{
}

StationArchive::~StationArchive() = default;

void StationArchive::open()
{
    m_filing = std::make_unique<ResultFiling>(m_location);
    QString error;
    QStringList warnings;
    const bool ok = m_filing->prepare(&error, &warnings);
    if (!ok)
        m_filing.reset();
    emit opened(ok, error, warnings);
    if (ok)
        refresh();
}

void StationArchive::file(const FinishedTest& test)
{
    if (!m_filing) {
        ResultFiling::Filed lost;
        lost.message = ResultFiling::tr("The results store was not opened.");
        emit filed(lost);
        return;
    }
    emit filed(m_filing->file(test));
    refresh();
}

void StationArchive::refresh()
{
    StationHistory history;
    ResultStore* store = m_filing ? m_filing->store() : nullptr;
    if (!store) {
        history.error = ResultFiling::tr("The results store was not opened.");
        emit historyRead(history);
        return;
    }
    ResultFilter latest;
    latest.station = m_station;
    latest.limit = StationHistory::kRows;
    ResultFilter today;
    today.station = m_station;
    today.sinceMs = QDateTime(QDate::currentDate(), QTime(0, 0)).toMSecsSinceEpoch();
    QString error;
    const auto rows = store->list(latest, false, &error);
    const auto statistics = rows ? store->statistics(today, &error) : std::nullopt;
    if (rows && statistics) {
        history.known = true;
        history.latest = *rows;
        history.todayTests = statistics->count;
        history.todayPassed = statistics->passed;
    } else {
        history.error = error;
    }
    emit historyRead(history);
}

void StationArchive::lookUp(const QString& serial)
{
    UnitHistory history;
    ResultStore* store = m_filing ? m_filing->store() : nullptr;
    if (!store) {
        history.error = ResultFiling::tr("The results store was not opened.");
        emit unitLookedUp(serial, history);
        return;
    }
    ResultFilter unit;
    unit.serial = serial;
    const auto rows = store->list(unit, false, &history.error);
    if (rows) {
        history.known = true;
        history.tests = rows->size();
        for (const ResultStore::Row& row : *rows)
            history.judged += row.verdict != QLatin1String("aborted") ? 1 : 0;
    }
    emit unitLookedUp(serial, history);
}

void StationArchive::close()
{
    m_filing.reset();
}
