#include "DashboardData.h"

#include "Capability.h"
#include "DaySummary.h"
#include "ControlChart.h"
#include "Histogram.h"
#include "ProtocolFileName.h"
#include "ResultFigures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace {

constexpr qint64 kDayMs = 24 * 3600 * 1000;

QString utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

QJsonValue optional(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue text(const QString& value)
{
    return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(value);
}

bool prepared(QSqlQuery& q, const QString& sql, const QVariantList& values, QString* error)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        *error = q.lastError().text().trimmed();
        return false;
    }
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    *error = q.lastError().text().trimmed();
    return false;
}

// `where` (a filter's " WHERE ..." or nothing) with one more condition.
QString withCondition(const QString& where, const QString& condition)
{
    return where.isEmpty() ? QStringLiteral(" WHERE ") + condition
                           : where + QStringLiteral(" AND ") + condition;
}

QJsonObject yieldJson(const YieldFigures& y)
{
    return QJsonObject{{QStringLiteral("units"), y.units},
                       {QStringLiteral("first_pass_yield"), optional(y.firstPassYield())},
                       {QStringLiteral("final_yield"), optional(y.finalYield())},
                       {QStringLiteral("tests_per_unit"), optional(y.testsPerUnit())},
                       {QStringLiteral("retests"), y.retests()},
                       {QStringLiteral("aborted"), y.aborted}};
}

const ResultFigures::Figure* figureNamed(const QString& name)
{
    for (const ResultFigures::Figure& f : ResultFigures::all())
        if (f.name == name)
            return &f;
    return nullptr;
}

} // namespace

std::optional<QStringList> DashboardData::distinct(const ResultFilter& filter,
                                                   const QString& column, int cap, QString* error)
{
    QStringList values;
    // From the tests per day where it can tell (whole days, no serial).
    QVariantList bound;
    const std::optional<QString> summary = DaySummary::distinct(filter, column, cap, &bound);
    const QString sql = summary ? *summary
                                : QStringLiteral("SELECT DISTINCT %1 FROM results%2 ORDER BY %1 "
                                                 "LIMIT %3")
                                      .arg(column, filter.whereClause())
                                      .arg(cap);
    const bool ok = m_store.read(
        [&](QSqlDatabase& db, QString* e) {
            QSqlQuery q(db);
            if (!prepared(q, sql, summary ? bound : filter.values(), e))
                return false;
            while (q.next())
                if (!q.value(0).isNull())
                    values << q.value(0).toString();
            return true;
        },
        error);
    return ok ? std::optional<QStringList>(values) : std::nullopt;
}

std::optional<QJsonObject> DashboardData::filters(const DashboardRequest& request, QString* error)
{
    ResultFilter range;
    range.sinceMs = request.filter.sinceMs;
    range.beforeMs = request.filter.beforeMs;
    const auto stations = distinct(range, QStringLiteral("station"), kStations, error);
    const auto profiles = stations ? distinct(range, QStringLiteral("profile_name"), 100, error)
                                   : std::nullopt;
    const auto operators = profiles ? distinct(range, QStringLiteral("operator"), 200, error)
                                    : std::nullopt;
    if (!operators)
        return std::nullopt;
    QJsonArray figures;
    for (const ResultFigures::Figure& f : ResultFigures::all())
        figures.append(f.name);
    return QJsonObject{{QStringLiteral("stations"), QJsonArray::fromStringList(*stations)},
                       {QStringLiteral("profiles"), QJsonArray::fromStringList(*profiles)},
                       {QStringLiteral("operators"), QJsonArray::fromStringList(*operators)},
                       {QStringLiteral("figures"), figures}};
}

