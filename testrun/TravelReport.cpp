#include "TravelReport.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

double rounded(double value)
{
    return std::round(value * 1e4) / 1e4;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void insertWorst(QJsonObject& o, const char* name, const TravelBins::Worst& worst)
{
    if (!worst.found)
        return;
    const QString key = QLatin1String(name);
    o.insert(key, rounded(worst.value));
    o.insert(key + QStringLiteral("_at_mm"), rounded(worst.atMm));
}

QJsonObject fitJson(const LissajousFit::Result& f)
{
    QJsonObject o;
    o.insert(QStringLiteral("pairs"), double(f.samples));
    o.insert(QStringLiteral("valid"), f.valid);
    if (!f.valid)
        return o;
    o.insert(QStringLiteral("amplitude_sin_pct"), rounded(f.amplitude_sin_pct));
    o.insert(QStringLiteral("amplitude_cos_pct"), rounded(f.amplitude_cos_pct));
    o.insert(QStringLiteral("quality_pct"), rounded(f.quality_pct));
    o.insert(QStringLiteral("offset_sin_pct"), rounded(f.offset_sin_pct));
    o.insert(QStringLiteral("offset_cos_pct"), rounded(f.offset_cos_pct));
    o.insert(QStringLiteral("amplitude_ratio"), rounded(f.amplitude_ratio));
    o.insert(QStringLiteral("phase_deviation_deg"), rounded(f.phase_deviation_deg));
    o.insert(QStringLiteral("interpolation_error_pct"), rounded(f.interpolation_error_pct));
    return o;
}

QJsonArray harmonicsJson(const std::array<RotaryHarmonics::Harmonic, RotaryHarmonics::kHarmonics>& h,
                         const QString& unit)
{
    QJsonArray out;
    for (int k = 0; k < RotaryHarmonics::kHarmonics; ++k) {
        QJsonObject o;
        o.insert(QStringLiteral("order"), k + 1);
        o.insert(unit, rounded(h[std::size_t(k)].magnitude));
        o.insert(QStringLiteral("angle_deg"), rounded(h[std::size_t(k)].angleDeg));
        out.append(o);
    }
    return out;
}

QJsonObject directionJson(const ReferenceDirections::Direction& d)
{
    QJsonObject o;
    o.insert(QStringLiteral("marks"), d.marks);
    o.insert(QStringLiteral("intervals"), d.intervals);
    if (d.intervals > 0) {
        o.insert(QStringLiteral("min_periods"), rounded(d.minPeriods));
        o.insert(QStringLiteral("mean_periods"), rounded(d.meanPeriods));
        o.insert(QStringLiteral("max_periods"), rounded(d.maxPeriods));
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
    report.insert(QStringLiteral("travel"), travelJson(survey.travel));
    report.insert(QStringLiteral("rotary"), rotaryJson(survey.rotary));
    report.insert(QStringLiteral("speed"), speedJson(survey.speed));
    QJsonObject latch = report.value(QStringLiteral("latch")).toObject();
    latch.insert(QStringLiteral("directions"), directionsJson(survey.reference));
    report.insert(QStringLiteral("latch"), latch);
}

QJsonObject TravelReport::travelJson(const TravelBins::Result& t)
{
    QJsonObject o;
    o.insert(QStringLiteral("valid"), t.valid);
    if (!t.valid)
        o.insert(QStringLiteral("reason"), t.reason);
    o.insert(QStringLiteral("bin_periods"), rounded(t.binPeriods));
    o.insert(QStringLiteral("bin_mm"), rounded(t.binMm));
    o.insert(QStringLiteral("travel_mm"), rounded(t.travelMm));
    o.insert(QStringLiteral("bins_spanned"), double(t.binsSpanned));
    o.insert(QStringLiteral("bins_measured"), t.binsMeasured);
    if (t.valid) {
        o.insert(QStringLiteral("amplitude_mean_pct"), rounded(t.amplitudeMeanPct));
        o.insert(QStringLiteral("amplitude_variation_pct"), rounded(t.amplitudeVariationPct));
        insertWorst(o, "amplitude_min_pct", t.amplitudeMin);
        insertWorst(o, "amplitude_max_pct", t.amplitudeMax);
        insertWorst(o, "worst_offset_pct", t.offset);
        insertWorst(o, "worst_phase_deviation_deg", t.phase);
        insertWorst(o, "worst_amplitude_ratio_min", t.ratioMin);
        insertWorst(o, "worst_amplitude_ratio_max", t.ratioMax);
        insertWorst(o, "worst_interpolation_error_pct", t.interpolation);
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
        b.insert(QStringLiteral("at_mm"), rounded(bin.centreMm));
        bins.append(b);
    }
    o.insert(QStringLiteral("bins"), bins);
    if (step > 1)
        o.insert(QStringLiteral("bins_every"), step);
    return o;
}

QJsonObject TravelReport::rotaryJson(const RotaryHarmonics::Result& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("valid"), r.valid);
    if (!r.valid)
        o.insert(QStringLiteral("reason"), r.reason);
    if (!(r.periodsPerRevolution > 0.0))
        return o;
    o.insert(QStringLiteral("periods_per_revolution"), r.periodsPerRevolution);
    o.insert(QStringLiteral("bins"), r.bins);
    o.insert(QStringLiteral("bins_measured"), r.binsMeasured);
    if (!r.valid)
        return o;
    o.insert(QStringLiteral("amplitude_mean_pct"), rounded(r.amplitudeMeanPct));
    o.insert(QStringLiteral("eccentricity_pct"), rounded(r.eccentricityPct()));
    o.insert(QStringLiteral("eccentricity_angle_deg"), rounded(r.amplitude[0].angleDeg));
    o.insert(QStringLiteral("ovality_pct"), rounded(r.ovalityPct()));
    o.insert(QStringLiteral("amplitude_harmonics"), harmonicsJson(r.amplitude, QStringLiteral("pct")));
    o.insert(QStringLiteral("phase_harmonics"), harmonicsJson(r.phase, QStringLiteral("deg")));
    return o;
}

QJsonObject TravelReport::speedJson(const SpeedBands::Result& s)
{
    QJsonObject o;
    o.insert(QStringLiteral("valid"), s.valid);
    if (!s.valid)
        o.insert(QStringLiteral("reason"), s.reason);
    o.insert(QStringLiteral("max_frequency_hz"), rounded(s.maxFrequencyHz));
    o.insert(QStringLiteral("bands_measured"), s.bandsMeasured);
    if (s.valid) {
        o.insert(QStringLiteral("max_measured_hz"), rounded(s.maxMeasuredHz));
        o.insert(QStringLiteral("threshold_pct"), rounded(s.thresholdPct));
        o.insert(QStringLiteral("threshold_from_profile"), s.thresholdFromProfile);
        o.insert(QStringLiteral("within_limit_hz"), rounded(s.withinLimitHz));
        o.insert(QStringLiteral("drop_seen"), s.dropSeen);
        if (s.dropSeen)
            o.insert(QStringLiteral("drop_from_hz"), rounded(s.dropBandFromHz));
        o.insert(QStringLiteral("amplitude_at_max_pct"), rounded(s.amplitudeAtMaxPct));
    }
    QJsonArray bands;
    for (const SpeedBands::Band& band : s.bands) {
        QJsonObject b = fitJson(band.fit);
        b.insert(QStringLiteral("from_hz"), rounded(band.fromHz));
        b.insert(QStringLiteral("to_hz"), rounded(band.toHz));
        b.insert(QStringLiteral("min_hz"), rounded(band.minHz));
        b.insert(QStringLiteral("max_hz"), rounded(band.maxHz));
        bands.append(b);
    }
    o.insert(QStringLiteral("bands"), bands);
    return o;
}

QJsonObject TravelReport::directionsJson(const ReferenceDirections::Result& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("valid"), r.valid);
    if (!r.valid)
        o.insert(QStringLiteral("reason"), r.reason);
    o.insert(QStringLiteral("forward"), directionJson(r.forward));
    o.insert(QStringLiteral("backward"), directionJson(r.backward));
    o.insert(QStringLiteral("matched"), r.matched);
    if (r.valid) {
        o.insert(QStringLiteral("mean_difference_periods"), rounded(r.meanDifferencePeriods));
        o.insert(QStringLiteral("difference_periods"), rounded(r.maxDifferencePeriods));
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
