// The instruments: geometry of the sine/cosine view and the gauge, dots,
// needle and scale labels on the rendered pictures, the sample history, the
// gauge's value handling, the speed axis, its data window and its
// readability at the main window's sizes, and the latch table's rows,
// formats and whole-row scrolling.
#include "InstrumentGeometry.h"
#include "InstrumentText.h"
#include "LatchWidget.h"
#include "SinCosHistory.h"
#include "SinCosValue.h"
#include "SpeedCurve.h"
#include "myGauge2.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace InstrumentGeometry;

namespace {

// What the widget itself paints, on white (no window background).
// What the window shows of `widget` on the screen: what its repaints left
// in the window's backing store, not a fresh rendering.
QImage onScreen(QWidget* widget)
{
    QWidget* window = widget->window();
    const QImage whole =
        window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
    return whole.copy(QRect(widget->mapTo(window, QPoint(0, 0)), widget->size()))
        .convertToFormat(QImage::Format_RGB32);
}

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

bool isGold(const QColor& c)
{
    return c.red() > 200 && c.green() > 130 && c.green() < 210 && c.blue() < 110;
}

// The point at `distance` from the dial's centre along a rotation of the
// gauge (clockwise from pointing down).
QPoint alongDial(const Dial& d, double degrees, double distance)
{
    const double a = qDegreesToRadians(degrees);
    return QPointF(d.cx + 0.5 - distance * std::sin(a), d.cy + 0.5 + distance * std::cos(a))
        .toPoint();
}

// Label k's text drawn alone, the right way up for its tick, centred on the
// centre of the box the geometry gives it.
QImage referenceLabel(const QSize& size, const QFont& font, const Dial& d, const ScaleFont& f,
                      int k, const QString& text)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    // In pixels: an image's resolution differs from the widget's.
    QFont pixelFont = font;
    pixelFont.setPixelSize(QFontInfo(font).pixelSize());
    p.setFont(pixelFont);
    p.setPen(QColor(30, 144, 255));
    const QPointF centre = tickLabelBounds(d, k, f).center();
    p.translate(centre);
    p.rotate(tickAngle(k * kTicksPerLabel) + 180);
    const int tw = QFontMetrics(font).horizontalAdvance(text);
    p.drawText(QPointF(-tw / 2.0, (f.ascent - f.descent) / 2.0), text);
    return image;
}

// Sum of grey-level differences between the rendered gauge and a reference
// over the pixels where any of the references puts ink.
double labelDifference(const QImage& gauge, const QImage& reference, const QList<QImage>& all,
                       const QRect& area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            bool ink = false;
            for (const QImage& image : all)
                ink = ink || image.pixel(x, y) != qRgb(255, 255, 255);
            if (ink)
                sum += std::abs(qGray(gauge.pixel(x, y)) - qGray(reference.pixel(x, y)));
        }
    }
    return sum;
}

// Where QCustomPlot draws the labels of the speed axis: centred on their
// ticks, one text line high.
QVector<QRectF> speedTickLabels(QCustomPlot* plot)
{
    QVector<QRectF> rects;
    const QFontMetrics metrics(plot->yAxis->tickLabelFont());
    const QVector<double> ticks = plot->yAxis->tickVector();
    const QVector<QString> labels = plot->yAxis->tickVectorLabels();
    for (int i = 0; i < ticks.size(); ++i) {
        if (!plot->yAxis->range().contains(ticks[i]))
            continue;
        const QRect text = metrics.boundingRect(QRect(), Qt::TextDontClip, labels[i]);
        const double y = plot->yAxis->coordToPixel(ticks[i]);
        rects.append(QRectF(plot->yAxis->axisRect()->left() - text.width(), y - text.height() / 2.0,
                            text.width(), text.height()));
    }
    std::sort(rects.begin(), rects.end(),
              [](const QRectF& a, const QRectF& b) { return a.top() < b.top(); });
    return rects;
}

