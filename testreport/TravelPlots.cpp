#include "TravelPlots.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace TravelPlots {

namespace {

const QColor kFrame(120, 120, 120);
const QColor kGrid(225, 225, 225);
const QColor kSine(30, 144, 255);
const QColor kCosine(230, 140, 20);
const QColor kLimit(205, 40, 40);
const QColor kGood(40, 160, 70);
const QColor kEmpty(200, 200, 200);

struct Range
{
    double lo = 0.0, hi = 1.0;
    double span() const { return hi - lo; }
};

// Widens `r` to hold `v` (and the limits), then adds a margin.
Range padded(Range r)
{
    if (!(r.span() > 0.0)) {
        const double m = std::max(std::fabs(r.lo) * 0.05, 0.5);
        return {r.lo - m, r.hi + m};
    }
    const double m = r.span() * 0.08;
    return {r.lo - m, r.hi + m};
}

QString label(double value)
{
    const double a = std::fabs(value);
    return QString::number(value, 'f', a >= 100.0 || value == 0.0 ? 0 : a >= 10.0 ? 1 : 2);
}

// Axes with three labels each; returns the plot area inside them.
QRectF axes(QPainter& p, const QRectF& area, const Range& x, const Range& y, const QString& xTitle,
            const QString& yTitle, bool logX)
{
    const QFontMetricsF fm(p.font());
    const double left = fm.horizontalAdvance(QStringLiteral("-000.00")) + fm.height() * 0.4;
    const QRectF plot(area.left() + left, area.top() + fm.height() * 1.2, area.width() - left - fm.height() * 0.5,
                      area.height() - fm.height() * 3.4);
    p.setPen(QPen(kFrame, 0));
    p.drawRect(plot);
    p.drawText(QRectF(area.left(), area.top(), area.width(), fm.height()), Qt::AlignLeft | Qt::AlignTop, yTitle);
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height() * 1.1, plot.width(), fm.height()),
               Qt::AlignHCenter | Qt::AlignTop, xTitle);
    for (int i = 0; i <= 2; ++i) {
        const double fy = y.lo + y.span() * i / 2.0;
        const double py = plot.bottom() - plot.height() * i / 2.0;
        p.setPen(QPen(kGrid, 0));
        p.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
        p.setPen(QPen(kFrame, 0));
        p.drawText(QRectF(area.left(), py - fm.height() / 2.0, left - fm.height() * 0.3, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, label(fy));
        const double fx = logX ? std::pow(10.0, x.lo + x.span() * i / 2.0) : x.lo + x.span() * i / 2.0;
        const double px = plot.left() + plot.width() * i / 2.0;
        // The first label starts at the left edge, the last ends at the right.
        const double half = plot.width() / 4.0;
        const QRectF box = i == 0 ? QRectF(px, plot.bottom() + 1.0, half, fm.height())
                         : i == 2 ? QRectF(px - half, plot.bottom() + 1.0, half, fm.height())
                                  : QRectF(px - half / 2.0, plot.bottom() + 1.0, half, fm.height());
        const Qt::Alignment align = i == 0 ? Qt::AlignLeft : i == 2 ? Qt::AlignRight : Qt::AlignHCenter;
        p.drawText(box, align | Qt::AlignTop, label(fx));
    }
    return plot;
}

QPointF map(const QRectF& plot, const Range& x, const Range& y, double fx, double fy)
{
    return QPointF(plot.left() + (fx - x.lo) / x.span() * plot.width(),
                   plot.bottom() - (fy - y.lo) / y.span() * plot.height());
}

void limitLine(QPainter& p, const QRectF& plot, const Range& x, const Range& y, std::optional<double> value)
{
    if (!value)
        return;
    p.setPen(QPen(kLimit, 0, Qt::DashLine));
    const double py = map(plot, x, y, x.lo, *value).y();
    p.drawLine(QPointF(plot.left(), py), QPointF(plot.right(), py));
}

// One series through the bins that have figures; a bin without breaks the line.
void series(QPainter& p, const QRectF& plot, const Range& x, const Range& y,
            const QVector<QPointF>& points, const QColor& colour)
{
    QPainterPath path;
    bool open = false;
    for (const QPointF& pt : points) {
        if (std::isnan(pt.y())) {
            open = false;
            continue;
        }
        const QPointF at = map(plot, x, y, pt.x(), pt.y());
        open ? path.lineTo(at) : path.moveTo(at);
        open = true;
    }
    p.setPen(QPen(colour, std::max(1.0, plot.height() / 150.0)));
    p.drawPath(path);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    const double dot = std::max(1.0, plot.height() / 90.0);
    for (const QPointF& pt : points)
        if (!std::isnan(pt.y()))
            p.drawEllipse(map(plot, x, y, pt.x(), pt.y()), dot, dot);
    p.setBrush(Qt::NoBrush);
}

// Grey ticks under the bins that held pairs but no figures.
void unmeasured(QPainter& p, const QRectF& plot, const Range& x, const TravelBins::Result& t)
{
    p.setPen(QPen(kEmpty, std::max(1.0, plot.height() / 60.0)));
    for (const TravelBins::Bin& bin : t.bins)
        if (!bin.fit.valid) {
            const double px = plot.left() + (bin.centreMm - x.lo) / x.span() * plot.width();
            p.drawLine(QPointF(px, plot.bottom() - plot.height() * 0.04), QPointF(px, plot.bottom()));
        }
}

QString noFigures(const QString& reason)
{
    return QCoreApplication::translate("TravelPlots", "no figures: %1").arg(reason);
}

} // namespace

