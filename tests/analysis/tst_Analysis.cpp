// The signal fit on synthetic sample pairs with known faults, noise and
// 10-bit quantisation; degenerate windows; latch statistics on known
// sequences; the tolerance profile's parser and verdict.
#include "InterpolationError.h"
#include "LatchStatistics.h"
#include "LissajousFit.h"
#include "ToleranceProfile.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

Q_DECLARE_METATYPE(std::vector<SinCosPair>)

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Faults
{
    double offsetSin = 0.0; // counts from 512
    double offsetCos = 0.0;
    double ampSin = 300.0;  // counts
    double ampCos = 300.0;
    double phaseDeg = 0.0;  // cosine leads by 90° + this
};

// Pairs at random positions over `arcDeg` from `startDeg`, with Gaussian
// noise and rounding to the 10-bit range of the converter.
std::vector<SinCosPair> synthesize(const Faults& f, std::size_t n, double noise,
                                   double arcDeg = 360.0, double startDeg = 0.0,
                                   unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> position(startDeg, startDeg + arcDeg);
    std::normal_distribution<double> gauss(0.0, noise > 0.0 ? noise : 1.0);
    const double phi = f.phaseDeg * kPi / 180.0;
    std::vector<SinCosPair> pairs;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = position(rng) * kPi / 180.0;
        double s = 512.0 + f.offsetSin + f.ampSin * std::sin(t);
        double c = 512.0 + f.offsetCos + f.ampCos * std::cos(t + phi);
        if (noise > 0.0) {
            s += gauss(rng);
            c += gauss(rng);
        }
        pairs.push_back({std::clamp(int(std::lround(s)), 0, 1023),
                         std::clamp(int(std::lround(c)), 0, 1023)});
    }
    return pairs;
}

LissajousFit::Result fit(const std::vector<SinCosPair>& pairs, double equivalentNm = 20000.0)
{
    return LissajousFit::fit(pairs.data(), pairs.size(), equivalentNm);
}

bool noFigures(const LissajousFit::Result& r)
{
    const double figures[] = {r.offset_sin_pct,    r.offset_cos_pct,      r.amplitude_sin_pct,
                              r.amplitude_cos_pct, r.amplitude_ratio,     r.phase_deviation_deg,
                              r.quality_pct,       r.interpolation_error_pct, r.interpolation_error_um,
                              r.coverage_deg};
    for (double f : figures)
        if (!std::isfinite(f))
            return false;
    return !r.valid && !r.reason.isEmpty() && r.quality_pct == 0.0 && r.amplitude_ratio == 0.0 &&
           r.interpolation_error_pct == 0.0;
}

} // namespace

class tst_Analysis : public QObject
{
    Q_OBJECT

private slots:
    void fitRecoversFaults_data();
    void fitRecoversFaults();
    void fitRefusesDegenerateWindows_data();
    void fitRefusesDegenerateWindows();
    void latchStatistics();
    void profileParser_data();
    void profileParser();
    void profileVerdict();
};

