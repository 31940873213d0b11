// The simulated tester's signal faults along the travel and over speed, and
// its sweep, read back through its registers on a manual clock at the poll
// rate of group 0 and measured by the travel analyses: each fault is found
// where and as large as it was set, and a clean encoder shows none.
#include "SimTester.h"
#include "SimTravelScenario.h"
#include "ToleranceProfile.h"
#include "TravelSurvey.h"

#include <QtTest>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr double kEquivalentNm = 20000.0; // 50 periods a mm

qint64 wide(SimTester& t, uint16_t base)
{
    quint64 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint64(t.registerValue(uint16_t(base + i))) << (16 * i);
    return qint64(v);
}

// `seconds` of replies at about 230 a second with ±20 % jitter.
std::vector<TravelSample> record(SimTester& t, double seconds)
{
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> jitter(0.8, 1.2);
    std::vector<TravelSample> out;
    double ms = 0.0;
    while (ms < seconds * 1000.0) {
        const double step = 1000.0 / 230.0 * jitter(rng);
        t.advance(step / 1000.0);
        ms += step;
        TravelSample s;
        s.ms = ms;
        s.position = wide(t, 0x1000);
        s.sin = t.registerValue(0x1100);
        s.cos = t.registerValue(0x1101);
        s.latchCount = t.registerValue(0x100C);
        s.latchPosition = wide(t, 0x1008);
        out.push_back(s);
    }
    return out;
}

std::unique_ptr<SimTester> tester()
{
    auto t = std::make_unique<SimTester>();
    t->setManualClock(true);
    t->setAmplitude(400.0);
    t->setReferenceInterval(50);
    return t;
}

TravelSurvey::Settings settings(double binPeriods, double amplitudeMinPct)
{
    TravelSurvey::Settings s;
    s.equivalentNm = kEquivalentNm;
    s.binPeriods = binPeriods;
    s.amplitudeMinPct = amplitudeMinPct;
    return s;
}

} // namespace

class tst_SimTravel : public QObject
{
    Q_OBJECT

private slots:
    void sweepRunsBackAndForth();
    void dirtyBandFound();
    void eccentricityFound();
    void outputLimitFound();
    void lateReferenceFound();
    void scenarioLine();
    void itemsJudged();
};

// The sweep keeps to its travel, reverses at the ends and steps its speed
// every second pass; setSpeed() ends it.
void tst_SimTravel::sweepRunsBackAndForth()
{
    SimSweep::Profile p;
    p.from = 0.0;
    p.to = 100.0;
    p.minSpeed = 10.0;
    p.maxSpeed = 40.0;
    p.steps = 3;
    const SimSweep sweep(p);
    QCOMPARE(sweep.speedOfPass(0), 10.0);
    QCOMPARE(sweep.speedOfPass(1), 10.0);
    QCOMPARE(sweep.speedOfPass(2), 20.0);
    QCOMPARE(sweep.speedOfPass(5), 40.0);
    QCOMPARE(sweep.speedOfPass(6), 10.0);

    auto t = tester();
    t->setSweep(p);
    t->advance(5.0); // 50 periods at 10
    QCOMPARE(wide(*t, 0x1000), qint64(50 * 512));
    QCOMPARE(t->speed(), 10.0);
    t->advance(10.0); // to 100, back to 50
    QCOMPARE(wide(*t, 0x1000), qint64(50 * 512));
    QCOMPARE(t->speed(), -10.0);
    t->advance(5.0 + 2.5); // to 0, then 50 periods at 20
    QCOMPARE(wide(*t, 0x1000), qint64(50 * 512));
    QCOMPARE(t->speed(), 20.0);
    t->setSpeed(0.0);
    t->advance(10.0);
    QCOMPARE(wide(*t, 0x1000), qint64(50 * 512));
}

