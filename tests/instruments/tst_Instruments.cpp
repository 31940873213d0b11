// The instruments: geometry of the sine/cosine view and the gauge, dots on
// the rendered picture, the sample history, the gauge's value handling, the
// speed axis and data window, and the latch table's rows and formats.
#include "InstrumentGeometry.h"
#include "InstrumentText.h"
#include "LatchWidget.h"
#include "SinCosHistory.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "myGauge2.h"

#include <qcustomplot.h>

#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>

using namespace InstrumentGeometry;

namespace {

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget.render(&image);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestInstruments : public QObject
{
    Q_OBJECT

private slots:
    void plotSquareOfTheExamples();
    void dotsLieWhereTheSamplesSay();
    void renderedDotsAndCircle();
    void historyKeepsTheNewestFifty();
    void pictureIsCachedUntilToldOtherwise();

    void dialGeometry();
    void gaugeValueHandling();
    void gaugeTextAndNeedle();

    void speedAxisGrowsUntilReset();
    void speedWindowKeepsThirtyOneSeconds();
    void speedReadoutFormats();

    void latchTableCapAndFormats();
    void triggerCountUsesLowThirtyTwoBits();
};

void TestInstruments::plotSquareOfTheExamples()
{
    PlotSquare s = plotSquare(300, 200);
    QCOMPARE(s.left, 50);
    QCOMPARE(s.right, 250);
    QCOMPARE(s.top, 5);
    QCOMPARE(s.bottom, 194);
    QCOMPARE(s.cx, 150);
    QCOMPARE(s.cy, 100);
    QCOMPARE(s.radius, 80);

    QCOMPARE(plotSquare(300, 41).radius, 0);
    QVERIFY(plotSquare(300, 30).radius < 0);
    QCOMPARE(plotSquare(300, 42).radius, 1);

    // Narrower than tall: still sized by the height, centred on the widget.
    s = plotSquare(100, 300);
    QCOMPARE(s.left, -100);
    QCOMPARE(s.right, 200);
    QCOMPARE(s.cx, 50);
    QCOMPARE(s.radius, plotSquare(400, 300).radius);
}

void TestInstruments::dotsLieWhereTheSamplesSay()
{
    const PlotSquare s = plotSquare(300, 200);
    QCOMPARE(sampleDot(s, 512, 512), QPointF(150, 100));
    QCOMPARE(sampleDot(s, 512, 1024), QPointF(230, 100)); // on the circle, right
    QCOMPARE(sampleDot(s, 0, 512), QPointF(150, 20));     // on the circle, above
    QCOMPARE(sampleDot(s, 1024, 512), QPointF(150, 180)); // sine up: dot below
    const QPointF diagonal = sampleDot(s, 512 + 362, 512 + 362);
    QVERIFY(std::fabs(std::hypot(diagonal.x() - 150, diagonal.y() - 100) - 80) < 0.2);
}

void TestInstruments::renderedDotsAndCircle()
{
    SinCosHistory history;
    history.append({512, 1024});
    history.append({0, 512});
    SinCosValue view(nullptr, &history);
    view.resize(300, 200);
    const QImage image = render(view);
    const PlotSquare s = plotSquare(300, 200);

    // A dot's centre glows yellow; outside the dots the circle is accent blue.
    for (const QPointF& dot : {sampleDot(s, 512, 1024), sampleDot(s, 0, 512)}) {
        const QColor centre = image.pixelColor(dot.toPoint());
        QVERIFY2(centre.red() > 200 && centre.green() > 200 && centre.blue() < 120,
                 qPrintable(centre.name()));
    }
    const QColor onCircle = image.pixelColor(s.cx - s.radius, s.cy - 1);
    QVERIFY2(near(onCircle, QColor(30, 144, 255), 70), qPrintable(onCircle.name()));
    const QColor axis = image.pixelColor(s.cx + 30, s.cy);
    QVERIFY2(near(axis, QColor(30, 144, 255), 40), qPrintable(axis.name()));
    const QColor background = image.pixelColor(s.cx + 20, s.cy + 20);
    QVERIFY2(near(background, QColor(255, 250, 240), 8), qPrintable(background.name()));

    // An empty history: axes and circle only.
    SinCosHistory empty;
    SinCosValue bare(nullptr, &empty);
    bare.resize(300, 200);
    const QImage plain = render(bare);
    const QColor atCentreRight = plain.pixelColor(sampleDot(s, 512, 1024).toPoint() + QPoint(0, -3));
    QVERIFY(atCentreRight.blue() > atCentreRight.red()); // no yellow there
}

void TestInstruments::historyKeepsTheNewestFifty()
{
    SinCosHistory history;
    for (int i = 0; i < 60; ++i)
        history.append({qint16(i), qint16(1000 - i)});
    const QList<SinCosSample> samples = history.samples();
    QCOMPARE(samples.size(), 50);
    QCOMPARE(samples.first().sin, qint16(10));
    QCOMPARE(samples.last().sin, qint16(59));
    QCOMPARE(samples.last().cos, qint16(941));
    history.clear();
    QVERIFY(history.samples().isEmpty());
}

void TestInstruments::pictureIsCachedUntilToldOtherwise()
{
    SinCosHistory history;
    SinCosValue view(nullptr, &history);
    view.resize(300, 200);
    QVERIFY(view.isDirty());
    render(view);
    QVERIFY(!view.isDirty());
    const QImage before = view.picture();
    history.append({512, 1024});
    render(view); // not told: the cached picture is drawn again
    QCOMPARE(view.picture(), before);
    view.updateView();
    QVERIFY(view.isDirty());
    render(view);
    QVERIFY(view.picture() != before);
    view.resize(320, 200); // a hidden widget gets its resize event when painted
    render(view);
    QCOMPARE(view.picture().size(), QSize(320, 200));
}

void TestInstruments::dialGeometry()
{
    Dial d = dial(QRect(0, 0, 300, 300));
    QCOMPARE(d.R, 150);
    QCOMPARE(d.r2, 77.0);
    QCOMPARE(d.r3, 93.75);
    QVERIFY(std::fabs(d.hub - 21.43) < 0.01);
    QCOMPARE(d.cx, 149);
    QCOMPARE(d.cy, 149);
    const QRectF box = valueBox(d);
    QVERIFY(std::fabs(box.width() - 138.6) < 1e-9);
    QVERIFY(std::fabs(box.height() - 30.8) < 1e-9);
    QVERIFY(std::fabs(box.x() - 79.7) < 1e-9);
    QVERIFY(std::fabs(box.y() - 241.4) < 1e-9);
    QCOMPARE(valueFontPointSize(d), 15);

    // Narrower than tall: sized by the width, centred vertically.
    d = dial(QRect(0, 0, 200, 400));
    QCOMPARE(d.R, 100);
    QCOMPARE(d.cx, 99);
    QCOMPARE(d.cy, 199);

    QCOMPARE(tickAngle(0), 45.0);
    QCOMPARE(tickAngle(100), 315.0);
    QCOMPARE(needleAngle(50), 180.0); // straight up
}

void TestInstruments::gaugeValueHandling()
{
    myGauge2 gauge;
    QVERIFY(gauge.refreshTimer()->isActive());
    QCOMPARE(gauge.refreshTimer()->interval(), 100);
    QCOMPARE(gauge.stepTimer()->interval(), 10);
    QVERIFY(!gauge.stepTimer()->isActive());

    gauge.setValue(0); // equal to the target: nothing
    QVERIFY(!gauge.stepTimer()->isActive());
    gauge.setValue(std::numeric_limits<double>::quiet_NaN());
    QVERIFY(!gauge.stepTimer()->isActive());
    QCOMPARE(gauge.targetValue(), 0.0);

    gauge.setValue(30);
    QCOMPARE(gauge.shownValue(), 30.0); // not animating: at once
    QVERIFY(gauge.stepTimer()->isActive());
    QTRY_VERIFY(!gauge.stepTimer()->isActive());

    gauge.setAnimating(true);
    gauge.setValue(60);
    QCOMPARE(gauge.targetValue(), 60.0);
    QCOMPARE(gauge.shownValue(), 30.0); // waits for the tick
    QTRY_COMPARE(gauge.shownValue(), 60.0);
}

void TestInstruments::gaugeTextAndNeedle()
{
    QCOMPARE(InstrumentText::gaugeNumber(50), QStringLiteral("100"));
    QCOMPARE(InstrumentText::gaugeNumber(141.4), QStringLiteral("282"));
    QCOMPARE(InstrumentText::gaugeNumber(2.9), QStringLiteral(" 4"));
    QCOMPARE(InstrumentText::gaugeNumber(0), QStringLiteral(" 0"));
    QCOMPARE(InstrumentText::gaugeNumber(std::numeric_limits<double>::infinity()), QStringLiteral(" 0"));

    myGauge2 gauge;
    gauge.resize(300, 300);
    gauge.setValue(50);
    QCOMPARE(gauge.valueText(), QStringLiteral("SignalStrength:100%"));
    const QImage image = render(gauge);
    // The needle points straight up: gold above the hub, none to the side.
    const Dial d = dial(gauge.rect());
    const QColor up = image.pixelColor(d.cx, int(d.cy - d.r3 + 20));
    QVERIFY2(up.red() > 200 && up.green() > 130 && up.blue() < 110, qPrintable(up.name()));
    const QColor side = image.pixelColor(int(d.cx + d.r3 - 20), d.cy);
    QCOMPARE(side, QColor(Qt::white));
    // The band: green at the top, red at the lower left.
    const QColor top = image.pixelColor(d.cx + 30, int(d.cy - (d.r2 + d.r3) / 2));
    QVERIFY2(top.green() > 200 && top.red() < 60, qPrintable(top.name()));
    gauge.setValue(141.4);
    QCOMPARE(gauge.valueText(), QStringLiteral("SignalStrength:282%"));
}

void TestInstruments::speedAxisGrowsUntilReset()
{
    SpeedCurve curve;
    QCustomPlot* plot = curve.plot();
    QCOMPARE(plot->yAxis->range().upper, 5.0);
    QCOMPARE(plot->yAxis->label(), QStringLiteral("Speed(mm/s)"));
    const double t0 = 1.7e9;
    curve.addSpeedAt(1.2, t0);
    curve.addSpeedAt(3.0, t0 + 1);
    QCOMPARE(plot->yAxis->range().upper, 5.0);
    curve.addSpeedAt(7.5, t0 + 2);
    QCOMPARE(plot->yAxis->range().upper, 7.5);
    curve.addSpeedAt(6.0, t0 + 3);
    QCOMPARE(plot->yAxis->range().upper, 7.5);
    QCOMPARE(plot->yAxis->range().lower, 0.0);
    curve.addSpeedAt(-2.5, t0 + 4);
    QCOMPARE(plot->yAxis->range().lower, 0.0);
    QCOMPARE(plot->graph(0)->dataCount(), 5);
    QCOMPARE(curve.speedLabel()->text(), QStringLiteral("Speed: -2.500"));

    curve.resetCurve();
    QCOMPARE(curve.maxSpeed(), 5.0);
    QCOMPARE(plot->yAxis->range().upper, 5.0);
    QCOMPARE(plot->graphCount(), 1);
    QCOMPARE(plot->graph(0)->dataCount(), 0);
    QCOMPARE(curve.speedLabel()->text(), QStringLiteral("Speed: -2.500")); // until the next sample
    curve.addSpeedAt(4.0, t0 + 5);
    QCOMPARE(plot->yAxis->range().upper, 5.0);
}

void TestInstruments::speedWindowKeepsThirtyOneSeconds()
{
    SpeedCurve curve;
    const double t0 = 1.7e9;
    for (int i = 0; i <= 60; ++i)
        curve.addSpeedAt(i, t0 + i);
    QCPGraph* graph = curve.plot()->graph(0);
    // Keys from now - 31 to now remain: 32 points.
    QCOMPARE(graph->dataCount(), 32);
    QCOMPARE(graph->data()->begin()->key, t0 + 29);
    const QCPRange x = curve.plot()->xAxis->range();
    QCOMPARE(x.upper, t0 + 60);
    QCOMPARE(x.lower, t0 + 30);
    auto ticker = curve.plot()->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    QVERIFY(ticker);
    QCOMPARE(ticker->dateTimeFormat(), QStringLiteral("HH:mm:ss"));
}

void TestInstruments::speedReadoutFormats()
{
    QCOMPARE(InstrumentText::speed(0), QStringLiteral("  0.000"));
    QCOMPARE(InstrumentText::speed(-2.5), QStringLiteral(" -2.500"));
    QCOMPARE(InstrumentText::speed(1234.5), QStringLiteral("1234.500"));
    SpeedCurve curve;
    QCOMPARE(curve.speedLabel()->text(), QStringLiteral("Speed:  0.000"));
    curve.addSpeed(12.25);
    QCOMPARE(curve.speedLabel()->text(), QStringLiteral("Speed: 12.250"));
}

void TestInstruments::latchTableCapAndFormats()
{
    LatchWidget latch;
    QTableWidget* table = latch.table();
    QCOMPARE(table->columnCount(), 3);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Latch"));
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QStringLiteral("Time"));
    QCOMPARE(latch.countLabel()->objectName(), QStringLiteral("MaxFont"));

