#include "SampleResults.h"

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