// Installs the test program's style sheet, if asked, for as long as it
// lives.
class AppStyleSheet
{
public:
    explicit AppStyleSheet(bool install)
    {
        QFile sheet(QStringLiteral(":/UI/bluenew"));
        if (install && sheet.open(QIODevice::ReadOnly))
            qApp->setStyleSheet(QString::fromLatin1(sheet.readAll()));
    }
    ~AppStyleSheet() { qApp->setStyleSheet(QString()); }
};

} // namespace

class TestInstruments : public QObject
{
    Q_OBJECT

private slots:
    void backdropFollowsThePanelBeneath();
    void plotSquareOfTheExamples();
    void dotsLieWhereTheSamplesSay();
    void renderedDotsAndCircle();
    void historyKeepsTheNewestFifty();
    void pictureIsCachedUntilToldOtherwise();
    void framesRepaintOnlyWhatChanged();

    void dialGeometry();
    void dialShrinksToKeepItsLabelsInside();
    void gaugeValueHandling();
    void gaugeTextAndNeedle();
    void needleTurnsClockwiseWithTheValue();
    void scaleLabelsReadTheirTicks();
    void gaugeInksOnlyItsDialLabelsAndBox();

    void speedAxisGrowsUntilReset();
    void speedWindowKeepsThirtyOneSeconds();
    void speedReadoutFormats();
    void speedTickSteps();
    void speedPlotStaysReadable_data();
    void speedPlotStaysReadable();