    latch.addLatch(1.5, 3);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("1.500000"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3"));
    QVERIFY(QTime::fromString(table->item(0, 2)->text(), QStringLiteral("hh:mm:ss")).isValid());
    QCOMPARE(table->item(0, 0)->textAlignment(), int(Qt::AlignCenter));
    latch.addLatch(-0.25, (qint64(1) << 32) + 5);
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("-0.250000"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("5"));
    latch.addLatch(0, -1);
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("4294967295"));

    latch.clearLatches();
    for (int i = 0; i < 250; ++i)
        latch.addLatch(i, i);
    QCOMPARE(table->rowCount(), 200);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("50.000000")); // the 51st event
    QCOMPARE(table->item(199, 0)->text(), QStringLiteral("249.000000"));
    QCOMPARE(table->currentRow(), 199);
}

void TestInstruments::triggerCountUsesLowThirtyTwoBits()
{
    LatchWidget latch;
    QCOMPARE(latch.countLabel()->text(), QStringLiteral("TriggerCount:0"));
    latch.setTriggerCount((qint64(1) << 32) + 5);
    QCOMPARE(latch.countLabel()->text(), QStringLiteral("TriggerCount:5"));
    QCOMPARE(latch.triggerCount(), (qint64(1) << 32) + 5);
    latch.setTriggerCount(qint64(1) << 31);
    QCOMPARE(latch.countLabel()->text(), QStringLiteral("TriggerCount:-2147483648"));
    latch.addLatch(1, 1);
    latch.clearLatches();
    QCOMPARE(latch.table()->rowCount(), 0);
    QCOMPARE(latch.countLabel()->text(), QStringLiteral("TriggerCount:-2147483648"));
}

QTEST_MAIN(TestInstruments)
#include "tst_Instruments.moc"