void tst_Analysis::fitRecoversFaults_data()
{
    QTest::addColumn<double>("os");
    QTest::addColumn<double>("oc");
    QTest::addColumn<double>("as");
    QTest::addColumn<double>("ac");
    QTest::addColumn<double>("phase");
    // Expected interpolation error in % of a period, from the closed forms
    // of single faults; -1 where several faults combine.
    QTest::addColumn<double>("error");

    const auto pct = [](double radians) { return radians / (2.0 * kPi) * 100.0; };
    QTest::newRow("ideal") << 0.0 << 0.0 << 300.0 << 300.0 << 0.0 << 0.0;
    // Offset d on radius A: asin(d / A).
    QTest::newRow("sine offset") << 20.0 << 0.0 << 300.0 << 300.0 << 0.0
                                 << pct(std::asin(20.0 / 300.0));
    QTest::newRow("cosine offset") << 0.0 << -25.0 << 300.0 << 300.0 << 0.0
                                   << pct(std::asin(25.0 / 300.0));
    // Amplitude ratio r: 2·atan(√r) − π/2.
    QTest::newRow("ratio 1.1") << 0.0 << 0.0 << 280.0 << 308.0 << 0.0
                               << pct(2.0 * std::atan(std::sqrt(1.1)) - kPi / 2.0);
    QTest::newRow("ratio 0.8") << 0.0 << 0.0 << 350.0 << 280.0 << 0.0
                               << pct(2.0 * std::atan(std::sqrt(1.25)) - kPi / 2.0);
    // Quadrature error φ: about φ / 2.
    QTest::newRow("phase +4") << 0.0 << 0.0 << 300.0 << 300.0 << 4.0 << pct(2.0 * kPi / 180.0);
    QTest::newRow("phase -6") << 0.0 << 0.0 << 300.0 << 300.0 << -6.0 << pct(3.0 * kPi / 180.0);
    QTest::newRow("all at once") << 15.0 << -10.0 << 260.0 << 290.0 << 3.0 << -1.0;
    QTest::newRow("weak signal") << -8.0 << 6.0 << 90.0 << 85.0 << -2.5 << -1.0;
}

// Tolerances hold for 2000 pairs with 1 count of noise after rounding:
// offsets and amplitudes within 0.15 % of 512 (under a count), ratio within
// 0.005, phase within 0.2° (0.5° on the weak signal), interpolation error
// within 0.03 % of a period.
void tst_Analysis::fitRecoversFaults()
{
    QFETCH(double, os);
    QFETCH(double, oc);
    QFETCH(double, as);
    QFETCH(double, ac);
    QFETCH(double, phase);
    QFETCH(double, error);

    const auto pairs = synthesize({os, oc, as, ac, phase}, 2000, 1.0);
    const auto r = fit(pairs, 20000.0);
    QVERIFY2(r.valid, qPrintable(r.reason));
    QVERIFY(r.reason.isEmpty());
    QCOMPARE(r.samples, std::size_t(2000));
    QVERIFY(r.coverage_deg >= 355.0);

    const bool weak = as < 100.0;
    QVERIFY(std::fabs(r.offset_sin_pct - os / 5.12) < 0.15);
    QVERIFY(std::fabs(r.offset_cos_pct - oc / 5.12) < 0.15);
    QVERIFY(std::fabs(r.amplitude_sin_pct - as / 5.12) < 0.15);
    QVERIFY(std::fabs(r.amplitude_cos_pct - ac / 5.12) < 0.15);
    QVERIFY2(std::fabs(r.amplitude_ratio - ac / as) < 0.005, qPrintable(QString::number(r.amplitude_ratio)));
    QVERIFY2(std::fabs(r.phase_deviation_deg - phase) < (weak ? 0.5 : 0.2),
             qPrintable(QString::number(r.phase_deviation_deg)));
    QVERIFY(std::fabs(r.quality_pct - (as + ac) / 2.0 / 5.12) < 0.15);
    if (error >= 0.0)
        QVERIFY2(std::fabs(r.interpolation_error_pct - error) < 0.03,
                 qPrintable(QStringLiteral("%1 against %2").arg(r.interpolation_error_pct).arg(error)));
    else
        QVERIFY(r.interpolation_error_pct > 0.5); // several faults: clearly not zero
    // 20 µm per period.
    QVERIFY(std::fabs(r.interpolation_error_um - r.interpolation_error_pct / 100.0 * 20.0) < 1e-9);

    // The plotted curve over one period reaches ± that error.
    const QVector<InterpolationError::Point> curve = InterpolationError::curve(r, 720);
    QCOMPARE(curve.size(), 720);
    double lo = 0.0, hi = 0.0;
    for (const InterpolationError::Point& p : curve) {
        lo = std::min(lo, p.errorPct);
        hi = std::max(hi, p.errorPct);
    }
    QVERIFY2(std::fabs(hi - r.interpolation_error_pct) < 0.01 && std::fabs(lo + r.interpolation_error_pct) < 0.01,
             qPrintable(QStringLiteral("%1 .. %2 against %3").arg(lo).arg(hi).arg(r.interpolation_error_pct)));
    QCOMPARE(curve.last().position, 719.0 / 720.0);
}