void paintAlongTravel(QPainter& painter, const QRectF& area, const TravelBins::Result& travel,
                      Quantity quantity, const Limits& limits)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QVector<QPointF> first, second;
    Range y{HUGE_VAL, -HUGE_VAL};
    const auto take = [&y](double v) {
        y.lo = std::min(y.lo, v);
        y.hi = std::max(y.hi, v);
    };
    for (const TravelBins::Bin& bin : travel.bins) {
        const LissajousFit::Result& f = bin.fit;
        const double nan = std::nan("");
        double a = nan, b = nan;
        if (f.valid) {
            switch (quantity) {
            case Quantity::Amplitude:
                a = f.quality_pct;
                break;
            case Quantity::Offsets:
                a = f.offset_sin_pct;
                b = f.offset_cos_pct;
                take(b);
                break;
            case Quantity::PhaseDeviation:
                a = f.phase_deviation_deg;
                break;
            }
            take(a);
        }
        first.append(QPointF(bin.centreMm, a));
        second.append(QPointF(bin.centreMm, b));
    }
    const QString titles[] = {QCoreApplication::translate("TravelPlots", "amplitude, %"),
                              QCoreApplication::translate("TravelPlots", "offsets, % (sine blue, cosine orange)"),
                              QCoreApplication::translate("TravelPlots", "phase deviation, °")};
    const QString title = titles[int(quantity)];
    if (!travel.valid) {
        painter.setPen(kFrame);
        painter.drawRect(area);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, title + QLatin1Char('\n') + noFigures(travel.reason));
        painter.restore();
        return;
    }
    for (const std::optional<double>& l : {limits.lower, limits.upper})
        if (l)
            take(*l);
    const Range x{0.0, std::max(travel.travelMm, travel.binMm)};
    const Range yr = padded(y);
    const QRectF plot = axes(painter, area, x, yr,
                             QCoreApplication::translate("TravelPlots", "mm from the start of the travel"),
                             title, false);
    limitLine(painter, plot, x, yr, limits.lower);
    limitLine(painter, plot, x, yr, limits.upper);
    unmeasured(painter, plot, x, travel);
    series(painter, plot, x, yr, first, kSine);
    if (quantity == Quantity::Offsets)
        series(painter, plot, x, yr, second, kCosine);
    painter.restore();
}

void paintOverFrequency(QPainter& painter, const QRectF& area, const SpeedBands::Result& speed)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QString title = QCoreApplication::translate("TravelPlots", "amplitude, % over signal frequency");
    if (!speed.valid) {
        painter.setPen(kFrame);
        painter.drawRect(area);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, title + QLatin1Char('\n') + noFigures(speed.reason));
        painter.restore();
        return;
    }
    // Each measured band at the geometric middle of its pairs' range.
    QVector<QPointF> points;
    Range y{speed.thresholdPct, speed.thresholdPct};
    Range x{HUGE_VAL, -HUGE_VAL};
    for (const SpeedBands::Band& band : speed.bands) {
        if (!band.fit.valid)
            continue; // a response curve: the measured bands joined
        const double hz = std::sqrt(std::max(band.minHz, 0.1) * std::max(band.maxHz, 0.1));
        x.lo = std::min(x.lo, std::log10(std::max(band.minHz, 0.1)));
        x.hi = std::max(x.hi, std::log10(std::max(band.maxHz, 0.1)));
        points.append(QPointF(std::log10(hz), band.fit.quality_pct));
        y.lo = std::min(y.lo, band.fit.quality_pct);
        y.hi = std::max(y.hi, band.fit.quality_pct);
    }
    if (!(x.span() > 0.0))
        x = {x.lo - 0.5, x.hi + 0.5};
    const Range yr = padded(y);
    const QRectF plot = axes(painter, area, x, yr,
                             QCoreApplication::translate("TravelPlots", "signal frequency, Hz (log)"), title, true);
    limitLine(painter, plot, x, yr, speed.thresholdPct);
    series(painter, plot, x, yr, points, kSine);
    painter.restore();
}

void paintStrip(QPainter& painter, const QRectF& area, const TravelBins::Result& travel,
                std::optional<double> variationLimitPct)
{
    painter.save();
    painter.setPen(QPen(kFrame, 0));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    const QRectF inside = area.adjusted(2, 2, -2, -2);
    if (travel.bins.isEmpty() || !(travel.amplitudeMax.value > 0.0) || !travel.amplitudeMax.found) {
        painter.restore();
        return;
    }
    // Bars from 50 % of the best bin to the best bin, so that a loss of a
    // few % shows.
    const double best = travel.amplitudeMax.value;
    const double extent = std::max(travel.travelMm, travel.binMm);
    const double barWidth = std::max(1.0, inside.width() * travel.binMm / extent);
    for (const TravelBins::Bin& bin : travel.bins) {
        const double left = inside.left() + (bin.centreMm - travel.binMm / 2.0) / extent * inside.width();
        if (!bin.fit.valid) {
            painter.fillRect(QRectF(left, inside.bottom() - 2, barWidth, 2), kEmpty);
            continue;
        }
        const double ratio = std::clamp(bin.fit.quality_pct / best, 0.5, 1.0);
        const double height = (ratio - 0.5) / 0.5 * inside.height();
        const bool low = variationLimitPct && (1.0 - bin.fit.quality_pct / best) * 100.0 > *variationLimitPct;
        painter.fillRect(QRectF(left, inside.bottom() - height, barWidth, height), low ? kLimit : kGood);
    }
    painter.restore();
}

} // namespace TravelPlots