std::optional<QJsonObject> DashboardData::tiles(const DashboardRequest& request,
                                                const QDateTime& now, QString* error)
{
    const auto stations = distinct(request.filter, QStringLiteral("station"), kStations, error);
    if (!stations)
        return std::nullopt;
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const qint64 todayMs = nowMs - nowMs % kDayMs;
    QJsonArray tiles;
    for (const QString& station : *stations) {
        ResultFilter today = request.filter;
        today.station = station;
        today.sinceMs = todayMs;
        today.beforeMs = todayMs + kDayMs;
        qint64 lastMs = 0, todayTests = 0;
        QString lastVerdict;
        const bool ok = m_store.read(
            [&](QSqlDatabase& db, QString* e) {
                QSqlQuery last(db);
                if (!prepared(last,
                              QStringLiteral("SELECT started_ms, verdict FROM results WHERE "
                                             "station = ? ORDER BY started_ms DESC LIMIT 1"),
                              {station}, e))
                    return false;
                if (last.next()) {
                    lastMs = last.value(0).toLongLong();
                    lastVerdict = last.value(1).toString();
                }
                QSqlQuery count(db);
                if (!prepared(count,
                              QStringLiteral("SELECT COUNT(*) FROM results") + today.whereClause(),
                              today.values(), e) ||
                    !count.next())
                    return false;
                todayTests = count.value(0).toLongLong();
                return true;
            },
            error);
        const auto yield = ok ? m_store.yield(today, ResultYield::Grouping::All, error)
                              : std::nullopt;
        if (!yield)
            return std::nullopt;
        tiles.append(QJsonObject{
            {QStringLiteral("station"), station},
            {QStringLiteral("last_test"), lastMs > 0 ? QJsonValue(utc(lastMs)) : QJsonValue()},
            {QStringLiteral("last_verdict"), text(lastVerdict)},
            {QStringLiteral("today_tests"), todayTests},
            {QStringLiteral("today_first_pass_yield"), optional(yield->first().firstPassYield())},
            {QStringLiteral("idle"), lastMs == 0 || nowMs - lastMs > m_idleMs}});
    }
    return QJsonObject{{QStringLiteral("now"), utc(nowMs)},
                       {QStringLiteral("idle_after_s"), m_idleMs / 1000},
                       {QStringLiteral("stations"), tiles}};
}

std::optional<QJsonObject> DashboardData::yield(const DashboardRequest& request, QString* error)
{
    const auto byStation = m_store.yieldByStationAndDay(request.filter, error);
    const auto stations =
        byStation ? distinct(request.filter, QStringLiteral("station"), kStations, error)
                  : std::nullopt;
    if (!stations)
        return std::nullopt;
    // All stations: their days added up (a unit belongs to one station).
    std::map<QString, YieldFigures> all;
    for (const auto& [station, days] : *byStation)
        for (const YieldFigures& day : days)
            all[day.group].add(day);
    const auto daysJson = [](const auto& days) {
        QJsonArray array;
        for (const YieldFigures& day : days) {
            QJsonObject entry = yieldJson(day);
            entry.insert(QStringLiteral("day"), day.group);
            array.append(entry);
        }
        return array;
    };
    QVector<YieldFigures> days;
    YieldFigures total;
    for (auto& [name, day] : all) {
        day.group = name;
        days.append(day);
        total.add(day);
    }
    QJsonArray series;
    for (const QString& station : *stations) {
        const auto found = byStation->find(station);
        series.append(QJsonObject{
            {QStringLiteral("station"), station},
            {QStringLiteral("days"), daysJson(found == byStation->end() ? QVector<YieldFigures>()
                                                                        : found->second)}});
    }
    return QJsonObject{{QStringLiteral("days"), daysJson(days)},
                       {QStringLiteral("stations"), series},
                       {QStringLiteral("total"), yieldJson(total)}};
}

