// The dashboard's statistics against values worked out by hand: control
// limits from the moving range, the first two Western Electric rules, Cp,
// Cpk, Pp and Ppk of a known sample, histogram bins with the limits.
#include "Capability.h"
#include "ControlChart.h"
#include "Histogram.h"

#include <QTest>

#include <cmath>

namespace {

bool near(std::optional<double> value, double expected, double tolerance = 1e-9)
{
    return value && std::fabs(*value - expected) <= tolerance;
}

// 10.0 10.2 9.9 10.1 10.0 9.8 10.1 10.3 9.9 10.0: mean 10.03, moving ranges
// summing to 2.0 over 9, so MR-bar 0.2222 and sigma within 0.2222 / 1.128;
// sigma overall sqrt(0.201 / 9).
const QVector<double> kSample{10.0, 10.2, 9.9, 10.1, 10.0, 9.8, 10.1, 10.3, 9.9, 10.0};
const double kMrBar = 2.0 / 9.0;
const double kWithin = kMrBar / 1.128;
const double kOverall = std::sqrt(0.201 / 9.0);

} // namespace

class tst_LineStats : public QObject
{
    Q_OBJECT

private slots:
    void controlLimitsFromTheMovingRange();
    void westernElectricRulesOneAndTwo();
    void capabilityOfAKnownSample();
    void histogramTakesInTheLimits();
};

void tst_LineStats::controlLimitsFromTheMovingRange()
{
    const ControlChart chart = ControlChart::compute(kSample);
    QVERIFY(near(chart.centre, 10.03));
    QVERIFY(near(chart.movingRangeMean, kMrBar));
    QVERIFY(near(chart.sigma, kWithin));
    QVERIFY(near(chart.upperLimit, 10.03 + 3 * kWithin)); // 10.6210
    QVERIFY(near(chart.lowerLimit, 10.03 - 3 * kWithin)); // 9.4390
    QVERIFY(near(chart.movingRangeLimit, 3.267 * kMrBar));
    QVERIFY(!chart.points.at(0).movingRange);
    QVERIFY(near(chart.points.at(7).movingRange, 0.2));
    QVERIFY(near(chart.points.at(8).movingRange, 0.4));

    // Too little to draw limits: one value, or no spread at all.
    QVERIFY(!ControlChart::compute({5.0}).upperLimit);
    QVERIFY(!ControlChart::compute({5.0, 5.0, 5.0}).upperLimit);
    QCOMPARE(ControlChart::compute({}).points.size(), 0);
}

// 20 points 0, 0.1 alternating, then 0.5 0.05 0.5, (0, 0.1) x3, 1.2,
// (0.1, 0) x3, -0.4 -0.4, (0, 0.1) x2, 0.5 0 0 0.5, (0, 0.1) x2, 0.5 -0.4:
// mean 0.0875, sigma 0.1999, so 2 sigma lies at 0.4873 / -0.3123 and
// 3 sigma at 0.6872. Rule 1: 1.2 (index 29). Rule 2: the second 0.5 of the
// first group (22) and the second -0.4 (37); not the 0.5 at 45 (the other
// one is three points back), nor the -0.4 at 51 (the 0.5 before it lies on
// the other side).
void tst_LineStats::westernElectricRulesOneAndTwo()
{
    QVector<double> values;
    const auto pairs = [&values](int count, double a, double b) {
        for (int i = 0; i < count; ++i)
            values << a << b;
    };
    pairs(10, 0.0, 0.1);
    values << 0.5 << 0.05 << 0.5;
    pairs(3, 0.0, 0.1);
    values << 1.2;
    pairs(3, 0.1, 0.0);
    values << -0.4 << -0.4;
    pairs(2, 0.0, 0.1);
    values << 0.5 << 0.0 << 0.0 << 0.5;
    pairs(2, 0.0, 0.1);
    values << 0.5 << -0.4;
    const ControlChart chart = ControlChart::compute(values);
    QVERIFY(near(chart.sigma, 0.1999026560979001, 1e-12));
    QList<int> rule1, rule2;
    for (int i = 0; i < chart.points.size(); ++i) {
        if (chart.points.at(i).rule1)
            rule1 << i;
        if (chart.points.at(i).rule2)
            rule2 << i;
    }
    QCOMPARE(rule1, QList<int>{29});
    QCOMPARE(rule2, (QList<int>{22, 37}));
}

// Limits 9 and 11: Cp = 2 / 6 sigma_within = 1.692, Cpk = 0.97 / 3
// sigma_within = 1.6412; Pp = 2 / 6 sigma_overall = 2.2305, Ppk = 2.1636.
void tst_LineStats::capabilityOfAKnownSample()
{
    const Capability c = Capability::compute(kSample, 9.0, 11.0);
    QCOMPARE(c.count, qint64(10));
    QVERIFY(near(c.sigmaWithin, kWithin));
    QVERIFY(near(c.sigmaOverall, kOverall));
    QVERIFY(near(c.cp, 1.692, 1e-9));
    QVERIFY(near(c.cpk, 1.64124, 1e-9));
    QVERIFY(near(c.pp, 2.0 / (6 * kOverall)));
    QVERIFY(near(c.ppk, 0.97 / (3 * kOverall)));
    QVERIFY(near(c.pp, 2.2305, 1e-4));

    // One limit: the indexes towards it, no Cp or Pp.
    const Capability upper = Capability::compute(kSample, std::nullopt, 11.0);
    QVERIFY(!upper.cp && !upper.pp);
    QVERIFY(near(upper.cpk, 0.97 / (3 * kWithin)));
    const Capability lower = Capability::compute(kSample, 9.0, std::nullopt);
    QVERIFY(near(lower.ppk, 1.03 / (3 * kOverall)));
    // No limit, one value, no spread: nothing to say.
    QVERIFY(!Capability::compute(kSample, std::nullopt, std::nullopt).cpk);
    QVERIFY(!Capability::compute({10.0}, 9.0, 11.0).cpk);
    QVERIFY(!Capability::compute({10.0, 10.0}, 9.0, 11.0).ppk);
}

void tst_LineStats::histogramTakesInTheLimits()
{
    const Histogram h = Histogram::compute(kSample, 4, 9.0, 11.0);
    QCOMPARE(h.from, 9.0);
    QCOMPARE(h.width, 0.5);
    // [9, 9.5) [9.5, 10) [10, 10.5) [10.5, 11]
    QCOMPARE(h.counts, (QVector<qint64>{0, 3, 7, 0}));
    // Without limits the values' own range; the largest value in the last bin.
    const Histogram own = Histogram::compute({1.0, 2.0, 3.0, 4.0}, 3);
    QCOMPARE(own.counts, (QVector<qint64>{1, 1, 2}));
    QCOMPARE(Histogram::compute({5.0, 5.0}, 10).counts, QVector<qint64>{2});
}

QTEST_GUILESS_MAIN(tst_LineStats)
#include "tst_LineStats.moc"