// 20 % less amplitude over 2 mm from 4.7 mm of a 10 mm travel, swept back
// and forth at four speeds: the worst bin lies in the band, its depth
// within 2 % of 20 %; a clean scale shows no variation worth the name.
void tst_SimTravel::dirtyBandFound()
{
    SimSweep::Profile p;
    p.from = 0.0;
    p.to = 500.0;
    p.minSpeed = 30.0;
    p.maxSpeed = 60.0;
    p.steps = 4;
    auto clean = tester();
    clean->setSweep(p);
    const TravelSurvey::Result none = TravelSurvey::analyse(record(*clean, 60.0), settings(10.0, 50.0));
    QVERIFY2(none.travel.valid, qPrintable(none.travel.reason));
    QVERIFY(none.travel.amplitudeVariationPct < 1.5);

    auto t = tester();
    t->setSweep(p);
    t->setDirtyBand(235.0, 100.0, 0.2);
    const TravelSurvey::Result r = TravelSurvey::analyse(record(*t, 60.0), settings(10.0, 50.0));
    const TravelBins::Result& travel = r.travel;
    QVERIFY2(travel.valid, qPrintable(travel.reason));
    QCOMPARE(travel.binsMeasured, 50);
    QVERIFY(std::fabs(travel.travelMm - 10.0) < 0.05);
    const double depth = (1.0 - travel.amplitudeMin.value / travel.amplitudeMax.value) * 100.0;
    QVERIFY2(std::fabs(depth - 20.0) < 0.4, qPrintable(QString::number(depth)));
    QVERIFY2(travel.amplitudeMin.atMm > 4.7 && travel.amplitudeMin.atMm < 6.7,
             qPrintable(QString::number(travel.amplitudeMin.atMm)));
    // Every bin wholly in the band is low, every bin wholly outside is not.
    for (const TravelBins::Bin& bin : travel.bins) {
        const double from = bin.centreMm - 0.1, to = bin.centreMm + 0.1;
        const double ratio = bin.fit.quality_pct / travel.amplitudeMax.value;
        if (from >= 4.7 && to <= 6.7)
            QVERIFY2(ratio < 0.81, qPrintable(QString::number(bin.centreMm)));
        else if (to <= 4.7 || from >= 6.7)
            QVERIFY2(ratio > 0.98, qPrintable(QString::number(bin.centreMm)));
    }
}

// An off-centre disc of 360 periods a revolution: ±8 % once per revolution,
// peaking at 135°, turned six times.
void tst_SimTravel::eccentricityFound()
{
    auto t = tester();
    t->setEccentricity(360.0, 0.08, 135.0);
    t->setSpeed(37.3);
    TravelSurvey::Settings s = settings(10.0, 50.0);
    s.periodsPerRevolution = 360.0;
    const TravelSurvey::Result r = TravelSurvey::analyse(record(*t, 60.0), s);
    QVERIFY2(r.rotary.valid, qPrintable(r.rotary.reason));
    QVERIFY2(std::fabs(r.rotary.eccentricityPct() - 8.0) < 0.4,
             qPrintable(QString::number(r.rotary.eccentricityPct())));
    QVERIFY2(std::fabs(r.rotary.amplitude[0].angleDeg - 135.0) < 3.0,
             qPrintable(QString::number(r.rotary.amplitude[0].angleDeg)));
    QVERIFY(r.rotary.ovalityPct() < 0.5);

    auto round = tester();
    round->setSpeed(37.3);
    const TravelSurvey::Result centred = TravelSurvey::analyse(record(*round, 60.0), s);
    QVERIFY(centred.rotary.valid && centred.rotary.eccentricityPct() < 0.5);
}