void tst_Analysis::fitRefusesDegenerateWindows_data()
{
    QTest::addColumn<std::vector<SinCosPair>>("pairs");
    QTest::addColumn<double>("coverage"); // expected coverage_deg, -1: not checked
    QTest::addColumn<QString>("reason");  // part of the reason

    QTest::newRow("empty") << std::vector<SinCosPair>{} << 0.0 << QStringLiteral("too few");
    QTest::newRow("one point") << std::vector<SinCosPair>{{700, 300}} << 0.0 << QStringLiteral("too few");
    QTest::newRow("all equal") << std::vector<SinCosPair>(500, SinCosPair{600, 420}) << 0.0 << QStringLiteral("do not move");
    QTest::newRow("mid-scale") << std::vector<SinCosPair>(500, SinCosPair{512, 512}) << 0.0 << QStringLiteral("do not move");
    QTest::newRow("63 pairs") << synthesize({}, 63, 0.5) << 0.0 << QStringLiteral("too few");

    std::vector<SinCosPair> diagonal, horizontal, noisyLine, twoPoints;
    for (int i = 0; i < 400; ++i) {
        const int v = 512 + int(std::lround(300.0 * std::sin(i * 0.05)));
        diagonal.push_back({v, v});
        horizontal.push_back({v, 512});
        noisyLine.push_back({v, 1024 - v + (i % 3) - 1});
        twoPoints.push_back(i % 2 ? SinCosPair{200, 200} : SinCosPair{800, 800});
    }
    QTest::newRow("line, channels in phase") << diagonal << -1.0 << QStringLiteral("line");
    QTest::newRow("line, cosine missing") << horizontal << -1.0 << QStringLiteral("line");
    QTest::newRow("line with noise") << noisyLine << -1.0 << QStringLiteral("line");
    QTest::newRow("two points") << twoPoints << -1.0 << QStringLiteral("line");
    QTest::newRow("half circle") << synthesize({}, 1000, 0.0, 180.0, 30.0) << 180.0 << QStringLiteral("cover");
    QTest::newRow("half circle, noisy") << synthesize({}, 1000, 1.0, 180.0, 200.0) << 180.0 << QStringLiteral("cover");
    QTest::newRow("260 degrees") << synthesize({}, 2000, 1.0, 260.0, 100.0) << 260.0 << QStringLiteral("cover");
}

void tst_Analysis::fitRefusesDegenerateWindows()
{
    QFETCH(std::vector<SinCosPair>, pairs);
    QFETCH(double, coverage);
    QFETCH(QString, reason);

    const auto r = fit(pairs);
    QVERIFY2(noFigures(r), qPrintable(r.reason));
    QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
    QCOMPARE(r.samples, pairs.size());
    if (coverage >= 0.0)
        QVERIFY2(std::fabs(r.coverage_deg - coverage) <= 3.0, qPrintable(QString::number(r.coverage_deg)));

    // Just enough, for contrast: 300° or 64 pairs give figures.
    QVERIFY(fit(synthesize({}, 2000, 1.0, 300.0, 100.0)).valid);
    QVERIFY(fit(synthesize({}, 64, 0.5)).valid);
}