    void latchTableCapAndFormats();
    void latchTableShowsWholeRows_data();
    void latchTableShowsWholeRows();
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
    const QColor atCentreRight =
        plain.pixelColor(sampleDot(s, 512, 1024).toPoint() + QPoint(0, -3));
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

void TestInstruments::framesRepaintOnlyWhatChanged()
{
    // The picture and the gauge repaint only what a frame changes (dots,
    // values, needle, value box): after many frames the screen shows what a
    // twin painted once shows.
    SinCosHistory history;
    QWidget window;
    window.resize(680, 440);
    auto* view = new SinCosValue(&window, &history);
    view->setGeometry(10, 10, 320, 200);
    auto* twinView = new SinCosValue(&window, &history);
    twinView->setGeometry(350, 10, 320, 200);
    twinView->hide();
    auto* gauge = new myGauge2(&window);
    gauge->setGeometry(10, 220, 300, 200);
    auto* twinGauge = new myGauge2(&window);
    twinGauge->setGeometry(350, 220, 300, 200);
    twinGauge->hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(view->testAttribute(Qt::WA_OpaquePaintEvent) &&
                gauge->testAttribute(Qt::WA_OpaquePaintEvent));
    for (int frame = 0; frame < 15; ++frame) {
        for (int i = 0; i < 9; ++i) {
            const double angle = (frame * 9 + i) * 0.23;
            history.append({qint16(512 + 420 * std::sin(angle)), qint16(512 + 380 * std::cos(angle))});
        }
        view->updateView();
        gauge->setValue(20.0 + 11.5 * frame);
        QTest::qWait(SinCosValue::kFrameMs + 5);
    }
    twinView->show();
    twinGauge->setValue(gauge->targetValue());
    twinGauge->show();
    QTRY_VERIFY(twinView->testAttribute(Qt::WA_OpaquePaintEvent) &&
                twinGauge->testAttribute(Qt::WA_OpaquePaintEvent));
    QTest::qWait(150);
    QCOMPARE(onScreen(view), onScreen(twinView));
    QCOMPARE(onScreen(gauge), onScreen(twinGauge));
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
    QCOMPARE(needleAngle(0), 45.0);    // lower left
    QCOMPARE(needleAngle(50), 180.0);  // straight up
    QCOMPARE(needleAngle(100), 315.0); // lower right
    QCOMPARE(tickLabelNumber(0), 0);
    QCOMPARE(tickLabelNumber(50), 100);
    QCOMPARE(tickLabelNumber(100), 200);
}

void TestInstruments::dialShrinksToKeepItsLabelsInside()
{
    myGauge2 gauge;
    const ScaleFont font = scaleFont(gauge.fontMetrics());
    QVERIFY(font.height > 0 && font.widths[10] > font.widths[0]);

    // Where the labels fit, the dial is the plain one.
    for (const QSize size : {QSize(300, 300), QSize(400, 300), QSize(300, 600)}) {
        const QRect rect(QPoint(0, 0), size);
        const Dial fitted = fittedDial(rect, font), plain = dial(rect);
        QCOMPARE(fitted.R, plain.R);
        QCOMPARE(fitted.r2, plain.r2);
        QCOMPARE(fitted.r3, plain.r3);
        QCOMPARE(fitted.hub, plain.hub);
    }
    gauge.resize(300, 300);
    QCOMPARE(gauge.dial().R, 150);
    QCOMPARE(gauge.dial().cx, 149);

    // Everywhere every label lies inside the widget, and one pixel more of
    // radius would push a label out (the dial is no smaller than needed).
    for (const QSize size : {QSize(300, 300), QSize(200, 165), QSize(200, 160), QSize(600, 165),
                             QSize(165, 200), QSize(240, 180), QSize(150, 150), QSize(130, 110)}) {
        const QRect rect(QPoint(0, 0), size);
        const Dial d = fittedDial(rect, font);
        QVERIFY(d.R <= dial(rect).R);
        QCOMPARE(d.cx, dial(rect).cx);
        QCOMPARE(d.cy, dial(rect).cy);
        QCOMPARE(d.r2, double(d.R / 2 + 2));
        QCOMPARE(d.r3, 5.0 * d.R / 8.0);
        for (int k = 0; k < kLabelCount; ++k) {
            const QRectF label = tickLabelBounds(d, k, font);
            QVERIFY2(
                QRectF(rect).contains(label),
                qPrintable(
                    QStringLiteral("%1x%2 label %3").arg(size.width()).arg(size.height()).arg(k)));
        }
        if (d.R < dial(rect).R) {
            const Dial bigger = dialOfRadius(d.R + 1, d.cx, d.cy);
            bool outside = false;
            for (int k = 0; k < kLabelCount; ++k)
                outside = outside || !QRectF(rect).contains(tickLabelBounds(bigger, k, font));
            QVERIFY2(outside,
                     qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())));
        }
    }
    // The main window's gauge: the plain dial would lose its top labels.
    const QRect low(0, 0, 200, 165);
    QVERIFY(!QRectF(low).contains(tickLabelBounds(dial(low), 5, font)));
    QVERIFY(fittedDial(low, font).R < 82);
    QVERIFY(fittedDial(low, font).R > 55);

    // The label boxes: "100" upright straight above the centre, "0" and
    // "200" mirrored at the lower left and right.
    const Dial d = dial(QRect(0, 0, 300, 300));
    const QRectF top = tickLabelBounds(d, 5, font);
    QVERIFY(std::fabs(top.center().x() - d.cx) < 1e-9);
    QVERIFY(top.center().y() < d.cy - d.r3 - 16);
    QVERIFY(std::fabs(top.width() - font.widths[5]) < 1e-9);
    QVERIFY(std::fabs(top.height() - (font.ascent + font.descent)) < 1e-9);
    const QRectF first = tickLabelBounds(d, 0, font), last = tickLabelBounds(d, 10, font);
    QVERIFY(first.center().x() < d.cx && first.center().y() > d.cy);
    QVERIFY(last.center().x() > d.cx && last.center().y() > d.cy);
    QVERIFY(std::fabs((first.center().y() - d.cy) - (last.center().y() - d.cy)) < 1e-9);
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
    QCOMPARE(InstrumentText::gaugeNumber(std::numeric_limits<double>::infinity()),
             QStringLiteral(" 0"));

    myGauge2 gauge;
    gauge.resize(300, 300);
    gauge.setValue(50);
    QCOMPARE(gauge.valueText(), QStringLiteral("SignalStrength:100%"));
    const QImage image = render(gauge);
    // The needle points straight up: gold above the hub, none to the side.
    const Dial d = gauge.dial();
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

