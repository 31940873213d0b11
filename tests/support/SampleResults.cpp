#include "SampleResults.h"

#include "ResultFigures.h"
#include "ResultSchema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

QByteArray SampleResults::profile()
{
    return R"({"signal": {"quality_pct_min": 50, "quality_pct_max": 80, "offset_sin_pct_max": 3}})";
}

TestResult SampleResults::make(const QString& serial, const QDateTime& startedAt, double qualityPct,
                               double offsetSinPct)
{
    TestResult r;
    r.uid = TestResult::newUid();
    r.serial = serial;
    r.startedAt = startedAt.toUTC();
    r.durationS = 3.0;
    r.station = QStringLiteral("bench-1");
    r.programVersion = QStringLiteral("1.0.0.15");
    r.testerConfig = QJsonObject{{QStringLiteral("sincos_mode"), true}};
    r.profileName = QStringLiteral("line.json");
    r.profileJson = profile();
    r.profileSha256 = TestResult::sha256(r.profileJson);
    const QJsonObject signal{{QStringLiteral("valid"), true},
                             {QStringLiteral("offset_sin_pct"), offsetSinPct},
                             {QStringLiteral("offset_cos_pct"), -0.8},
                             {QStringLiteral("amplitude_ratio"), 0.97},
                             {QStringLiteral("phase_deviation_deg"), 1.5},
                             {QStringLiteral("quality_pct"), qualityPct}};
    const QJsonObject latch{
        {QStringLiteral("sincos"), QJsonObject{{QStringLiteral("valid"), false}}},
        {QStringLiteral("square"), QJsonObject{{QStringLiteral("valid"), false}}}};
    r.report =
        QJsonObject{{QStringLiteral("signal"), signal},
                    {QStringLiteral("latch"), latch},
                    {QStringLiteral("current_ma"), QJsonObject{{QStringLiteral("min"), 116.0},
                                                               {QStringLiteral("max"), 120.0},
                                                               {QStringLiteral("mean"), 118.0}}},
                    {QStringLiteral("replies"), 1400},
                    {QStringLiteral("duration_s"), 3.0},
                    {QStringLiteral("poll_rate"), 466.7}};
    const bool qualityOk = qualityPct >= 50 && qualityPct <= 80;
    const bool offsetOk = qAbs(offsetSinPct) <= 3;
    r.items = {
        {QStringLiteral("signal.quality_pct_min"), 50, false, true, qualityPct, qualityPct >= 50},
        {QStringLiteral("signal.quality_pct_max"), 80, true, true, qualityPct, qualityPct <= 80},
        {QStringLiteral("signal.offset_sin_pct_max"), 3, true, true, qAbs(offsetSinPct), offsetOk}};
    r.verdict = qualityOk && offsetOk ? QStringLiteral("pass") : QStringLiteral("fail");
    r.report.insert(QStringLiteral("verdict"),
                    QJsonObject{{QStringLiteral("pass"), r.verdict == QLatin1String("pass")}});
    return r;
}

QByteArray SampleResults::travelProfile()
{
    return R"({"travel": {"amplitude_variation_pct_max": 15}, "speed": {"min_frequency_hz": 100}, )"
           R"("latch": {"direction_difference_max_periods": 0.5}})";
}

TestResult SampleResults::withTravel(TestResult r, double variationPct, double withinLimitHz,
                                     double differencePeriods)
{
    r.profileName = QStringLiteral("travel.json");
    r.profileJson = travelProfile();
    r.profileSha256 = TestResult::sha256(r.profileJson);
    const QJsonObject bin{{QStringLiteral("pairs"), 300.0},
                          {QStringLiteral("valid"), true},
                          {QStringLiteral("quality_pct"), 70.0},
                          {QStringLiteral("at_mm"), 0.1}};
    r.report.insert(QStringLiteral("travel"),
                    QJsonObject{{QStringLiteral("valid"), true},
                                {QStringLiteral("bin_periods"), 10.0},
                                {QStringLiteral("bin_mm"), 0.2},
                                {QStringLiteral("travel_mm"), 5.0},
                                {QStringLiteral("bins_spanned"), 25.0},
                                {QStringLiteral("bins_measured"), 25},
                                {QStringLiteral("amplitude_mean_pct"), 70.0},
                                {QStringLiteral("amplitude_variation_pct"), variationPct},
                                {QStringLiteral("amplitude_min_pct"), 60.0},
                                {QStringLiteral("amplitude_min_pct_at_mm"), 2.5},
                                {QStringLiteral("worst_offset_pct"), 1.25},
                                {QStringLiteral("worst_offset_pct_at_mm"), 0.3},
                                {QStringLiteral("worst_phase_deviation_deg"), 1.75},
                                {QStringLiteral("worst_phase_deviation_deg_at_mm"), 0.5},
                                {QStringLiteral("worst_amplitude_ratio_min"), 0.95},
                                {QStringLiteral("worst_amplitude_ratio_min_at_mm"), 0.7},
                                {QStringLiteral("worst_amplitude_ratio_max"), 1.02},
                                {QStringLiteral("worst_amplitude_ratio_max_at_mm"), 0.9},
                                {QStringLiteral("worst_interpolation_error_pct"), 0.6},
                                {QStringLiteral("worst_interpolation_error_pct_at_mm"), 1.1},
                                {QStringLiteral("bins"), QJsonArray{bin}}});
    r.report.insert(QStringLiteral("rotary"),
                    QJsonObject{{QStringLiteral("valid"), false},
                                {QStringLiteral("reason"), QStringLiteral("not a rotary encoder")}});
    r.report.insert(QStringLiteral("speed"),
                    QJsonObject{{QStringLiteral("valid"), true},
                                {QStringLiteral("max_frequency_hz"), 400.0},
                                {QStringLiteral("bands_measured"), 12},
                                {QStringLiteral("within_limit_hz"), withinLimitHz},
                                {QStringLiteral("amplitude_at_max_pct"), 65.0}});
    QJsonObject latch = r.report.value(QStringLiteral("latch")).toObject();
    latch.insert(QStringLiteral("directions"),
                 QJsonObject{{QStringLiteral("valid"), true},
                             {QStringLiteral("matched"), 4},
                             {QStringLiteral("difference_periods"), differencePeriods}});
    r.report.insert(QStringLiteral("latch"), latch);
    const bool variationOk = variationPct <= 15;
    const bool speedOk = withinLimitHz >= 100;
    const bool differenceOk = differencePeriods <= 0.5;
    r.items = {{QStringLiteral("travel.amplitude_variation_pct_max"), 15, true, true, variationPct,
                variationOk},
               {QStringLiteral("speed.min_frequency_hz"), 100, false, true, withinLimitHz, speedOk},
               {QStringLiteral("latch.direction_difference_max_periods"), 0.5, true, true,
                differencePeriods, differenceOk}};
    r.verdict = variationOk && speedOk && differenceOk ? QStringLiteral("pass")
                                                       : QStringLiteral("fail");
    r.report.insert(QStringLiteral("verdict"),
                    QJsonObject{{QStringLiteral("pass"), r.verdict == QLatin1String("pass")}});
    return r;
}