// A readhead rolling off above 800 Hz, swept at 20 speeds from 100 Hz to
// 5 kHz: the amplitude keeps 50 % up to 800 Hz·√((78.1 % / 50 %)² − 1),
// found within one band.
void tst_SimTravel::outputLimitFound()
{
    SimSweep::Profile p;
    p.from = 0.0;
    p.to = 400.0;
    p.minSpeed = 100.0;
    p.maxSpeed = 5000.0;
    p.steps = 20;
    auto t = tester();
    t->setSweep(p);
    t->setOutputLimit(800.0);
    const auto samples = record(*t, 150.0);
    const TravelSurvey::Result r = TravelSurvey::analyse(samples, settings(10.0, 50.0));
    const double expected = 800.0 * std::sqrt(std::pow(400.0 / 512.0 * 100.0 / 50.0, 2.0) - 1.0);
    const double band = std::pow(10.0, 1.0 / SpeedBands::kBandsPerDecade);
    QVERIFY2(r.speed.valid && r.speed.dropSeen, qPrintable(r.speed.reason));
    QVERIFY2(r.speed.withinLimitHz > expected / band && r.speed.withinLimitHz < expected * band,
             qPrintable(QStringLiteral("%1 Hz, expected %2").arg(r.speed.withinLimitHz).arg(expected)));
    QVERIFY(r.speed.maxMeasuredHz > 4000.0);
    // The fastest band holds the two fastest speeds: its amplitude lies between theirs.
    const auto rolled = [](double hz) { return 400.0 / std::sqrt(1.0 + hz * hz / 800.0 / 800.0) / 512.0 * 100.0; };
    QVERIFY2(r.speed.amplitudeAtMaxPct > rolled(5000.0) && r.speed.amplitudeAtMaxPct < rolled(r.speed.bands.last().minHz),
             qPrintable(QString::number(r.speed.amplitudeAtMaxPct)));

    auto fast = tester();
    fast->setSweep(p);
    const TravelSurvey::Result unlimited = TravelSurvey::analyse(record(*fast, 150.0), settings(10.0, 50.0));
    QVERIFY(unlimited.speed.valid && !unlimited.speed.dropSeen);
}

// Marks every 50 periods passed back and forth: latched one period late
// moving backward, the difference is one period; a clean encoder none.
void tst_SimTravel::lateReferenceFound()
{
    SimSweep::Profile p;
    p.from = 10.0;
    p.to = 390.0;
    p.maxSpeed = 97.0;
    for (const bool late : {false, true}) {
        auto t = tester();
        t->setSweep(p);
        t->setBackwardReferenceLate(late);
        const TravelSurvey::Result r = TravelSurvey::analyse(record(*t, 30.0), settings(10.0, 50.0));
        QVERIFY2(r.reference.valid, qPrintable(r.reference.reason));
        QVERIFY(r.reference.forward.marks > 20 && r.reference.backward.marks > 20);
        QCOMPARE(r.reference.forward.meanPeriods, 50.0);
        QCOMPARE(r.reference.maxDifferencePeriods, late ? 1.0 : 0.0);
        QCOMPARE(r.reference.meanDifferencePeriods, late ? -1.0 : 0.0);
    }
}

// The simulated programs' one-line scenario: every item read before any is
// set, a line it cannot read sets nothing.
void tst_SimTravel::scenarioLine()
{
    QString error;
    for (const char* bad : {"band=1:2", "bogus=1", "late=1", "sweep=0:100:10:40", "limit=fast", "band=1:2:3,oops"}) {
        auto t = tester();
        QVERIFY2(!SimTravelScenario::apply(QLatin1String(bad), *t, &error), bad);
        QVERIFY(error.contains(QStringLiteral("cannot read")));
        t->advance(1.0);
        QCOMPARE(t->speed(), 0.0); // the sweep of "band=1:2:3,oops" was not started either
    }
    auto t = tester();
    QVERIFY2(SimTravelScenario::apply(QStringLiteral("sweep=0:100:20:20:1,band=0:1000:50,marks=25,late"), *t, &error),
             qPrintable(error));
    t->advance(2.0);
    QCOMPARE(wide(*t, 0x1000), qint64(40 * 512));
    QVERIFY(std::abs(int(t->registerValue(0x1100)) - 512) <= 201); // half the amplitude
    t->advance(3.5); // forward over the marks at 50, 75 and 100, then back to 90
    QCOMPARE(int(t->registerValue(0x100C)), 5); // 25, 50, 75, 100 forward; 100 backward
    QCOMPARE(wide(*t, 0x1008), qint64(99 * 512)); // latched a period late backward
}

