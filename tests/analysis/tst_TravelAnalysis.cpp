// The analyses along the travel, over a revolution, over speed and of the
// reference mark by direction, on synthetic recordings whose answers are
// known: an encoder moved by a set motion, sampled at the tester's poll
// rate with jitter, noise and 10-bit rounding. The bins are checked against
// a separate least-squares fit per bin of the test's own.
#include "ReferenceDirections.h"
#include "RotaryHarmonics.h"
#include "SpeedBands.h"
#include "ToleranceProfile.h"
#include "TravelBins.h"
#include "TravelSurvey.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEquivalentNm = 20000.0; // 20 µm per period: 50 periods a mm

struct Motion
{
    std::function<double(double)> phase;                // periods at a time in s
    std::function<double(double, double)> amplitude;    // counts at a phase and a frequency
    std::function<double(double)> phaseDeviationDeg = [](double) { return 0.0; };
    double seconds = 60.0;
    double markInterval = 0.0;    // periods between reference marks, 0: none
    double backwardLatchShift = 0.0; // periods added to a mark latched moving backward
};

// Replies of sample group 0 at about 230 a second, ±20 % jitter.
std::vector<TravelSample> record(const Motion& m, unsigned seed = 3)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(0.8, 1.2);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<TravelSample> out;
    double previous = m.phase(0.0);
    qint64 latchCount = 0, latchPosition = 0;
    for (double t = 0.0; t < m.seconds; t += 1.0 / 230.0 * jitter(rng)) {
        const double p = m.phase(t);
        const double hz = std::fabs(p - m.phase(t + 1e-4)) / 1e-4;
        if (m.markInterval > 0.0) {
            const double before = std::floor(previous / m.markInterval);
            const double after = std::floor(p / m.markInterval);
            if (before != after) {
                latchCount += qint64(std::fabs(after - before));
                const bool forward = p > previous;
                const double mark = (forward ? after : after + 1) * m.markInterval;
                latchPosition = std::llround((mark + (forward ? 0.0 : m.backwardLatchShift)) * 512.0);
            }
        }
        previous = p;
        const double a = m.amplitude(p, hz);
        const double phi = m.phaseDeviationDeg(p) * kPi / 180.0;
        TravelSample s;
        s.ms = t * 1000.0;
        s.position = qint64(std::floor(p * 512.0));
        s.sin = std::clamp(int(std::lround(512.0 + a * std::sin(2.0 * kPi * p) + noise(rng))), 0, 1023);
        s.cos = std::clamp(int(std::lround(512.0 + a * std::cos(2.0 * kPi * p + phi) + noise(rng))), 0, 1023);
        s.latchCount = latchCount;
        s.latchPosition = latchPosition;
        out.push_back(s);
    }
    return out;
}

// Back and forth between `lo` and `hi` periods at `speed` periods a second.
std::function<double(double)> triangle(double lo, double hi, double speed)
{
    return [=](double t) {
        const double span = hi - lo, d = std::fmod(t * speed, 2.0 * span);
        return lo + (d < span ? d : 2.0 * span - d);
    };
}

// The test's own fit of one channel in a bin: least squares of
// x = o + a·sin 2πp + b·cos 2πp over the pairs whose phase p the counted
// position gives; returns the offset and amplitude in % of 512.
struct ChannelFit
{
    double offsetPct = 0.0;
    double amplitudePct = 0.0;
};

ChannelFit leastSquares(const std::vector<std::pair<double, int>>& points)
{
    double m[3][4] = {};
    for (const auto& [p, x] : points) {
        const double row[3] = {1.0, std::sin(2.0 * kPi * p), std::cos(2.0 * kPi * p)};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += row[i] * row[j];
            m[i][3] += row[i] * x;
        }
    }
    for (int c = 0; c < 3; ++c) // Gauss-Jordan; the matrix is well conditioned
        for (int r = 0; r < 3; ++r)
            if (r != c) {
                const double f = m[r][c] / m[c][c];
                for (int k = 0; k < 4; ++k)
                    m[r][k] -= f * m[c][k];
            }
    const double o = m[0][3] / m[0][0], a = m[1][3] / m[1][1], b = m[2][3] / m[2][2];
    return {(o - 512.0) / 512.0 * 100.0, std::hypot(a, b) / 512.0 * 100.0};
}

} // namespace