void TestInstruments::needleTurnsClockwiseWithTheValue()
{
    // Value 0 lower left, 50 up, 100 lower right: gold where the value
    // points, white disc at the mirrored place.
    for (const QSize size : {QSize(300, 300), QSize(200, 165)}) {
        for (const double value : {0.0, 20.0, 37.0, 50.0, 80.0, 100.0}) {
            myGauge2 gauge;
            gauge.resize(size);
            gauge.setValue(value);
            const QImage image = render(gauge);
            const Dial d = gauge.dial();
            const double distance = (d.hub + d.r2) / 2;
            const QString where =
                QStringLiteral("%1x%2 value %3").arg(size.width()).arg(size.height()).arg(value);
            const QColor on = image.pixelColor(alongDial(d, needleAngle(value), distance));
            QVERIFY2(isGold(on), qPrintable(where + QLatin1Char(' ') + on.name()));
            if (value != 50) {
                const QColor mirrored =
                    image.pixelColor(alongDial(d, 360 - needleAngle(value), distance));
                QVERIFY2(mirrored == QColor(Qt::white),
                         qPrintable(where + QLatin1Char(' ') + mirrored.name()));
            }
            // Nothing gold a quarter turn either way.
            for (const double off : {-90.0, 90.0}) {
                const QColor aside =
                    image.pixelColor(alongDial(d, needleAngle(value) + off, distance));
                QVERIFY2(!isGold(aside), qPrintable(where));
            }
        }
    }
}

void TestInstruments::scaleLabelsReadTheirTicks()
{
    // Each label region of the rendered gauge is compared with the expected
    // number and with plausible wrong ones (the tick's index, the scale
    // reversed, the neighbouring labels), each drawn alone in that box: the
    // expected number must match, and clearly better than any other.
    for (const QSize size : {QSize(300, 300), QSize(200, 165)}) {
        myGauge2 gauge;
        gauge.resize(size);
        gauge.setValue(50); // the needle stays inside the band
        const QImage image = render(gauge);
        const Dial d = gauge.dial();
        const ScaleFont f = scaleFont(QFontMetrics(gauge.labelFont()));
        for (int k = 0; k < kLabelCount; ++k) {
            const int expected = 20 * k;
            QList<int> candidates{expected};
            for (const int wrong : {10 * k, 200 - 20 * k, 20 * k + 20, 20 * k - 20, 20 * k + 2}) {
                if (wrong >= 0 && !candidates.contains(wrong))
                    candidates.append(wrong);
            }
            QList<QImage> references;
            for (const int n : candidates)
                references.append(
                    referenceLabel(image.size(), gauge.labelFont(), d, f, k, QString::number(n)));
            const QRect area =
                tickLabelBounds(d, k, f).adjusted(-12, -12, 12, 12).toAlignedRect() & image.rect();
            QList<double> differences;
            QStringList figures;
            for (const QImage& reference : references) {
                differences.append(labelDifference(image, reference, references, area));
                figures.append(QString::number(differences.last()));
            }
            const QString where = QStringLiteral("%1x%2 label %3: %4")
                                      .arg(size.width())
                                      .arg(size.height())
                                      .arg(k)
                                      .arg(figures.join(QLatin1Char(' ')));
            for (int i = 1; i < differences.size(); ++i)
                QVERIFY2(differences[0] * 4 < differences[i], qPrintable(where));
            // And the match itself is close: at most antialiasing noise.
            QVERIFY2(differences[0] < 255 * 6, qPrintable(where));
        }
    }
}

