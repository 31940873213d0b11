#include "TravelReport.h"

#include "ReportKeys.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

using K = ReportKeys;

double rounded(double value)
{
    return std::round(value * 1e4) / 1e4;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void insertWorst(QJsonObject& o, QLatin1String key, const TravelBins::Worst& worst)
{
    if (!worst.found)
        return;
    o.insert(key, rounded(worst.value));
    o.insert(K::placed(key), rounded(worst.atMm));
}

QJsonObject fitJson(const LissajousFit::Result& f)
{
    QJsonObject o;
    o.insert(K::pairs, double(f.samples));
    o.insert(K::valid, f.valid);
    if (!f.valid)
        return o;
    o.insert(K::amplitudeSinPct, rounded(f.amplitude_sin_pct));
    o.insert(K::amplitudeCosPct, rounded(f.amplitude_cos_pct));
    o.insert(K::qualityPct, rounded(f.quality_pct));
    o.insert(K::offsetSinPct, rounded(f.offset_sin_pct));
    o.insert(K::offsetCosPct, rounded(f.offset_cos_pct));
    o.insert(K::amplitudeRatio, rounded(f.amplitude_ratio));
    o.insert(K::phaseDeviationDeg, rounded(f.phase_deviation_deg));
    o.insert(K::interpolationErrorPct, rounded(f.interpolation_error_pct));
    return o;
}

QJsonArray harmonicsJson(const std::array<RotaryHarmonics::Harmonic, RotaryHarmonics::kHarmonics>& h,
                         QLatin1String unit)
{
    QJsonArray out;
    for (int k = 0; k < RotaryHarmonics::kHarmonics; ++k) {
        QJsonObject o;
        o.insert(K::order, k + 1);
        o.insert(unit, rounded(h[std::size_t(k)].magnitude));
        o.insert(K::angleDeg, rounded(h[std::size_t(k)].angleDeg));
        out.append(o);
    }
    return out;
}

QJsonObject directionJson(const ReferenceDirections::Direction& d)
{
    QJsonObject o;
    o.insert(K::marks, d.marks);
    o.insert(K::intervals, d.intervals);
    if (d.intervals > 0) {
        o.insert(K::minPeriods, rounded(d.minPeriods));
        o.insert(K::meanPeriods, rounded(d.meanPeriods));
        o.insert(K::maxPeriods, rounded(d.maxPeriods));
    }
    return o;
}

QString line(const QString& name, const QString& value)
{
    return QStringLiteral("  %1 %2\n").arg(name, -28).arg(value);
}

} // namespace

void TravelReport::insertInto(QJsonObject& report, const TravelSurvey::Result& survey)
{
    report.insert(K::travel, travelJson(survey.travel));
    report.insert(K::rotary, rotaryJson(survey.rotary));
    report.insert(K::speed, speedJson(survey.speed));
    QJsonObject latch = report.value(K::latch).toObject();
    latch.insert(K::directions, directionsJson(survey.reference));
    report.insert(K::latch, latch);
}

QJsonObject TravelReport::travelJson(const TravelBins::Result& t)
{
    QJsonObject o;
    o.insert(K::valid, t.valid);
    if (!t.valid)
        o.insert(K::reason, t.reason);
    o.insert(K::binPeriods, rounded(t.binPeriods));
    o.insert(K::binMm, rounded(t.binMm));
    o.insert(K::travelMm, rounded(t.travelMm));
    o.insert(K::binsSpanned, double(t.binsSpanned));
    o.insert(K::binsMeasured, t.binsMeasured);
    if (t.valid) {
        o.insert(K::amplitudeMeanPct, rounded(t.amplitudeMeanPct));
        o.insert(K::amplitudeVariationPct, rounded(t.amplitudeVariationPct));
        insertWorst(o, K::amplitudeMinPct, t.amplitudeMin);
        insertWorst(o, K::amplitudeMaxPct, t.amplitudeMax);
        insertWorst(o, K::worstOffsetPct, t.offset);
        insertWorst(o, K::worstPhaseDeviationDeg, t.phase);
        insertWorst(o, K::worstAmplitudeRatioMin, t.ratioMin);
        insertWorst(o, K::worstAmplitudeRatioMax, t.ratioMax);
        insertWorst(o, K::worstInterpolationErrorPct, t.interpolation);
    }
    // The measured bins only (the counts above tell the rest), and of a
    // very long recording every n-th, so that a stored report stays small.
    const int step = std::max(1, (t.binsMeasured + kMaxReportBins - 1) / kMaxReportBins);
    QJsonArray bins;
    int measured = 0;
    for (const TravelBins::Bin& bin : t.bins) {
        if (!bin.fit.valid || measured++ % step != 0)
            continue;
        QJsonObject b = fitJson(bin.fit);
        b.insert(K::atMm, rounded(bin.centreMm));
        bins.append(b);
    }
    o.insert(K::bins, bins);
    if (step > 1)
        o.insert(K::binsEvery, step);
    return o;
}