class tst_TravelAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void dirtyBandFoundWhereItIs();
    void binsAgreeWithOwnLeastSquares();
    void sparseBinsStayUnmeasured();
    void rotaryHarmonics();
    void speedBandsFindTheRollOff();
    void referenceMarksByDirection();
    void travelItemsJudged();
};

// 10 mm of scale travelled back and forth for 60 s; 20 % less amplitude from
// 4 to 6 mm. Bins of 10 periods (0.2 mm) start at the travel's start, so
// each bin lies wholly inside or outside the band.
void tst_TravelAnalysis::dirtyBandFoundWhereItIs()
{
    const auto inBand = [](double mm) { return mm >= 4.0 && mm < 6.0; };
    Motion m;
    m.phase = triangle(0.0, 500.0, 41.3);
    m.amplitude = [&](double p, double) { return inBand(p / 50.0) ? 320.0 : 400.0; };
    const auto samples = record(m);
    const TravelBins::Result r = TravelBins::analyse(samples, 10.0, kEquivalentNm);
    QVERIFY2(r.valid, qPrintable(r.reason));
    QCOMPARE(r.binPeriods, 10.0);
    QCOMPARE(r.binsSpanned, qint64(50));
    QCOMPARE(r.binsMeasured, 50);
    QVERIFY(std::fabs(r.travelMm - 10.0) < 0.01);

    // Every bin shows the amplitude of its own place: a bin counted one off
    // would show its neighbour's at the band's edges.
    for (const TravelBins::Bin& bin : r.bins) {
        const double expected = (inBand(bin.centreMm) ? 320.0 : 400.0) / 512.0 * 100.0;
        QVERIFY2(std::fabs(bin.fit.quality_pct - expected) < 0.01 * expected,
                 qPrintable(QStringLiteral("bin at %1 mm: %2 %, expected %3 %")
                                .arg(bin.centreMm).arg(bin.fit.quality_pct).arg(expected)));
    }
    // The depth within 2 % of the set 20 %; the variation against the mean
    // of 10 band bins and 40 clean ones.
    QVERIFY(std::fabs((1.0 - r.amplitudeMin.value / r.amplitudeMax.value) * 100.0 - 20.0) < 0.4);
    const double mean = (10 * 320.0 + 40 * 400.0) / 50.0;
    QVERIFY(std::fabs(r.amplitudeVariationPct - 80.0 / mean * 100.0) < 0.5);
    QVERIFY(inBand(r.amplitudeMin.atMm));
    QVERIFY(!inBand(r.amplitudeMax.atMm));
    QVERIFY(r.offset.found && r.offset.value < 0.5);
    QVERIFY(r.phase.found && r.phase.value < 0.5);
}

// Offsets and amplitudes of every bin against a least-squares fit per bin of
// the test's own, which takes the phase from the counted position rather
// than fitting an ellipse; with offsets and a varying cosine amplitude.
void tst_TravelAnalysis::binsAgreeWithOwnLeastSquares()
{
    Motion m;
    m.phase = triangle(0.0, 300.0, 33.7);
    m.amplitude = [](double p, double) { return 300.0 + 60.0 * std::sin(p / 300.0 * 2.0 * kPi); };
    const auto base = record(m, 11);
    std::vector<TravelSample> samples;
    for (TravelSample s : base) {
        s.sin += 9;
        s.cos -= 6;
        samples.push_back(s);
    }
    const double binPeriods = 12.0;
    const TravelBins::Result r = TravelBins::analyse(samples, binPeriods, kEquivalentNm);
    QVERIFY2(r.valid, qPrintable(r.reason));
    std::map<qint64, std::vector<std::pair<double, int>>> sinByBin, cosByBin;
    for (const TravelSample& s : samples) {
        const qint64 bin = (s.position - r.startPosition) / qint64(binPeriods * 512.0);
        // The cosine channel read as a sine a quarter period ahead.
        sinByBin[bin].push_back({s.position / 512.0, s.sin});
        cosByBin[bin].push_back({s.position / 512.0 + 0.25, s.cos});
    }
    QCOMPARE(r.bins.size(), int(sinByBin.size()));
    for (const TravelBins::Bin& bin : r.bins) {
        QVERIFY(bin.fit.valid);
        const ChannelFit s = leastSquares(sinByBin.at(bin.index));
        const ChannelFit c = leastSquares(cosByBin.at(bin.index));
        QCOMPARE(bin.fit.samples, sinByBin.at(bin.index).size());
        QVERIFY2(std::fabs(bin.fit.amplitude_sin_pct - s.amplitudePct) < 0.3 &&
                     std::fabs(bin.fit.amplitude_cos_pct - c.amplitudePct) < 0.3 &&
                     std::fabs(bin.fit.offset_sin_pct - s.offsetPct) < 0.2 &&
                     std::fabs(bin.fit.offset_cos_pct - c.offsetPct) < 0.2,
                 qPrintable(QStringLiteral("bin %1: %2/%3 % against %4/%5 %")
                                .arg(bin.index)
                                .arg(bin.fit.amplitude_sin_pct).arg(bin.fit.amplitude_cos_pct)
                                .arg(s.amplitudePct).arg(c.amplitudePct)));
    }
}