void TestInstruments::gaugeInksOnlyItsDialLabelsAndBox()
{
    // Every painted pixel lies on the dial (ticks included), in a label's box
    // or in the value box: the labels are where the geometry says, and at the
    // main window's size none of them is cut by the widget's edge.
    for (const QSize size : {QSize(300, 300), QSize(200, 165), QSize(200, 160), QSize(260, 170)}) {
        myGauge2 gauge;
        gauge.resize(size);
        gauge.setValue(50);
        const QImage image = render(gauge);
        const Dial d = gauge.dial();
        const ScaleFont f = scaleFont(QFontMetrics(gauge.labelFont()));
        QList<QRectF> boxes{valueBox(d).adjusted(-1, -1, 1, 1)};
        for (int k = 0; k < kLabelCount; ++k)
            boxes.append(tickLabelBounds(d, k, f).adjusted(-1, -1, 1, 1));
        int stray = 0, labelInk = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == qRgb(255, 255, 255))
                    continue;
                const QPointF at(x + 0.5, y + 0.5);
                if (std::hypot(at.x() - d.cx, at.y() - d.cy) <= d.r3 + 15) // ticks end at r3 + 13
                    continue;
                bool inBox = false;
                for (const QRectF& box : boxes)
                    inBox = inBox || box.contains(at);
                ++(inBox ? labelInk : stray);
            }
        }
        const QString where = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        QVERIFY2(stray == 0, qPrintable(where + QStringLiteral(": %1 stray pixels").arg(stray)));
        QVERIFY2(labelInk > 100, qPrintable(where));
        for (int k = 0; k < kLabelCount; ++k)
            QVERIFY2(QRectF(image.rect()).contains(tickLabelBounds(d, k, f)), qPrintable(where));
        // Neighbouring labels never run into each other, whatever the size.
        QVERIFY2(labelsApart(d, f), qPrintable(where));
    }
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

void TestInstruments::speedTickSteps()
{
    // Five intervals where room allows: 0-5 by 1, 0-7.5 by 2, 0-19 by 5.
    QCOMPARE(speedTickStep(5, 250, 25), 1.0);
    QCOMPARE(speedTickStep(7.5, 250, 25), 2.0);
    QCOMPARE(speedTickStep(19, 250, 25), 5.0);
    QCOMPARE(speedTickStep(1234.5, 250, 25), 250.0);
    // A low axis: 40 px with labels 25 px apart leave room for one interval:
    // a round one where it fits in the range, else the top cut to two digits.
    QCOMPARE(speedTickStep(5, 40, 25), 5.0);
    QCOMPARE(speedTickStep(7.5, 40, 25), 5.0);
    QCOMPARE(speedTickStep(5, 60, 25), 2.5);
    QCOMPARE(speedTickStep(18.7913, 40, 25), 18.0); // 10 would be 21 px apart
    QCOMPARE(speedTickStep(18.7913, 48, 25), 10.0);
    QCOMPARE(speedTickStep(1934.5, 40, 25), 1900.0);
    QCOMPARE(speedTickStep(10.9, 28, 25), 10.0);
    QCOMPARE(speedTickStep(10.9, 26, 25), 10.9); // 10 would be 23.9 px apart
    QCOMPARE(speedTickStep(5, 20, 25), 10.0);    // only 0 fits
    for (const double range : {5.0, 7.5, 13.7, 99.0, 1234.5}) {
        for (const double pixels : {30.0, 44.0, 61.0, 120.0, 256.0}) {
            const double step = speedTickStep(range, pixels, 25);
            QVERIFY(step * pixels / range >= 25 - 1e-9);
            QVERIFY(range / step <= 5 + 1e-9);
            QVERIFY(step <= range * (1 + 1e-9)); // 0 and at least one more
        }
    }
    QCOMPARE(speedTickStep(0, 100, 25), 1.0);
    QCOMPARE(speedTickStep(std::numeric_limits<double>::quiet_NaN(), 100, 25), 1.0);
}

void TestInstruments::speedPlotStaysReadable_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("top");
    QTest::newRow("main window 1000x80, 5") << QSize(1000, 80) << 3.0;
    QTest::newRow("main window 1000x80, 7.5") << QSize(1000, 80) << 7.5;
    QTest::newRow("main window 1000x80, 1234.5") << QSize(1000, 80) << 1234.5;
    QTest::newRow("main window 1000x80, 18.79") << QSize(1000, 80) << 18.7913;
    QTest::newRow("1000x60") << QSize(1000, 60) << 13.7;
    QTest::newRow("1000x130") << QSize(1000, 130) << 23.4;
    QTest::newRow("760x300") << QSize(760, 300) << 19.0;
    QTest::newRow("600x200") << QSize(600, 200) << 7.5;
}