QJsonObject TravelReport::rotaryJson(const RotaryHarmonics::Result& r)
{
    QJsonObject o;
    o.insert(K::valid, r.valid);
    if (!r.valid)
        o.insert(K::reason, r.reason);
    if (!(r.periodsPerRevolution > 0.0))
        return o;
    o.insert(K::periodsPerRevolution, r.periodsPerRevolution);
    o.insert(K::bins, r.bins);
    o.insert(K::binsMeasured, r.binsMeasured);
    if (!r.valid)
        return o;
    o.insert(K::amplitudeMeanPct, rounded(r.amplitudeMeanPct));
    o.insert(K::eccentricityPct, rounded(r.eccentricityPct()));
    o.insert(K::eccentricityAngleDeg, rounded(r.amplitude[0].angleDeg));
    o.insert(K::ovalityPct, rounded(r.ovalityPct()));
    o.insert(K::amplitudeHarmonics, harmonicsJson(r.amplitude, K::pct));
    o.insert(K::phaseHarmonics, harmonicsJson(r.phase, K::deg));
    return o;
}

QJsonObject TravelReport::speedJson(const SpeedBands::Result& s)
{
    QJsonObject o;
    o.insert(K::valid, s.valid);
    if (!s.valid)
        o.insert(K::reason, s.reason);
    o.insert(K::maxFrequencyHz, rounded(s.maxFrequencyHz));
    o.insert(K::bandsMeasured, s.bandsMeasured);
    if (s.valid) {
        o.insert(K::maxMeasuredHz, rounded(s.maxMeasuredHz));
        o.insert(K::thresholdPct, rounded(s.thresholdPct));
        o.insert(K::thresholdFromProfile, s.thresholdFromProfile);
        o.insert(K::withinLimitHz, rounded(s.withinLimitHz));
        o.insert(K::dropSeen, s.dropSeen);
        if (s.dropSeen)
            o.insert(K::dropFromHz, rounded(s.dropBandFromHz));
        o.insert(K::amplitudeAtMaxPct, rounded(s.amplitudeAtMaxPct));
    }
    QJsonArray bands;
    for (const SpeedBands::Band& band : s.bands) {
        QJsonObject b = fitJson(band.fit);
        b.insert(K::fromHz, rounded(band.fromHz));
        b.insert(K::toHz, rounded(band.toHz));
        b.insert(K::minHz, rounded(band.minHz));
        b.insert(K::maxHz, rounded(band.maxHz));
        bands.append(b);
    }
    o.insert(K::bands, bands);
    return o;
}

QJsonObject TravelReport::directionsJson(const ReferenceDirections::Result& r)
{
    QJsonObject o;
    o.insert(K::valid, r.valid);
    if (!r.valid)
        o.insert(K::reason, r.reason);
    o.insert(K::forward, directionJson(r.forward));
    o.insert(K::backward, directionJson(r.backward));
    o.insert(K::matched, r.matched);
    if (r.valid) {
        o.insert(K::meanDifferencePeriods, rounded(r.meanDifferencePeriods));
        o.insert(K::differencePeriods, rounded(r.maxDifferencePeriods));
    }
    return o;
}

QString TravelReport::toText(const TravelSurvey::Result& survey)
{
    return travelText(survey.travel) + rotaryText(survey.rotary) + speedText(survey.speed) +
           directionsText(survey.reference);
}