// A recording that crossed the far part of the travel only briefly leaves
// those bins unmeasured and says so; the bin size chosen without a profile
// gives bins of about kAutoPairsPerBin pairs.
void tst_TravelAnalysis::sparseBinsStayUnmeasured()
{
    Motion m;
    m.seconds = 20.0;
    // 18 s over the first 100 periods, then one pass out to 400 and back.
    m.phase = [](double t) {
        if (t < 18.0)
            return triangle(0.0, 100.0, 20.3)(t);
        const double u = t - 18.0;
        return u < 1.0 ? 100.0 * (1.0 - u) : 400.0 * (u - 1.0) * (2.0 - u) * 4.0;
    };
    m.amplitude = [](double, double) { return 380.0; };
    const auto samples = record(m);
    const TravelBins::Result r = TravelBins::analyse(samples, 10.0, kEquivalentNm);
    QVERIFY2(r.valid, qPrintable(r.reason));
    QCOMPARE(r.binsSpanned, qint64(40));
    QVERIFY(r.binsMeasured >= 10 && r.binsMeasured <= 11);
    for (const TravelBins::Bin& bin : r.bins)
        if (bin.centreMm > 2.2)
            QVERIFY2(!bin.fit.valid && !bin.fit.reason.isEmpty(), qPrintable(QString::number(bin.centreMm)));
    QVERIFY(std::fabs(r.amplitudeVariationPct) < 1.5);

    const TravelBins::Result automatic = TravelBins::analyse(samples, 0.0, kEquivalentNm);
    QCOMPARE(automatic.binPeriods, TravelBins::autoBinPeriods(samples.size(), 400.0));

    const TravelBins::Result none = TravelBins::analyse({}, 10.0, kEquivalentNm);
    QVERIFY(!none.valid && !none.reason.isEmpty());
}

// An off-centre disc: a once-per-revolution swing of the amplitude with
// ovality and a third harmonic beside it, and a swing of the phase; six
// revolutions of 360 periods.
void tst_TravelAnalysis::rotaryHarmonics()
{
    const auto turn = [](double p) { return std::fmod(p, 360.0) / 360.0 * 2.0 * kPi; };
    const auto rad = [](double deg) { return deg * kPi / 180.0; };
    Motion m;
    m.phase = [](double t) { return 1000.0 + 37.3 * t; };
    m.amplitude = [&](double p, double) {
        const double th = turn(p);
        return 360.0 * (1.0 + 0.10 * std::cos(th - rad(60.0)) + 0.03 * std::cos(2.0 * (th - rad(20.0))) +
                        0.02 * std::cos(3.0 * (th - rad(10.0))));
    };
    m.phaseDeviationDeg = [&](double p) { return 2.0 * std::cos(turn(p) - rad(100.0)); };
    const auto samples = record(m);
    const RotaryHarmonics::Result r = RotaryHarmonics::analyse(samples, 360.0, 10.0, kEquivalentNm);
    QVERIFY2(r.valid, qPrintable(r.reason));
    QCOMPARE(r.bins, 36);
    QCOMPARE(r.binsMeasured, 36);
    QVERIFY(std::fabs(r.amplitudeMeanPct - 360.0 / 512.0 * 100.0) < 0.3);
    const double set[3][2] = {{10.0, 60.0}, {3.0, 20.0}, {2.0, 10.0}};
    for (int k = 0; k < 3; ++k) {
        const auto& h = r.amplitude[std::size_t(k)];
        QVERIFY2(std::fabs(h.magnitude - set[k][0]) < 0.05 * set[k][0] &&
                     std::fabs(h.angleDeg - set[k][1]) < 3.0,
                 qPrintable(QStringLiteral("harmonic %1: %2 % at %3°").arg(k + 1).arg(h.magnitude).arg(h.angleDeg)));
    }
    QCOMPARE(r.eccentricityPct(), r.amplitude[0].magnitude);
    QVERIFY(std::fabs(r.phase[0].magnitude - 2.0) < 0.15);
    QVERIFY(std::fabs(r.phase[0].angleDeg - 100.0) < 4.0);
    QVERIFY(r.phase[1].magnitude < 0.15);

    // Half a revolution is not enough.
    Motion half = m;
    half.phase = [](double t) { return 37.3 * t / 12.0; };
    QVERIFY(!RotaryHarmonics::analyse(record(half), 360.0, 10.0, kEquivalentNm).valid);
    QVERIFY(!RotaryHarmonics::analyse(samples, 0.0, 10.0, kEquivalentNm).valid);
}