void TestInstruments::speedPlotStaysReadable()
{
    QFETCH(QSize, size);
    QFETCH(double, top);
    SpeedCurve curve;
    curve.resize(size);
    curve.show();
    QVERIFY(QTest::qWaitForWindowExposed(&curve));
    const double t0 = 1.7e9;
    curve.addSpeedAt(top / 2, t0);
    curve.addSpeedAt(top, t0 + 1);
    QApplication::processEvents(); // a replot the layout may have asked for
    QCustomPlot* plot = curve.plot();
    if (size.height() >= 80)
        QCOMPARE(curve.size(), size); // not grown to the plot's minimum

    // The plot and the readout lie inside the widget; the readout's unit
    // keeps a margin from the right edge and shows whole.
    QVERIFY2(curve.rect().contains(plot->geometry()),
             qPrintable(QStringLiteral("plot %1 high at %2").arg(plot->height()).arg(plot->y())));
    const QRect unit = curve.unitLabel()->geometry();
    QVERIFY2(curve.width() - 1 - unit.right() >= 8, qPrintable(QString::number(unit.right())));
    QVERIFY(unit.width() >= curve.unitLabel()->sizeHint().width());
    QVERIFY(curve.rect().contains(curve.speedLabel()->geometry()));

    // The speed labels: at least 0 and a second one where 3 fit, none
    // touching the next, none leaving the plot.
    const QVector<QRectF> labels = speedTickLabels(plot);
    const double axisPixels = plot->axisRect()->height();
    const int labelHeight = QFontMetrics(plot->yAxis->tickLabelFont()).height();
    QVERIFY(!labels.isEmpty());
    if (axisPixels >= labelHeight + SpeedCurve::kTickLabelGap)
        QVERIFY2(labels.size() >= 2, qPrintable(QStringLiteral("%1 px").arg(axisPixels)));
    if (size.height() >= 200)
        QVERIFY(labels.size() >= 3);
    for (int i = 0; i < labels.size(); ++i) {
        QVERIFY2(labels[i].top() >= 0 && labels[i].bottom() <= plot->height(),
                 qPrintable(QStringLiteral("label %1 at %2").arg(i).arg(labels[i].top())));
        if (i > 0)
            QVERIFY2(labels[i].top() - labels[i - 1].bottom() >= SpeedCurve::kTickLabelGap - 1e-9,
                     qPrintable(QStringLiteral("labels %1 and %2 touch").arg(i - 1).arg(i)));
    }

    // The axis label, centred on the axis, lies whole inside the plot: the
    // full one where the plot is high enough, a shorter one where not.
    const QString label = plot->yAxis->label();
    if (size.height() >= 80)
        QVERIFY(!label.isEmpty());
    if (size.height() >= 200)
        QCOMPARE(label, QStringLiteral("Speed(mm/s)"));
    if (size.height() == 80)
        QCOMPARE(label, QStringLiteral("mm/s"));
    const double length = QFontMetrics(plot->yAxis->labelFont())
                              .boundingRect(QRect(), Qt::TextDontClip, label)
                              .width();
    const double centre = plot->axisRect()->rect().center().y() + 0.5;
    QVERIFY2(
        centre - length / 2 >= 0 && centre + length / 2 <= plot->height(),
        qPrintable(
            QStringLiteral("%1 long around %2 in %3").arg(length).arg(centre).arg(plot->height())));

    // Larger again: the full label and more ticks come back.
    curve.resize(760, 300);
    curve.addSpeedAt(top, t0 + 2);
    QApplication::processEvents();
    QCOMPARE(plot->yAxis->label(), QStringLiteral("Speed(mm/s)"));
    QVERIFY(speedTickLabels(plot).size() >= 3);
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

void TestInstruments::latchTableShowsWholeRows_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("styled");
    for (const bool styled : {false, true}) {
        const char* look = styled ? "styled" : "plain";
        for (const QSize size :
             {QSize(370, 330), QSize(420, 420), QSize(370, 317), QSize(370, 251), QSize(400, 600)})
            QTest::addRow("%s %dx%d", look, size.width(), size.height()) << size << styled;
    }
}