void tst_Analysis::latchStatistics()
{
    // Sine/cosine: positions in 1/512 period. The baseline's stale position
    // (count 5) and repeated counts give no interval.
    LatchStatistics sc(LatchStatistics::Channel::SinCos);
    sc.feed(5, 123456789);
    sc.feed(6, 1000 * 512);
    sc.feed(6, 1000 * 512);
    sc.feed(7, 2000 * 512 + 256); // 1000.5 periods
    sc.feed(8, 3000 * 512);       // 999.5
    sc.feed(9, 4000 * 512 + 128); // 1000.25
    auto r = sc.result(20000.0);
    QVERIFY(r.valid);
    QCOMPARE(r.triggers, quint64(4));
    QCOMPARE(r.intervals, quint64(3));
    QCOMPARE(r.min, 999.5);
    QCOMPARE(r.max, 1000.5);
    QVERIFY(std::fabs(r.mean - 3000.25 / 3.0) < 1e-9);
    const double m = 3000.25 / 3.0;
    const double sd = std::sqrt(((1000.5 - m) * (1000.5 - m) + (999.5 - m) * (999.5 - m) +
                                 (1000.25 - m) * (1000.25 - m)) / 2.0);
    QVERIFY(std::fabs(r.stddev - sd) < 1e-9);
    QCOMPARE(r.spread, 1.0);
    QCOMPARE(r.spread_um, 20.0); // 20 µm per period

    // Square wave: the 16-bit counter wraps, the axis runs backwards, and a
    // reply with three new triggers counts them without an interval.
    LatchStatistics sq(LatchStatistics::Channel::Square);
    sq.feed(65534, 0);
    sq.feed(65535, 50000);
    sq.feed(0, 46000); // 4000
    sq.feed(1, 41990); // 4010
    sq.feed(4, 30000); // three at once
    sq.feed(5, 26005); // 3995
    r = sq.result(1000.0);
    QVERIFY(r.valid);
    QCOMPARE(r.triggers, quint64(7));
    QCOMPARE(r.intervals, quint64(3));
    QCOMPARE(r.min, 3995.0);
    QCOMPARE(r.max, 4010.0);
    QVERIFY(std::fabs(r.mean - (4000.0 + 4010.0 + 3995.0) / 3.0) < 1e-9);
    QCOMPARE(r.spread, 15.0);
    QCOMPARE(r.spread_um, 15.0);

    // After a rebase the next count is a baseline and its position unused.
    sq.rebase();
    sq.feed(9, 999999);
    sq.feed(10, 22000); // first position again, no interval
    QCOMPARE(sq.result(1000.0).intervals, quint64(3));
    sq.feed(11, 18000);
    QCOMPARE(sq.result(1000.0).intervals, quint64(4));

    // No trigger, or one trigger only: a reason, no figures.
    LatchStatistics none(LatchStatistics::Channel::SinCos);
    QVERIFY(!none.result(20000.0).valid);
    QVERIFY(!none.result(20000.0).reason.isEmpty());
    none.feed(-1, 0); // no reply yet
    none.feed(3, 7);
    none.feed(4, 512);
    r = none.result(20000.0);
    QVERIFY(!r.valid);
    QCOMPARE(r.triggers, quint64(1));
    QVERIFY(!r.reason.isEmpty());
    QCOMPARE(r.spread, 0.0);
}