bool SampleResults::writeFirstSchema(QSqlDatabase& db, StoreLocation::Engine engine,
                                     const TestResult& r, QString* error)
{
    if (!ResultSchema::migrate(db, engine, error, 1))
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO profiles (sha256, json) VALUES (?, ?)"));
    q.addBindValue(r.profileSha256);
    q.addBindValue(QString::fromUtf8(r.profileJson));
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    q.prepare(QStringLiteral(
        "INSERT INTO results (uid, serial, started_ms, duration_s, station, operator, "
        "program_version, tester_config, profile_name, profile_sha256, verdict, verdict_reason, "
        "report) VALUES (?, ?, ?, ?, ?, NULL, ?, '{}', ?, ?, ?, NULL, ?)"));
    q.addBindValue(r.uid);
    q.addBindValue(r.serial);
    q.addBindValue(r.startedAt.toMSecsSinceEpoch());
    q.addBindValue(r.durationS);
    q.addBindValue(r.station);
    q.addBindValue(r.programVersion);
    q.addBindValue(r.profileName);
    q.addBindValue(r.profileSha256);
    q.addBindValue(r.verdict);
    q.addBindValue(QString::fromUtf8(QJsonDocument(r.report).toJson(QJsonDocument::Compact)));
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool SampleResults::writeThirdSchema(QSqlDatabase& db, StoreLocation::Engine engine,
                                     const QVector<TestResult>& results, QString* error)
{
    if (!ResultSchema::migrate(db, engine, error, 3))
        return false;
    const QVector<ResultFigures::Figure> figures = ResultFigures::upTo(3);
    QStringList columns, marks;
    for (const ResultFigures::Figure& figure : figures) {
        columns << figure.column;
        marks << QStringLiteral("?");
    }
    QSqlQuery profile(db);
    profile.prepare(QStringLiteral(
        "INSERT INTO profiles (sha256, json) VALUES (?, ?) ON CONFLICT (sha256) DO NOTHING"));
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
                  "INSERT INTO results (uid, serial, started_ms, duration_s, station, operator, "
                  "program_version, tester_config, profile_name, profile_sha256, verdict, "
                  "verdict_reason, report, attempt, judged_attempt, %1) VALUES (?, ?, ?, ?, ?, "
                  "NULL, ?, '{}', ?, ?, ?, NULL, ?, 1, 1, %2)")
                  .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (const TestResult& r : results) {
        profile.addBindValue(r.profileSha256);
        profile.addBindValue(QString::fromUtf8(r.profileJson));
        q.addBindValue(r.uid);
        q.addBindValue(r.serial);
        q.addBindValue(r.startedAt.toMSecsSinceEpoch());
        q.addBindValue(r.durationS);
        q.addBindValue(r.station);
        q.addBindValue(r.programVersion);
        q.addBindValue(r.profileName);
        q.addBindValue(r.profileSha256);
        q.addBindValue(r.verdict);
        q.addBindValue(QString::fromUtf8(QJsonDocument(r.report).toJson(QJsonDocument::Compact)));
        for (const ResultFigures::Figure& figure : figures) {
            const std::optional<double> value = ResultFigures::valueIn(r.report, figure);
            q.addBindValue(value ? QVariant(*value) : QVariant(QVariant::Double));
        }
        if (!profile.exec() || !q.exec()) {
            *error = profile.lastError().text() + q.lastError().text();
            return false;
        }
    }
    return true;
}