QString TravelReport::travelText(const TravelBins::Result& t)
{
    QString text = tr("Along the travel: %1 mm covered, %2 of %3 bins of %4 periods (%5 mm) measured\n")
                       .arg(fixed(t.travelMm, 3))
                       .arg(t.binsMeasured)
                       .arg(t.binsSpanned)
                       .arg(t.binPeriods)
                       .arg(fixed(t.binMm, 3));
    if (!t.valid)
        return text + tr("  no figures: %1\n").arg(t.reason);
    const auto at = [](const TravelBins::Worst& w, int decimals, const QString& unit) {
        return tr("%1%2 at %3 mm").arg(fixed(w.value, decimals), unit, fixed(w.atMm, 2));
    };
    text += line(tr("amplitude variation"),
                 tr("%1 % (mean %2 %; lowest %3, highest %4)")
                     .arg(fixed(t.amplitudeVariationPct, 2), fixed(t.amplitudeMeanPct, 2),
                          at(t.amplitudeMin, 2, tr(" %")), at(t.amplitudeMax, 2, tr(" %"))));
    text += line(tr("worst offset"), at(t.offset, 2, tr(" %")));
    text += line(tr("worst phase deviation"), at(t.phase, 2, tr("°")));
    text += line(tr("amplitude ratio"),
                 tr("%1 to %2").arg(at(t.ratioMin, 4, QString()), at(t.ratioMax, 4, QString())));
    text += line(tr("worst interpolation error"), at(t.interpolation, 3, tr(" % of a period")));
    return text;
}

QString TravelReport::rotaryText(const RotaryHarmonics::Result& r)
{
    if (!(r.periodsPerRevolution > 0.0))
        return QString();
    QString text = tr("Over a revolution of %1 periods: %2 of %3 angle bins measured\n")
                       .arg(r.periodsPerRevolution)
                       .arg(r.binsMeasured)
                       .arg(r.bins);
    if (!r.valid)
        return text + tr("  no figures: %1\n").arg(r.reason);
    const QString names[3] = {tr("once a revolution"), tr("twice (ovality)"), tr("three times")};
    for (int k = 0; k < RotaryHarmonics::kHarmonics; ++k) {
        const auto& a = r.amplitude[std::size_t(k)];
        const auto& p = r.phase[std::size_t(k)];
        text += line(names[k], tr("amplitude %1 % at %2°, phase %3° at %4°")
                                   .arg(fixed(a.magnitude, 2), fixed(a.angleDeg, 1),
                                        fixed(p.magnitude, 3), fixed(p.angleDeg, 1)));
    }
    return text;
}

QString TravelReport::speedText(const SpeedBands::Result& s)
{
    QString text = tr("Over speed: signal frequencies up to %1 Hz reached, %2 bands measured\n")
                       .arg(fixed(s.maxFrequencyHz, 0))
                       .arg(s.bandsMeasured);
    if (!s.valid)
        return text + tr("  no figures: %1\n").arg(s.reason);
    const QString threshold = s.thresholdFromProfile
                                  ? tr("%1 % (the profile's minimum)").arg(fixed(s.thresholdPct, 1))
                                  : tr("%1 % (1/√2 of the slowest band's)").arg(fixed(s.thresholdPct, 1));
    text += line(tr("amplitude kept"), threshold);
    text += line(tr("up to"), s.dropSeen ? tr("%1 Hz; below it from %2 Hz")
                                               .arg(fixed(s.withinLimitHz, 0), fixed(s.dropBandFromHz, 0))
                                         : tr("%1 Hz, the fastest measured; no drop seen")
                                               .arg(fixed(s.withinLimitHz, 0)));
    text += line(tr("at the fastest measured"), tr("%1 % at up to %2 Hz")
                                                    .arg(fixed(s.amplitudeAtMaxPct, 2), fixed(s.maxMeasuredHz, 0)));
    return text;
}

QString TravelReport::directionsText(const ReferenceDirections::Result& r)
{
    const auto way = [](const ReferenceDirections::Direction& d) {
        if (d.intervals == 0)
            return tr("%1 marks").arg(d.marks);
        return tr("%1 marks, %2 between them (%3 to %4 periods, mean %5)")
            .arg(d.marks)
            .arg(d.intervals)
            .arg(fixed(d.minPeriods, 3), fixed(d.maxPeriods, 3), fixed(d.meanPeriods, 3));
    };
    QString text = tr("Reference marks by direction\n");
    text += line(tr("forward"), way(r.forward));
    text += line(tr("backward"), way(r.backward));
    if (!r.valid)
        return text + tr("  no difference: %1\n").arg(r.reason);
    return text + line(tr("backward − forward"),
                       tr("%1 periods (largest %2, %3 marks matched)")
                           .arg(fixed(r.meanDifferencePeriods, 3), fixed(r.maxDifferencePeriods, 3))
                           .arg(r.matched));
}