void tst_Analysis::profileParser_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error"); // part of the message; empty: accepted

    QTest::newRow("empty object") << QByteArray("{}") << QString();
    QTest::newRow("empty sections") << QByteArray(R"({"signal":{},"latch":{},"current_ma":{}})") << QString();
    QTest::newRow("unknown section") << QByteArray(R"({"signals":{}})") << QStringLiteral("\"signals\"");
    QTest::newRow("typo in signal") << QByteArray(R"({"signal":{"quality_pct_mn":40}})")
                                    << QStringLiteral("signal.quality_pct_mn");
    QTest::newRow("typo in latch") << QByteArray(R"({"latch":{"spread_max_period":1}})")
                                   << QStringLiteral("latch.spread_max_period");
    QTest::newRow("key of another section") << QByteArray(R"({"current_ma":{"quality_pct_min":1}})")
                                            << QStringLiteral("current_ma.quality_pct_min");
    QTest::newRow("string number") << QByteArray(R"({"signal":{"quality_pct_min":"40"}})")
                                   << QStringLiteral("signal.quality_pct_min");
    QTest::newRow("bool") << QByteArray(R"({"current_ma":{"max":true}})") << QStringLiteral("current_ma.max");
    QTest::newRow("null") << QByteArray(R"({"latch":{"spread_max_periods":null}})")
                          << QStringLiteral("latch.spread_max_periods");
    QTest::newRow("array") << QByteArray(R"({"signal":{"amplitude_ratio_min":[0.9]}})")
                           << QStringLiteral("signal.amplitude_ratio_min");
    QTest::newRow("section not an object") << QByteArray(R"({"latch":1})") << QStringLiteral("\"latch\"");
    QTest::newRow("root array") << QByteArray("[]") << QStringLiteral("object");
    QTest::newRow("not json") << QByteArray("signal: 1") << QStringLiteral("JSON");
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("JSON");
    QTest::newRow("min above max") << QByteArray(R"({"current_ma":{"min":300,"max":200}})")
                                   << QStringLiteral("current_ma");
    QTest::newRow("test section") << QByteArray(R"({"test":{"duration_s":5.5,"power_on":false,"retests_max":2}})") << QString();
    QTest::newRow("test retests fraction") << QByteArray(R"({"test":{"retests_max":1.5}})") << QStringLiteral("test.retests_max");
    QTest::newRow("test retests negative") << QByteArray(R"({"test":{"retests_max":-1}})") << QStringLiteral("test.retests_max");
    QTest::newRow("test typo") << QByteArray(R"({"test":{"duration":5}})") << QStringLiteral("test.duration");
    QTest::newRow("test zero seconds") << QByteArray(R"({"test":{"duration_s":0}})") << QStringLiteral("test.duration_s");
    QTest::newRow("test seconds as text") << QByteArray(R"({"test":{"duration_s":"5"}})") << QStringLiteral("test.duration_s");
    QTest::newRow("test power as number") << QByteArray(R"({"test":{"power_on":1}})") << QStringLiteral("test.power_on");
    QTest::newRow("travel sections") << QByteArray(R"({"travel":{"bin_periods":20,"amplitude_variation_pct_max":10,
        "worst_offset_pct_max":3,"worst_phase_deviation_deg_max":3,"worst_amplitude_ratio_min":0.9,
        "worst_amplitude_ratio_max":1.1},"rotary":{"counts_per_revolution":2048,"eccentricity_pct_max":2},
        "speed":{"min_frequency_hz":1000},"latch":{"direction_difference_max_periods":0.5}})") << QString();
    QTest::newRow("travel typo") << QByteArray(R"({"travel":{"bin_period":20}})") << QStringLiteral("travel.bin_period");
    QTest::newRow("bins of 0 periods") << QByteArray(R"({"travel":{"bin_periods":0}})") << QStringLiteral("travel.bin_periods");
    QTest::newRow("negative revolution") << QByteArray(R"({"rotary":{"counts_per_revolution":-360}})")
                                         << QStringLiteral("rotary.counts_per_revolution");
    QTest::newRow("speed as text") << QByteArray(R"({"speed":{"min_frequency_hz":"1k"}})") << QStringLiteral("speed.min_frequency_hz");
    QTest::newRow("bin ratio min above max") << QByteArray(R"({"travel":{"worst_amplitude_ratio_min":1.2,"worst_amplitude_ratio_max":1.1}})")
                                             << QStringLiteral("travel.worst_amplitude_ratio");
}

void tst_Analysis::profileParser()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);

    QString message;
    const auto limits = ToleranceProfile::parse(json, &message);
    if (error.isEmpty()) {
        QVERIFY2(limits, qPrintable(message));
        QVERIFY(!limits->quality_pct_min && !limits->spread_max_periods && !limits->current_ma_max);
        const bool set = json.contains("test");
        QCOMPARE(limits->test_duration_s, set ? 5.5 : 3.0); // 3 s and supply on unless set
        QCOMPARE(limits->test_power_on, !set);
        QCOMPARE(limits->test_retests_max, set ? std::optional<int>(2) : std::nullopt);
    } else {
        QVERIFY(!limits);
        QVERIFY2(message.contains(error), qPrintable(message));
    }
}