std::optional<QJsonObject> DashboardData::pareto(const DashboardRequest& request, QString* error)
{
    QJsonArray items;
    qint64 failed = 0;
    const bool ok = m_store.read(
        [&](QSqlDatabase& db, QString* e) {
            QSqlQuery q(db);
            if (!prepared(q,
                          QStringLiteral("SELECT i.name, COUNT(*) AS n FROM items i JOIN results r "
                                         "ON r.id = i.result_id%1 GROUP BY i.name "
                                         "ORDER BY n DESC, i.name LIMIT %2")
                              .arg(withCondition(request.filter.whereClause(QStringLiteral("r")),
                                                 QStringLiteral("i.pass = 0 AND r.verdict = 'fail'")))
                              .arg(kParetoItems),
                          request.filter.values(), e))
                return false;
            while (q.next())
                items.append(QJsonObject{{QStringLiteral("item"), q.value(0).toString()},
                                         {QStringLiteral("failures"), q.value(1).toLongLong()}});
            QSqlQuery count(db);
            ResultFilter fails = request.filter;
            fails.verdict = QStringLiteral("fail");
            if (!prepared(count, QStringLiteral("SELECT COUNT(*) FROM results") + fails.whereClause(),
                          fails.values(), e) ||
                !count.next())
                return false;
            failed = count.value(0).toLongLong();
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;
    return QJsonObject{{QStringLiteral("items"), items},
                       {QStringLiteral("failed_tests"), failed},
                       {QStringLiteral("cap"), kParetoItems}};
}

std::optional<QJsonObject> DashboardData::latest(const DashboardRequest& request, QString* error)
{
    ResultFilter newest = request.filter;
    newest.limit = kLatest + 1;
    const auto rows = m_store.list(newest, false, error);
    if (!rows)
        return std::nullopt;
    QJsonArray tests;
    for (int i = 0; i < rows->size() && i < kLatest; ++i) {
        const ResultStore::Row& r = rows->at(i);
        tests.append(QJsonObject{
            {QStringLiteral("id"), double(r.id)},
            {QStringLiteral("serial"), r.serial},
            {QStringLiteral("started_at"), utc(r.startedAt.toMSecsSinceEpoch())},
            {QStringLiteral("station"), r.station},
            {QStringLiteral("operator"), text(r.operatorName)},
            {QStringLiteral("profile"), text(r.profileName)},
            {QStringLiteral("verdict"), r.verdict},
            {QStringLiteral("verdict_reason"), text(r.verdictReason)},
            {QStringLiteral("attempt"), r.attempt},
            {QStringLiteral("protocol"), ProtocolFileName::make(r.serial, r.startedAt)}});
    }
    return QJsonObject{{QStringLiteral("tests"), tests},
                       {QStringLiteral("cap"), kLatest},
                       {QStringLiteral("capped"), rows->size() > kLatest}};
}

std::optional<QJsonObject> DashboardData::figure(const DashboardRequest& request, QString* error)
{
    const ResultFigures::Figure* figure =
        figureNamed(request.figure.isEmpty() ? QStringLiteral("signal.quality_pct")
                                             : request.figure);
    struct Sample
    {
        qint64 id;
        qint64 ms;
        double value;
        QString profile;
    };
    QVector<Sample> samples;
    QMap<QString, ResultFigures::Limits> limits; // by profile SHA-256
    bool capped = false;
    const bool ok = m_store.read(
        [&](QSqlDatabase& db, QString* e) {
            ResultFilter measured = request.filter;
            const QString where = measured.whereClause();
            QSqlQuery q(db);
            if (!prepared(q,
                          QStringLiteral("SELECT id, started_ms, %1, profile_sha256 FROM results%2 "
                                         "ORDER BY started_ms DESC, id DESC LIMIT %3")
                              .arg(figure->column,
                                   withCondition(where, figure->column + QStringLiteral(" IS NOT NULL")))
                              .arg(kChartPoints + 1),
                          measured.values(), e))
                return false;
            while (q.next())
                samples.append({q.value(0).toLongLong(), q.value(1).toLongLong(),
                                q.value(2).toDouble(), q.value(3).toString()});
            capped = samples.size() > kChartPoints;
            if (capped)
                samples.removeLast();
            QSqlQuery profile(db);
            profile.prepare(QStringLiteral("SELECT json FROM profiles WHERE sha256 = ?"));
            for (const Sample& s : samples) {
                if (s.profile.isEmpty() || limits.contains(s.profile))
                    continue;
                profile.addBindValue(s.profile);
                if (!profile.exec()) {
                    *e = profile.lastError().text().trimmed();
                    return false;
                }
                ResultFigures::Limits these;
                if (profile.next()) {
                    const auto parsed =
                        ToleranceProfile::parse(profile.value(0).toString().toUtf8(), nullptr);
                    if (parsed)
                        these = ResultFigures::limitsOf(*parsed, figure->name);
                }
                profile.finish();
                limits.insert(s.profile, these);
            }
            return true;
        },
        error);
    if (!ok)
        return std::nullopt;
    std::reverse(samples.begin(), samples.end()); // in the order they ran
    QVector<double> values;
    for (const Sample& s : samples)
        values << s.value;
    const ControlChart chart = ControlChart::compute(values);
    QJsonArray points;
    bool limitsChanged = false;
    for (int i = 0; i < samples.size(); ++i) {
        const ResultFigures::Limits l = limits.value(samples.at(i).profile);
        const ResultFigures::Limits newest = limits.value(samples.constLast().profile);
        limitsChanged = limitsChanged || l.lower != newest.lower || l.upper != newest.upper;
        points.append(QJsonObject{{QStringLiteral("id"), double(samples.at(i).id)},
                                  {QStringLiteral("t"), utc(samples.at(i).ms)},
                                  {QStringLiteral("value"), samples.at(i).value},
                                  {QStringLiteral("lower"), optional(l.lower)},
                                  {QStringLiteral("upper"), optional(l.upper)},
                                  {QStringLiteral("mr"), optional(chart.points.at(i).movingRange)},
                                  {QStringLiteral("rule1"), chart.points.at(i).rule1},
                                  {QStringLiteral("rule2"), chart.points.at(i).rule2}});
    }
    const ResultFigures::Limits tolerance =
        samples.isEmpty() ? ResultFigures::Limits() : limits.value(samples.constLast().profile);
    const Capability capability = Capability::compute(values, tolerance.lower, tolerance.upper);
    const Histogram histogram =
        Histogram::compute(values, kHistogramBins, tolerance.lower, tolerance.upper);
    QJsonArray counts;
    for (qint64 c : histogram.counts)
        counts.append(c);
    return QJsonObject{
        {QStringLiteral("figure"), figure->name},
        {QStringLiteral("points"), points},
        {QStringLiteral("cap"), kChartPoints},
        {QStringLiteral("capped"), capped},
        {QStringLiteral("centre"), values.isEmpty() ? QJsonValue() : QJsonValue(chart.centre)},
        {QStringLiteral("lcl"), optional(chart.lowerLimit)},
        {QStringLiteral("ucl"), optional(chart.upperLimit)},
        {QStringLiteral("sigma"), optional(chart.sigma)},
        {QStringLiteral("mr_mean"), optional(chart.movingRangeMean)},
        {QStringLiteral("mr_ucl"), optional(chart.movingRangeLimit)},
        {QStringLiteral("histogram"),
         QJsonObject{{QStringLiteral("from"), histogram.from},
                     {QStringLiteral("width"), histogram.width},
                     {QStringLiteral("counts"), counts}}},
        {QStringLiteral("capability"),
         QJsonObject{{QStringLiteral("count"), capability.count},
                     {QStringLiteral("mean"), values.isEmpty() ? QJsonValue()
                                                               : QJsonValue(capability.mean)},
                     {QStringLiteral("lower"), optional(tolerance.lower)},
                     {QStringLiteral("upper"), optional(tolerance.upper)},
                     {QStringLiteral("limits_changed"), limitsChanged},
                     {QStringLiteral("sigma_within"), optional(capability.sigmaWithin)},
                     {QStringLiteral("sigma_overall"), optional(capability.sigmaOverall)},
                     {QStringLiteral("cp"), optional(capability.cp)},
                     {QStringLiteral("cpk"), optional(capability.cpk)},
                     {QStringLiteral("pp"), optional(capability.pp)},
                     {QStringLiteral("ppk"), optional(capability.ppk)}}}};
}

std::optional<QJsonObject> DashboardData::test(qint64 id, QString* error)
{
    const std::optional<TestResult> r = m_store.find(id, error);
    if (!r)
        return std::nullopt;
    QJsonArray items;
    for (const TestResult::Item& i : r->items)
        items.append(QJsonObject{{QStringLiteral("name"), i.name},
                                 {QStringLiteral("limit"), i.limit},
                                 {QStringLiteral("is_max"), i.isMax},
                                 {QStringLiteral("value"), i.measured ? QJsonValue(i.value)
                                                                      : QJsonValue()},
                                 {QStringLiteral("pass"), i.pass}});
    return QJsonObject{{QStringLiteral("id"), double(r->id)},
                       {QStringLiteral("serial"), r->serial},
                       {QStringLiteral("started_at"), utc(r->startedAt.toMSecsSinceEpoch())},
                       {QStringLiteral("duration_s"), r->durationS},
                       {QStringLiteral("station"), r->station},
                       {QStringLiteral("operator"), text(r->operatorName)},
                       {QStringLiteral("program_version"), r->programVersion},
                       {QStringLiteral("profile"), text(r->profileName)},
                       {QStringLiteral("verdict"), r->verdict},
                       {QStringLiteral("verdict_reason"), text(r->verdictReason)},
                       {QStringLiteral("protocol"),
                        ProtocolFileName::make(r->serial, r->startedAt)},
                       {QStringLiteral("items"), items},
                       {QStringLiteral("report"), r->report}};
}
