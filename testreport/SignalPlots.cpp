#include "SignalPlots.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace SignalPlots {

namespace {

constexpr double kFullScale = 1023.0;
constexpr double kMidScale = 512.0;
const QColor kFrame(120, 120, 120);
const QColor kGrid(215, 215, 215);
const QColor kDots(30, 144, 255, 110);
const QColor kFitted(205, 55, 55);
const QColor kIdeal(40, 160, 70);

QRectF square(const QRectF& area)
{
    const double side = std::min(area.width(), area.height());
    return QRectF(area.center().x() - side / 2.0, area.center().y() - side / 2.0, side, side);
}

QPainterPath ellipse(const QRectF& area, double os, double oc, double as, double ac, double phi)
{
    QPainterPath path;
    constexpr int kSteps = 180;
    for (int i = 0; i <= kSteps; ++i) {
        const double theta = 2.0 * M_PI * i / kSteps;
        const QPointF p = mapPair(area, kMidScale + os + as * std::sin(theta),
                                  kMidScale + oc + ac * std::cos(theta + phi));
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    return path;
}

} // namespace

QPointF mapPair(const QRectF& area, double sin, double cos)
{
    const QRectF box = square(area);
    return QPointF(box.left() + cos / kFullScale * box.width(),
                   box.bottom() - sin / kFullScale * box.height());
}

void paintLissajous(QPainter& painter, const QRectF& area, const QVector<SinCosPair>& pairs,
                    const LissajousFit::Result& fit)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = square(area);
    const double unit = box.width() / 300.0; // line widths scale with the picture
    painter.setPen(QPen(kGrid, unit));
    painter.drawLine(mapPair(area, kMidScale, 0), mapPair(area, kMidScale, kFullScale));
    painter.drawLine(mapPair(area, 0, kMidScale), mapPair(area, kFullScale, kMidScale));
    painter.setPen(QPen(kFrame, unit));
    painter.drawRect(box);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kDots);
    const double dot = std::max(unit * 0.8, 1.0);
    for (const SinCosPair& p : pairs)
        painter.drawEllipse(mapPair(area, p.sin, p.cos), dot, dot);
    painter.setBrush(Qt::NoBrush);

    if (fit.valid) {
        const double as = fit.amplitude_sin_pct / 100.0 * kMidScale;
        const double ac = fit.amplitude_cos_pct / 100.0 * kMidScale;
        const double mean = (as + ac) / 2.0;
        painter.setPen(QPen(kIdeal, unit * 1.5, Qt::DashLine));
        painter.drawPath(ellipse(area, 0.0, 0.0, mean, mean, 0.0));
        painter.setPen(QPen(kFitted, unit * 1.5));
        painter.drawPath(ellipse(area, fit.offset_sin_pct / 100.0 * kMidScale,
                                 fit.offset_cos_pct / 100.0 * kMidScale, as, ac,
                                 qDegreesToRadians(fit.phase_deviation_deg)));
    }
    painter.restore();
}

void paintInterpolationError(QPainter& painter, const QRectF& area,
                             const QVector<InterpolationError::Point>& curve)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = area.height() / 250.0;
    QFont font = painter.font();
    font.setPixelSize(std::max(1, int(area.height() / 22.0)));
    painter.setFont(font);
    const double labelWidth = area.width() * 0.16;
    const double labelHeight = area.height() / 10.0;
    const QRectF plot(area.left() + labelWidth, area.top() + labelHeight / 2.0,
                      area.width() - labelWidth, area.height() - labelHeight * 2.0);

    double peak = 0.0;
    for (const InterpolationError::Point& p : curve)
        peak = std::max(peak, std::fabs(p.errorPct));
    // A scale of 1, 2 or 5 times a power of ten that holds the curve.
    double scale = 0.01;
    while (scale < peak) {
        const double decade = std::pow(10.0, std::floor(std::log10(scale)));
        const double mantissa = scale / decade;
        scale = (mantissa < 1.5 ? 2.0 : mantissa < 3.5 ? 5.0 : 10.0) * decade;
    }
    auto y = [&](double pct) { return plot.center().y() - pct / scale * plot.height() / 2.0; };

    painter.setPen(QPen(kGrid, unit));
    for (const double level : {-scale, -scale / 2.0, scale / 2.0, scale})
        painter.drawLine(QPointF(plot.left(), y(level)), QPointF(plot.right(), y(level)));
    painter.setPen(QPen(kFrame, unit));
    painter.drawRect(plot);
    painter.drawLine(QPointF(plot.left(), y(0.0)), QPointF(plot.right(), y(0.0)));
    for (const double level : {-scale, 0.0, scale}) {
        const QRectF label(area.left(), y(level) - labelHeight / 2.0, labelWidth - unit * 4.0,
                           labelHeight);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 %").arg(level, 0, 'g', 3));
    }
    const QRectF axis(plot.left(), plot.bottom(), plot.width(), labelHeight * 1.5);
    painter.drawText(axis, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("0"));
    painter.drawText(axis, Qt::AlignRight | Qt::AlignVCenter, QCoreApplication::translate("SignalPlots", "1 period"));

    if (curve.isEmpty()) {
        painter.drawText(plot, Qt::AlignCenter, QCoreApplication::translate("SignalPlots", "no figures"));
    } else {
        QPainterPath path;
        for (int i = 0; i < curve.size(); ++i) {
            const QPointF p(plot.left() + curve[i].position * plot.width(), y(curve[i].errorPct));
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.setPen(QPen(kFitted, unit * 1.5));
        painter.drawPath(path);
    }
    painter.restore();
}

} // namespace SignalPlots