// A first-order roll-off above 1 kHz, the speed swept up to 5 kHz: the
// amplitude keeps the profile's 60 % up to 1 kHz·√((A/60 %)² − 1), found
// within one band; without a threshold, the corner itself.
void tst_TravelAnalysis::speedBandsFindTheRollOff()
{
    const double corner = 1000.0, top = 5000.0, seconds = 60.0;
    Motion m;
    m.seconds = seconds;
    // Speed rising linearly with time, back and forth over the travel is not
    // needed for this: the phase is the integral of the speed.
    m.phase = [=](double t) { return top / seconds * t * t / 2.0; };
    m.amplitude = [=](double, double hz) { return 400.0 / std::sqrt(1.0 + (hz / corner) * (hz / corner)); };
    const auto samples = record(m);
    const double threshold = 60.0;
    const double expected = corner * std::sqrt(std::pow(400.0 / 512.0 * 100.0 / threshold, 2.0) - 1.0);
    const double band = std::pow(10.0, 1.0 / SpeedBands::kBandsPerDecade);

    const SpeedBands::Result r = SpeedBands::analyse(samples, threshold, kEquivalentNm);
    QVERIFY2(r.valid, qPrintable(r.reason));
    QVERIFY(r.dropSeen && r.thresholdFromProfile);
    QVERIFY2(r.withinLimitHz > expected / band && r.withinLimitHz < expected * band,
             qPrintable(QStringLiteral("%1 Hz, expected %2 Hz").arg(r.withinLimitHz).arg(expected)));
    // The figure lies in a band that kept the threshold, below the first that did not.
    QVERIFY(r.withinLimitHz < r.dropBandFromHz);
    for (const SpeedBands::Band& b : r.bands)
        if (b.fit.valid && b.minHz <= r.withinLimitHz)
            QVERIFY2(b.fit.quality_pct >= threshold, qPrintable(QString::number(b.fromHz)));
    QVERIFY(r.maxFrequencyHz > 0.98 * top && r.maxFrequencyHz <= 1.001 * top);
    // The fastest band's amplitude lies between the roll-off's at its ends.
    const auto rolled = [=](double hz) { return 400.0 / std::sqrt(1.0 + hz * hz / corner / corner) / 512.0 * 100.0; };
    const SpeedBands::Band& fastest = r.bands.last();
    QCOMPARE(fastest.maxHz, r.maxMeasuredHz);
    QVERIFY2(r.amplitudeAtMaxPct < rolled(fastest.minHz) && r.amplitudeAtMaxPct > rolled(fastest.maxHz),
             qPrintable(QStringLiteral("%1 % from %2 to %3 Hz").arg(r.amplitudeAtMaxPct).arg(fastest.minHz).arg(fastest.maxHz)));
    for (const SpeedBands::Band& b : r.bands) {
        QVERIFY(b.minHz >= b.fromHz && b.maxHz < b.toHz);
        QCOMPARE(SpeedBands::bandOf(b.minHz), b.index);
    }

    const SpeedBands::Result corner3dB = SpeedBands::analyse(samples, std::nullopt, kEquivalentNm);
    QVERIFY(corner3dB.dropSeen && !corner3dB.thresholdFromProfile);
    QVERIFY2(corner3dB.withinLimitHz > corner / band && corner3dB.withinLimitHz < corner * band,
             qPrintable(QString::number(corner3dB.withinLimitHz)));

    // Never faster than 500 Hz: no drop, the figure is only as far as it went.
    Motion slow = m;
    slow.phase = [=](double t) { return 500.0 / seconds * t * t / 2.0; };
    const SpeedBands::Result s = SpeedBands::analyse(record(slow), threshold, kEquivalentNm);
    QVERIFY(s.valid && !s.dropSeen);
    QVERIFY2(s.maxMeasuredHz > 480.0 && s.maxMeasuredHz < 501.0 && s.withinLimitHz == s.maxMeasuredHz,
             qPrintable(QStringLiteral("%1 Hz, %2 Hz").arg(s.maxMeasuredHz).arg(s.withinLimitHz)));

    QCOMPARE(SpeedBands::bandOf(0.5), 0);
    QCOMPARE(SpeedBands::bandOf(1.0), 1);
    QCOMPARE(SpeedBands::bandOf(10.0), 1 + SpeedBands::kBandsPerDecade);
    QCOMPARE(SpeedBands::bandFrom(SpeedBands::bandOf(10.0)), 10.0);
}