// Every new item of a profile against the simulator: a clean encoder swept
// fast enough passes each; one that never reached the speed fails that item
// as not measured; a dirty band, a late mark backward and a readhead rolling
// off each fail their own item.
void tst_SimTravel::itemsJudged()
{
    QString message;
    const auto limits = ToleranceProfile::parse(R"({
        "signal": {"quality_pct_min": 60},
        "latch": {"direction_difference_max_periods": 0.5},
        "travel": {"bin_periods": 10, "amplitude_variation_pct_max": 5, "worst_offset_pct_max": 3,
                   "worst_phase_deviation_deg_max": 3, "worst_amplitude_ratio_min": 0.95,
                   "worst_amplitude_ratio_max": 1.05},
        "rotary": {"counts_per_revolution": 400, "eccentricity_pct_max": 2},
        "speed": {"min_frequency_hz": 200}})", &message);
    QVERIFY2(limits, qPrintable(message));
    SimSweep::Profile p;
    p.from = 0.0;
    p.to = 400.0;
    p.minSpeed = 40.0;
    p.maxSpeed = 400.0;
    p.steps = 3;
    const auto judge = [&](const std::function<void(SimTester&)>& fault, SimSweep::Profile sweep) {
        auto t = tester();
        t->setSweep(sweep);
        fault(*t);
        ToleranceProfile::Measurements m;
        const auto samples = record(*t, 90.0);
        m.travel = TravelSurvey::analyse(samples, ToleranceProfile::travelSettings(*limits, kEquivalentNm));
        m.signal.valid = true;
        m.signal.quality_pct = 70.0; // the signal item is not what is judged here
        QMap<QString, QString> out;
        for (const auto& item : ToleranceProfile::evaluate(*limits, m).items)
            out[item.name] = !item.measured ? QStringLiteral("not measured")
                                            : item.pass ? QStringLiteral("pass") : QStringLiteral("fail");
        return out;
    };
    const auto failing = [](const QMap<QString, QString>& items) {
        QStringList names;
        for (auto it = items.begin(); it != items.end(); ++it)
            if (it.value() != QLatin1String("pass"))
                names << it.key() + QLatin1Char(' ') + it.value();
        return names;
    };
    const auto clean = judge([](SimTester&) {}, p);
    QCOMPARE(clean.size(), 9);
    QCOMPARE(failing(clean), QStringList());

    SimSweep::Profile slow = p;
    slow.maxSpeed = 100.0;
    QCOMPARE(failing(judge([](SimTester&) {}, slow)), QStringList{QStringLiteral("speed.min_frequency_hz not measured")});
    // The band and the disc both swing the amplitude over the travel, which
    // is also one revolution here.
    const QStringList swing = {QStringLiteral("rotary.eccentricity_pct_max fail"),
                               QStringLiteral("travel.amplitude_variation_pct_max fail")};
    QCOMPARE(failing(judge([](SimTester& t) { t.setDirtyBand(150.0, 100.0, 0.2); }, p)), swing);
    QCOMPARE(failing(judge([](SimTester& t) { t.setEccentricity(400.0, 0.04, 30.0); }, p)), swing);
    QCOMPARE(failing(judge([](SimTester& t) { t.setBackwardReferenceLate(true); }, p)),
             QStringList{QStringLiteral("latch.direction_difference_max_periods fail")});
    // Every speed over the whole travel: the roll-off fails only the speed item.
    QCOMPARE(failing(judge([](SimTester& t) { t.setOutputLimit(150.0); }, p)),
             QStringList{QStringLiteral("speed.min_frequency_hz fail")});
}

QTEST_GUILESS_MAIN(tst_SimTravel)
#include "tst_SimTravel.moc"
