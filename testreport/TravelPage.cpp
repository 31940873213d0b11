#include "TravelPage.h"

#include "TravelPlots.h"

#include <QPainter>

#include <cmath>

namespace {

const QColor kAccent(30, 144, 255);
const QColor kRule(200, 200, 200);

QFont font(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Zen Hei")});
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QString number(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

// The limit an item of the protocol sets, if it is there.
std::optional<double> limitOf(const TestProtocol& protocol, const char* name)
{
    for (const ToleranceProfile::Item& item : protocol.items)
        if (item.name == QLatin1String(name))
            return item.limit;
    return std::nullopt;
}

TravelPlots::Limits symmetric(std::optional<double> max)
{
    TravelPlots::Limits l;
    if (max) {
        l.lower = -*max;
        l.upper = *max;
    }
    return l;
}

// Writes lines downwards in `area`.
class Column
{
public:
    Column(QPainter& p, const QRectF& area, int dpi) : m_p(p), m_area(area), m_dpi(dpi), m_y(area.top()) {}

    double mm(double v) const { return v * m_dpi / 25.4; }
    double y() const { return m_y; }
    void skip(double millimetres) { m_y += mm(millimetres); }

    void heading(const QString& text)
    {
        skip(2.0);
        m_p.setFont(font(10.5, true));
        m_p.setPen(kAccent);
        line(text);
        m_p.setPen(QPen(kRule, mm(0.2)));
        m_p.drawLine(QPointF(m_area.left(), m_y), QPointF(m_area.right(), m_y));
        skip(1.2);
        m_p.setPen(Qt::black);
        m_p.setFont(font(8.5));
    }

    void line(const QString& text)
    {
        const QRectF box(m_area.left(), m_y, m_area.width(), mm(30));
        const QRectF used = m_p.boundingRect(box, Qt::TextWordWrap, text);
        m_p.drawText(box, Qt::TextWordWrap, text);
        m_y += used.height() + mm(0.6);
    }

    // A plot of the given height (mm) across the column.
    QRectF plot(double heightMm)
    {
        const QRectF r(m_area.left(), m_y, m_area.width(), mm(heightMm));
        m_y += r.height() + mm(1.0);
        return r;
    }

private:
    QPainter& m_p;
    QRectF m_area;
    int m_dpi;
    double m_y;
};

} // namespace

bool TravelPage::wanted(const TestProtocol& protocol)
{
    return !protocol.travel.travel.bins.isEmpty();
}

void TravelPage::paint(QPainter& painter, const QRectF& area, int dpi, const TestProtocol& protocol)
{
    const TravelSurvey::Result& s = protocol.travel;
    const TravelBins::Result& t = s.travel;
    Column c(painter, area, dpi);
    painter.setFont(font(14, true));
    c.line(protocol.serial.isEmpty() ? tr("Signal along the travel and over speed")
                                     : tr("Signal along the travel and over speed: %1").arg(protocol.serial));

    c.heading(tr("Along the travel"));
    c.line(tr("%1 mm covered from the lowest position reached; %2 of %3 bins of %4 signal periods "
              "(%5 mm) held enough pairs for a fit. Bins without figures are marked grey on the axis.")
               .arg(number(t.travelMm, 3))
               .arg(t.binsMeasured)
               .arg(t.binsSpanned)
               .arg(t.binPeriods)
               .arg(number(t.binMm, 3)));
    if (t.valid)
        c.line(tr("Amplitude variation %1 % (mean %2 %), lowest %3 % at %4 mm; worst offset %5 % at %6 mm; "
                  "worst phase deviation %7° at %8 mm; amplitude ratio %9 to %10.")
                   .arg(number(t.amplitudeVariationPct), number(t.amplitudeMeanPct),
                        number(t.amplitudeMin.value), number(t.amplitudeMin.atMm))
                   .arg(number(t.offset.value), number(t.offset.atMm), number(t.phase.value),
                        number(t.phase.atMm), number(t.ratioMin.value, 3), number(t.ratioMax.value, 3)));
    // The amplitude's lower line: the lowest a bin may be for the variation limit.
    TravelPlots::Limits amplitude;
    if (const auto variation = limitOf(protocol, "travel.amplitude_variation_pct_max"); variation && t.valid)
        amplitude.lower = t.amplitudeMax.value - *variation / 100.0 * t.amplitudeMeanPct;
    painter.setFont(font(7.5));
    TravelPlots::paintAlongTravel(painter, c.plot(45), t, TravelPlots::Quantity::Amplitude, amplitude);
    TravelPlots::paintAlongTravel(painter, c.plot(38), t, TravelPlots::Quantity::Offsets,
                                  symmetric(limitOf(protocol, "travel.worst_offset_pct_max")));
    TravelPlots::paintAlongTravel(painter, c.plot(38), t, TravelPlots::Quantity::PhaseDeviation,
                                  symmetric(limitOf(protocol, "travel.worst_phase_deviation_deg_max")));

    c.heading(tr("Over speed"));
    const SpeedBands::Result& sp = s.speed;
    QString speedLine = tr("Signal frequencies up to %1 Hz reached; %2 bands measured (ten a decade). ")
                            .arg(number(sp.maxFrequencyHz, 0))
                            .arg(sp.bandsMeasured);
    if (sp.valid)
        speedLine += sp.dropSeen ? tr("The amplitude keeps %1 % up to %2 Hz and falls below it from %3 Hz.")
                                       .arg(number(sp.thresholdPct, 1), number(sp.withinLimitHz, 0),
                                            number(sp.dropBandFromHz, 0))
                                 : tr("The amplitude keeps %1 % up to %2 Hz, the fastest measured; no drop seen.")
                                       .arg(number(sp.thresholdPct, 1), number(sp.withinLimitHz, 0));
    c.line(speedLine);
    painter.setFont(font(7.5));
    TravelPlots::paintOverFrequency(painter, c.plot(40), sp);

    const RotaryHarmonics::Result& r = s.rotary;
    if (r.periodsPerRevolution > 0.0) {
        c.heading(tr("Over a revolution of %1 periods").arg(r.periodsPerRevolution));
        if (r.valid)
            c.line(tr("%1 angle bins. Amplitude: once a revolution (eccentricity) %2 % at %3°, twice (ovality) "
                      "%4 % at %5°, three times %6 %. Phase deviation: once %7° at %8°.")
                       .arg(r.bins)
                       .arg(number(r.amplitude[0].magnitude), number(r.amplitude[0].angleDeg, 0),
                            number(r.amplitude[1].magnitude), number(r.amplitude[1].angleDeg, 0),
                            number(r.amplitude[2].magnitude), number(r.phase[0].magnitude, 3),
                            number(r.phase[0].angleDeg, 0)));
        else
            c.line(tr("No figures: %1").arg(r.reason));
    }

    c.heading(tr("Reference marks by direction"));
    const ReferenceDirections::Result& d = s.reference;
    const auto way = [](const QString& name, const ReferenceDirections::Direction& dir) {
        return dir.intervals > 0 ? tr("%1: %2 marks, %3 counts between them, %4 to %5 periods (mean %6)")
                                       .arg(name)
                                       .arg(dir.marks)
                                       .arg(dir.intervals)
                                       .arg(number(dir.minPeriods, 3), number(dir.maxPeriods, 3),
                                            number(dir.meanPeriods, 3))
                                 : tr("%1: %2 marks").arg(name).arg(dir.marks);
    };
    c.line(way(tr("Forward"), d.forward));
    c.line(way(tr("Backward"), d.backward));
    c.line(d.valid ? tr("The same mark latched backward lies %1 periods from forward (largest %2; %3 marks matched).")
                         .arg(number(d.meanDifferencePeriods, 3), number(d.maxDifferencePeriods, 3))
                         .arg(d.matched)
                   : tr("No difference: %1").arg(d.reason));
}