// Marks every 50 periods, passed back and forth: a clean encoder latches
// each at the same place both ways; one latching a period late moving
// backward shows a difference of one period.
void tst_TravelAnalysis::referenceMarksByDirection()
{
    Motion m;
    m.phase = triangle(10.0, 390.0, 97.1);
    m.amplitude = [](double, double) { return 380.0; };
    m.seconds = 30.0;
    m.markInterval = 50.0;
    const ReferenceDirections::Result clean = ReferenceDirections::analyse(record(m));
    QVERIFY2(clean.valid, qPrintable(clean.reason));
    QVERIFY(clean.forward.marks > 20 && clean.backward.marks > 20);
    QVERIFY(clean.forward.intervals > 15 && clean.backward.intervals > 15);
    QCOMPARE(clean.forward.meanPeriods, 50.0);
    QCOMPARE(clean.backward.maxPeriods, 50.0);
    QVERIFY(clean.matched >= clean.backward.marks - 1);
    QCOMPARE(clean.maxDifferencePeriods, 0.0);

    m.backwardLatchShift = -1.0;
    const auto samples = record(m);
    const ReferenceDirections::Result late = ReferenceDirections::analyse(samples);
    QVERIFY2(late.valid, qPrintable(late.reason));
    QCOMPARE(late.meanDifferencePeriods, -1.0);
    QCOMPARE(late.maxDifferencePeriods, 1.0);
    QCOMPARE(late.backward.meanPeriods, 50.0); // the count between marks alone hides it

    // Forward only: nothing to compare.
    Motion forward = m;
    forward.phase = [](double t) { return 97.1 * t; };
    const ReferenceDirections::Result one = ReferenceDirections::analyse(record(forward));
    QVERIFY(!one.valid && one.forward.marks > 0 && one.backward.marks == 0);

    // The survey runs all four on the same samples.
    TravelSurvey::Settings settings;
    settings.equivalentNm = kEquivalentNm;
    const TravelSurvey::Result all = TravelSurvey::analyse(samples, settings);
    QCOMPARE(all.samples, samples.size());
    QVERIFY(all.travel.valid && all.speed.valid && all.reference.valid && !all.rotary.valid);
    QCOMPARE(all.reference.maxDifferencePeriods, 1.0);
}