void tst_Analysis::profileVerdict()
{
    QString message;
    const auto limits = ToleranceProfile::parse(R"({
        "signal": {"quality_pct_min": 40, "quality_pct_max": 70,
                   "offset_sin_pct_max": 3, "offset_cos_pct_max": 3,
                   "amplitude_ratio_min": 0.95, "amplitude_ratio_max": 1.05,
                   "phase_deviation_deg_max": 2, "interpolation_error_pct_max": 1},
        "latch": {"spread_max_periods": 0.5},
        "current_ma": {"min": 50, "max": 250}})", &message);
    QVERIFY2(limits, qPrintable(message));
    QCOMPARE(*limits->phase_deviation_deg_max, 2.0);
    QCOMPARE(*limits->current_ma_min, 50.0);

    // Negative offset and phase within their absolute limits.
    ToleranceProfile::Measurements m;
    m.signal.valid = true;
    m.signal.quality_pct = 55.0;
    m.signal.offset_sin_pct = -2.5;
    m.signal.offset_cos_pct = 1.0;
    m.signal.amplitude_ratio = 1.02;
    m.signal.phase_deviation_deg = -1.5;
    m.signal.interpolation_error_pct = 0.8;
    m.sinCosLatch.valid = true;
    m.sinCosLatch.spread = 0.25;
    m.haveCurrent = true;
    m.currentMinMa = 120.0;
    m.currentMaxMa = 130.0;
    auto v = ToleranceProfile::evaluate(*limits, m);
    QVERIFY(v.pass);
    QCOMPARE(v.items.size(), 11);
    for (const auto& item : v.items)
        QVERIFY2(item.pass && item.measured, qPrintable(item.name));

    // Each fault fails its own item only.
    const auto failing = [&](const ToleranceProfile::Measurements& bad) {
        const auto verdict = ToleranceProfile::evaluate(*limits, bad);
        QStringList names;
        for (const auto& item : verdict.items)
            if (!item.pass)
                names << item.name;
        return verdict.pass ? QStringList{QStringLiteral("(pass)")} : names;
    };
    auto bad = m;
    bad.signal.offset_sin_pct = -3.5;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("signal.offset_sin_pct_max")});
    bad = m;
    bad.signal.phase_deviation_deg = -2.1;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("signal.phase_deviation_deg_max")});
    bad = m;
    bad.signal.quality_pct = 39.0;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("signal.quality_pct_min")});
    bad = m;
    bad.signal.amplitude_ratio = 1.06;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("signal.amplitude_ratio_max")});
    bad = m;
    bad.squareLatch.valid = true;
    bad.squareLatch.spread = 2.0;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("latch.square.spread_max_periods")});
    bad = m;
    bad.currentMaxMa = 260.0;
    QCOMPARE(failing(bad), QStringList{QStringLiteral("current_ma.max")});

    // Missing figures fail, never pass: no fit, no latch interval, no current.
    ToleranceProfile::Measurements nothing;
    v = ToleranceProfile::evaluate(*limits, nothing);
    QVERIFY(!v.pass);
    QCOMPARE(v.items.size(), 11);
    for (const auto& item : v.items)
        QVERIFY2(!item.pass && !item.measured, qPrintable(item.name));

    // No limits: nothing to fail.
    v = ToleranceProfile::evaluate(ToleranceProfile::Limits{}, nothing);
    QVERIFY(v.pass);
    QVERIFY(v.items.isEmpty());

    // From a file, and a missing file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"latch":{"spread_max_periods":1.5}})");
    file.close();
    const auto loaded = ToleranceProfile::load(path, &message);
    QVERIFY2(loaded, qPrintable(message));
    QCOMPARE(*loaded->spread_max_periods, 1.5);
    QVERIFY(!ToleranceProfile::load(dir.filePath(QStringLiteral("none.json")), &message));
    QVERIFY(message.contains(QStringLiteral("none.json")));
}

QTEST_GUILESS_MAIN(tst_Analysis)
#include "tst_Analysis.moc"
