// dashboard_fill STORE [DAYS [UNITS_PER_DAY]]: fills a results store with a
// line's worth of made-up tests for the dashboard's gallery and demo: four
// stations, units whose quality and sine offset scatter around the
// profile's middle, failures retested (mostly passing) at the next station,
// a few aborted tests, the profile's quality minimum raised half way, and
// one serial that holds markup. The same store every time (fixed seed),
// dated up to now.
#include "ResultStore.h"
#include "ToleranceProfile.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <cstdio>
#include <random>

namespace {

QByteArray profile(int qualityMin)
{
    return QStringLiteral(R"({"signal": {"quality_pct_min": %1, "quality_pct_max": 80, )"
                          R"("offset_sin_pct_max": 3}, "test": {"retests_max": 2}})")
        .arg(qualityMin)
        .toUtf8();
}

TestResult make(const QString& serial, const QDateTime& start, const QString& station,
                const QString& operatorName, const QByteArray& profileJson, double quality,
                double offset, bool aborted)
{
    TestResult r;
    r.uid = TestResult::newUid();
    r.serial = serial;
    r.startedAt = start;
    r.durationS = 3.0;
    r.station = station;
    r.operatorName = operatorName;
    r.programVersion = QStringLiteral("1.0.0.15");
    r.testerConfig = QJsonObject{{QStringLiteral("sincos_mode"), true}};
    r.profileName = QStringLiteral("line.json");
    r.profileJson = profileJson;
    r.profileSha256 = TestResult::sha256(profileJson);
    r.report = QJsonObject{
        {QStringLiteral("signal"),
         QJsonObject{{QStringLiteral("valid"), true},
                     {QStringLiteral("offset_sin_pct"), offset},
                     {QStringLiteral("offset_cos_pct"), -0.8},
                     {QStringLiteral("amplitude_ratio"), 0.97},
                     {QStringLiteral("phase_deviation_deg"), 1.5},
                     {QStringLiteral("quality_pct"), quality}}},
        {QStringLiteral("current_ma"), QJsonObject{{QStringLiteral("min"), 116.0},
                                                   {QStringLiteral("max"), 120.0},
                                                   {QStringLiteral("mean"), 118.0}}},
        {QStringLiteral("duration_s"), 3.0}};
    QString error;
    const auto limits = ToleranceProfile::parse(profileJson, &error);
    const double min = limits->quality_pct_min.value_or(0);
    r.items = {{QStringLiteral("signal.quality_pct_min"), min, false, true, quality, quality >= min},
               {QStringLiteral("signal.quality_pct_max"), 80, true, true, quality, quality <= 80},
               {QStringLiteral("signal.offset_sin_pct_max"), 3, true, true, qAbs(offset),
                qAbs(offset) <= 3}};
    bool pass = true;
    for (const TestResult::Item& item : r.items)
        pass = pass && item.pass;
    r.verdict = aborted ? QStringLiteral("aborted")
                        : pass ? QStringLiteral("pass") : QStringLiteral("fail");
    if (aborted) {
        r.verdictReason = QStringLiteral("Stopped by the operator.");
        r.items.clear();
    }
    return r;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: dashboard_fill STORE [DAYS [UNITS_PER_DAY]]\n");
        return 2;
    }
    const int days = args.size() > 2 ? args.at(2).toInt() : 7;
    const int perDay = args.size() > 3 ? args.at(3).toInt() : 60;
    QString error;
    const auto location = StoreLocation::parse(args.at(1), &error);
    if (!location) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    ResultStore store(*location, QString());
    std::mt19937 random(28);
    std::normal_distribution<double> quality(66.0, 6.0), offset(0.8, 1.0);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const QStringList stations{QStringLiteral("line1-st1"), QStringLiteral("line1-st2"),
                               QStringLiteral("line1-st3"), QStringLiteral("line2-st1")};
    const QStringList operators{QStringLiteral("Wang Fang"), QStringLiteral("Li Wei"),
                                QStringLiteral("M. Keller")};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVector<TestResult> tests;
    int serial = 10000;
    for (int day = days - 1; day >= 0; --day) {
        const QByteArray json = profile(day >= days / 2 ? 50 : 52);
        for (int unit = 0; unit < perDay; ++unit) {
            const int s = unit % stations.size();
            QDateTime start = now.addDays(-day).addSecs(-3600 * 8 + unit * (8 * 3600 / perDay));
            if (start > now)
                start = now.addSecs(-60 * (perDay - unit));
            const QString sn = day == days / 2 && unit == 3 ? QStringLiteral("<b>SN</b><script>alert(1)</script>")
                                                           : QStringLiteral("SN%1").arg(++serial);
            const QString op = operators.at((unit / 7 + day) % operators.size());
            double q = quality(random) + (day < 2 ? -2.5 : 0.0); // a drift in the last days
            const bool aborted = chance(random) < 0.03;
            TestResult first = make(sn, start, stations.at(s), op, json, q, offset(random), aborted);
            tests.append(first);
            // Failed or aborted: tested again at the next station, mostly passing.
            for (int again = 1; again <= 2 && tests.constLast().verdict != QLatin1String("pass");
                 ++again) {
                q = chance(random) < 0.8 ? 60.0 + 10.0 * chance(random) : quality(random);
                tests.append(make(sn, start.addSecs(600 * again),
                                  stations.at((s + again) % stations.size()), op, json, q,
                                  offset(random) * 0.5, false));
            }
        }
    }
    if (!store.storeMany(tests, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d tests stored in %s\n", int(tests.size()), qPrintable(location->display()));
    return 0;
}