// Each new item judges its own figure, only when the analysis measured it;
// the speed item only once the recording reached its frequency or saw the
// amplitude drop.
void tst_TravelAnalysis::travelItemsJudged()
{
    QString message;
    const auto limits = ToleranceProfile::parse(R"({
        "signal": {"quality_pct_min": 50},
        "travel": {"bin_periods": 20, "amplitude_variation_pct_max": 10, "worst_offset_pct_max": 3,
                   "worst_phase_deviation_deg_max": 2, "worst_amplitude_ratio_min": 0.9,
                   "worst_amplitude_ratio_max": 1.1},
        "rotary": {"counts_per_revolution": 2048, "eccentricity_pct_max": 2},
        "speed": {"min_frequency_hz": 1000},
        "latch": {"direction_difference_max_periods": 0.5}})", &message);
    QVERIFY2(limits, qPrintable(message));
    const TravelSurvey::Settings settings = ToleranceProfile::travelSettings(*limits, kEquivalentNm);
    QCOMPARE(settings.binPeriods, 20.0);
    QCOMPARE(*settings.periodsPerRevolution, 2048.0);
    QCOMPARE(*settings.amplitudeMinPct, 50.0);
    QCOMPARE(settings.equivalentNm, kEquivalentNm);

    ToleranceProfile::Measurements m;
    m.signal.valid = true;
    m.signal.quality_pct = 70.0;
    TravelBins::Result& t = m.travel.travel;
    t.valid = true;
    t.amplitudeVariationPct = 8.0;
    t.amplitudeMin = {true, 66.0, 1.0};
    t.offset = {true, 2.5, 3.0};
    t.phase = {true, 1.5, 4.0};
    t.ratioMin = {true, 0.95, 5.0};
    t.ratioMax = {true, 1.05, 6.0};
    m.travel.rotary.valid = true;
    m.travel.rotary.amplitude[0].magnitude = 1.5;
    m.travel.speed.valid = true;
    m.travel.speed.maxMeasuredHz = 1500.0;
    m.travel.speed.withinLimitHz = 1500.0;
    m.travel.reference.valid = true;
    m.travel.reference.maxDifferencePeriods = 0.25;
    const auto judged = [&](const ToleranceProfile::Measurements& measured) {
        QMap<QString, QString> out;
        for (const auto& item : ToleranceProfile::evaluate(*limits, measured).items)
            out[item.name] = !item.measured ? QStringLiteral("not measured")
                                            : item.pass ? QStringLiteral("pass") : QStringLiteral("fail");
        return out;
    };
    const auto good = judged(m);
    QCOMPARE(good.size(), 9);
    for (auto it = good.begin(); it != good.end(); ++it)
        QVERIFY2(it.value() == QLatin1String("pass"), qPrintable(it.key()));

    auto bad = m;
    bad.travel.travel.amplitudeVariationPct = 12.0;
    QCOMPARE(judged(bad).value(QStringLiteral("travel.amplitude_variation_pct_max")), QStringLiteral("fail"));
    bad = m;
    bad.travel.travel.ratioMin.value = 0.85;
    QCOMPARE(judged(bad).value(QStringLiteral("travel.worst_amplitude_ratio_min")), QStringLiteral("fail"));
    QCOMPARE(judged(bad).value(QStringLiteral("travel.worst_amplitude_ratio_max")), QStringLiteral("pass"));
    bad = m;
    bad.travel.rotary.amplitude[0].magnitude = 2.5;
    QCOMPARE(judged(bad).value(QStringLiteral("rotary.eccentricity_pct_max")), QStringLiteral("fail"));
    bad = m;
    bad.travel.reference.maxDifferencePeriods = 1.0;
    QCOMPARE(judged(bad).value(QStringLiteral("latch.direction_difference_max_periods")), QStringLiteral("fail"));
    // The amplitude dropped at 800 Hz: measured, failed.
    bad = m;
    bad.travel.speed.dropSeen = true;
    bad.travel.speed.withinLimitHz = 800.0;
    QCOMPARE(judged(bad).value(QStringLiteral("speed.min_frequency_hz")), QStringLiteral("fail"));
    // Never faster than 600 Hz, no drop: not measured, never a pass.
    bad = m;
    bad.travel.speed.maxMeasuredHz = 600.0;
    bad.travel.speed.withinLimitHz = 600.0;
    QCOMPARE(judged(bad).value(QStringLiteral("speed.min_frequency_hz")), QStringLiteral("not measured"));
    QVERIFY(!ToleranceProfile::evaluate(*limits, bad).pass);

    // Nothing measured: every new item fails as not measured.
    ToleranceProfile::Measurements nothing;
    nothing.signal = m.signal;
    const auto none = judged(nothing);
    for (auto it = none.begin(); it != none.end(); ++it)
        if (it.key() != QLatin1String("signal.quality_pct_min"))
            QVERIFY2(it.value() == QLatin1String("not measured"), qPrintable(it.key()));
}

QTEST_GUILESS_MAIN(tst_TravelAnalysis)
#include "tst_TravelAnalysis.moc"