void TestInstruments::latchTableShowsWholeRows()
{
    QFETCH(QSize, size);
    QFETCH(bool, styled);
    const AppStyleSheet sheet(styled);
    QCOMPARE(!qApp->styleSheet().isEmpty(), styled);

    LatchWidget latch;
    latch.resize(size);
    latch.show();
    QVERIFY(QTest::qWaitForWindowExposed(&latch));
    QTableWidget* table = latch.table();
    const int rowHeight = 30;
    auto check = [&](int events, const char* when) {
        for (int i = 0; i < events; ++i)
            latch.addLatch(i, i);
        QApplication::processEvents();
        const QString where =
            QStringLiteral("%1 rows %2").arg(table->rowCount()).arg(QLatin1String(when));
        // The rows area holds whole rows; the table stays inside the widget.
        const int viewport = table->viewport()->height();
        QVERIFY2(viewport % rowHeight == 0,
                 qPrintable(where + QStringLiteral(": viewport %1").arg(viewport)));
        QVERIFY(viewport >= rowHeight);
        QVERIFY(table->geometry().bottom() < latch.height());
        QVERIFY2(latch.height() - 1 - table->geometry().bottom() < rowHeight, qPrintable(where));
        // The newest row shows whole, and the first visible row starts right
        // under the header.
        const int newest = table->rowCount() - 1;
        QCOMPARE(table->currentRow(), newest);
        const QRect last = table->visualRect(table->model()->index(newest, 0));
        QVERIFY2(last.top() >= 0 && last.bottom() < viewport,
                 qPrintable(where + QStringLiteral(": newest row %1-%2 of %3")
                                        .arg(last.top())
                                        .arg(last.bottom())
                                        .arg(viewport)));
        const int first = table->rowAt(0);
        QVERIFY(first >= 0);
        QVERIFY2(
            table->visualRect(table->model()->index(first, 0)).top() == 0,
            qPrintable(where + QStringLiteral(": row %1 starts at %2")
                                   .arg(first)
                                   .arg(table->visualRect(table->model()->index(first, 0)).top())));
        // Scrolled to the end by hand: the same.
        table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum());
        QCOMPARE(table->visualRect(table->model()->index(table->rowAt(0), 0)).top(), 0);
        // The time shows whole in the room the scroll bar leaves, its text
        // margins included.
        const QString time = table->item(newest, 2)->text();
        const int timeRoom = table->viewport()->width() - table->columnViewportPosition(2);
        const int margins =
            2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
        QVERIFY2(timeRoom >= table->fontMetrics().horizontalAdvance(time) + margins,
                 qPrintable(where + QStringLiteral(": %1 px for the time").arg(timeRoom)));
    };
    check(12, "after 12");
    check(250, "after 262");
    latch.resize(size + QSize(0, 17));
    QApplication::processEvents();
    check(1, "after growing by 17 px");
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

// A panel whose colour changes from left to right, so that a picture of it
// taken at one place shows wrong colours at another.
class RampPanel : public QWidget
{
public:
    static QColor colourAt(int x) { return QColor(x % 256, 80, 255 - x % 256); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        for (int x = 0; x < width(); ++x) {
            p.setPen(colourAt(x));
            p.drawLine(x, 0, x, height());
        }
    }
};

void TestInstruments::backdropFollowsThePanelBeneath()
{
    // The gauge's corners show what lies beneath it: after it, or the panel
    // holding it, moved, the panel at the new place.
    RampPanel window;
    window.resize(600, 300);
    auto* holder = new QWidget(&window);
    holder->setGeometry(10, 10, 400, 250);
    auto* gauge = new myGauge2(holder);
    gauge->setGeometry(0, 0, 200, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto cornerIsPanel = [&] {
        const QPoint corner = gauge->mapTo(&window, QPoint(2, 2));
        return window.grab().toImage().pixelColor(corner) == RampPanel::colourAt(corner.x());
    };
    QTRY_VERIFY(gauge->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(cornerIsPanel());
    gauge->move(60, 20);
    QTRY_VERIFY(gauge->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(cornerIsPanel());
    holder->move(130, 30); // the gauge itself does not move in its holder
    QTest::qWait(50);
    QTRY_VERIFY(gauge->testAttribute(Qt::WA_OpaquePaintEvent));
    QVERIFY(cornerIsPanel());
}

QTEST_MAIN(TestInstruments)
#include "tst_Instruments.moc"
