#include "RecordingReport.h"

#include "ReportKeys.h"
#include "TravelReport.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cmath>

namespace {

using K = ReportKeys;

// Figures to four decimals: finer than any limit, and no binary noise in the JSON.
double rounded(double value)
{
    return std::round(value * 1e4) / 1e4;
}

QJsonObject signalJson(const LissajousFit::Result& s)
{
    QJsonObject o;
    o.insert(K::valid, s.valid);
    o.insert(K::samples, double(s.samples));
    o.insert(K::coverageDeg, rounded(s.coverage_deg));
    if (!s.valid) {
        o.insert(K::reason, s.reason);
        return o;
    }
    o.insert(K::offsetSinPct, rounded(s.offset_sin_pct));
    o.insert(K::offsetCosPct, rounded(s.offset_cos_pct));
    o.insert(K::amplitudeSinPct, rounded(s.amplitude_sin_pct));
    o.insert(K::amplitudeCosPct, rounded(s.amplitude_cos_pct));
    o.insert(K::amplitudeRatio, rounded(s.amplitude_ratio));
    o.insert(K::phaseDeviationDeg, rounded(s.phase_deviation_deg));
    o.insert(K::qualityPct, rounded(s.quality_pct));
    o.insert(K::interpolationErrorPct, rounded(s.interpolation_error_pct));
    o.insert(K::interpolationErrorUm, rounded(s.interpolation_error_um));
    return o;
}

QJsonObject latchJson(const LatchStatistics::Result& l, const QString& unit)
{
    QJsonObject o;
    o.insert(K::valid, l.valid);
    o.insert(K::triggers, double(l.triggers));
    o.insert(K::intervals, double(l.intervals));
    o.insert(K::unit, unit);
    if (!l.valid) {
        o.insert(K::reason, l.reason);
        return o;
    }
    o.insert(K::min, rounded(l.min));
    o.insert(K::max, rounded(l.max));
    o.insert(K::mean, rounded(l.mean));
    o.insert(K::stddev, rounded(l.stddev));
    o.insert(K::spread, rounded(l.spread));
    o.insert(K::spreadUm, rounded(l.spread_um));
    return o;
}

QString stopName(RecordingReport::Stop stop)
{
    switch (stop) {
    case RecordingReport::Stop::Time:
        return QStringLiteral("time");
    case RecordingReport::Stop::Interrupt:
        return QStringLiteral("interrupt");
    case RecordingReport::Stop::Disconnected:
        return QStringLiteral("disconnected");
    }
    return QString();
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

RecordingReport::RecordingReport(const Facts& facts, const ToleranceProfile::Measurements& measured,
                                 const RecordingSummary::Current& current,
                                 const ToleranceProfile::Verdict& verdict)
    : m_facts(facts), m_measured(measured), m_current(current), m_verdict(verdict)
{
}

double RecordingReport::pollRate() const
{
    return m_facts.durationS > 0.0 ? double(m_facts.replies) / m_facts.durationS : 0.0;
}

QJsonObject RecordingReport::toJson() const
{
    QJsonObject root;
    root.insert(K::signal, signalJson(m_measured.signal));
    QJsonObject latch;
    latch.insert(K::sincos, latchJson(m_measured.sinCosLatch, QStringLiteral("periods")));
    latch.insert(K::square, latchJson(m_measured.squareLatch, QStringLiteral("counts")));
    root.insert(K::latch, latch);
    TravelReport::insertInto(root, m_measured.travel);
    if (m_current.seen) {
        QJsonObject current;
        current.insert(K::min, rounded(m_current.min));
        current.insert(K::max, rounded(m_current.max));
        current.insert(K::mean, rounded(m_current.mean));
        root.insert(K::currentMa, current);
    } else {
        root.insert(K::currentMa, QJsonValue::Null);
    }
    root.insert(K::replies, double(m_facts.replies));
    root.insert(K::durationS, rounded(m_facts.durationS));
    root.insert(K::pollRate, rounded(pollRate()));
    root.insert(K::stoppedBy, stopName(m_facts.stop));
    // The A, B and Z lines seen missing at least once ("" none; null: not reported).
    QString missing;
    for (int line = 0; line < 3; ++line)
        if (m_measured.linesMissing & (1u << line))
            missing += QLatin1Char("ABZ"[line]);
    root.insert(K::linesMissing,
                m_measured.haveLines ? QJsonValue(missing) : QJsonValue(QJsonValue::Null));
    if (!m_facts.csvPath.isEmpty())
        root.insert(K::csvRows, double(m_facts.csvRows));

    QJsonArray items;
    for (const ToleranceProfile::Item& item : m_verdict.items) {
        QJsonObject o;
        o.insert(K::name, item.name);
        o.insert(K::measured, item.measured);
        o.insert(K::value,
                 item.measured ? QJsonValue(rounded(item.value)) : QJsonValue(QJsonValue::Null));
        o.insert(K::limit, item.limit);
        o.insert(K::pass, item.pass);
        items.append(o);
    }
    QJsonObject verdict;
    verdict.insert(K::pass, m_verdict.pass);
    verdict.insert(K::profile, m_facts.haveProfile ? QJsonValue(m_facts.profilePath)
                                                                 : QJsonValue(QJsonValue::Null));
    verdict.insert(K::items, items);
    root.insert(K::verdict, verdict);
    return root;
}

QString RecordingReport::toText() const
{
    QString stop;
    switch (m_facts.stop) {
    case Stop::Time:
        stop = tr("stopped after the set time");
        break;
    case Stop::Interrupt:
        stop = tr("stopped by request");
        break;
    case Stop::Disconnected:
        stop = tr("stopped because the tester was lost");
        break;
    }
    QString text = tr("Recorded %1 replies in %2 s (%3 replies/s), %4.\n")
                       .arg(m_facts.replies)
                       .arg(fixed(m_facts.durationS, 2), fixed(pollRate(), 1), stop);
    if (!m_facts.csvPath.isEmpty())
        text += tr("CSV: %1 rows in %2\n").arg(m_facts.csvRows).arg(m_facts.csvPath);
    text += signalText();
    text += tr("Reference marks\n");
    text += latchText(tr("sine/cosine"), m_measured.sinCosLatch, tr("periods"));
    text += latchText(tr("square wave"), m_measured.squareLatch, tr("counts"));
    text += TravelReport::toText(m_measured.travel);
    if (m_current.seen)
        text += tr("Supply current: min %1 mA, mean %2 mA, max %3 mA\n")
                    .arg(fixed(m_current.min, 0), fixed(m_current.mean, 1), fixed(m_current.max, 0));
    else
        text += tr("Supply current: no reading\n");
    return text + verdictText();
}

QString RecordingReport::signalText() const
{
    const LissajousFit::Result& s = m_measured.signal;
    QString text = tr("Signal: %1 sample pairs, %2° of the circle covered\n")
                       .arg(s.samples)
                       .arg(fixed(s.coverage_deg, 1));
    if (!s.valid)
        return text + tr("  no figures: %1\n").arg(s.reason);
    const auto line = [](const QString& name, const QString& value) {
        return QStringLiteral("  %1 %2\n").arg(name, -28).arg(value);
    };
    text += line(tr("offset sin / cos"),
                 tr("%1 % / %2 %").arg(fixed(s.offset_sin_pct, 2), fixed(s.offset_cos_pct, 2)));
    text += line(tr("amplitude sin / cos"),
                 tr("%1 % / %2 %").arg(fixed(s.amplitude_sin_pct, 2), fixed(s.amplitude_cos_pct, 2)));
    text += line(tr("amplitude ratio"), fixed(s.amplitude_ratio, 4));
    text += line(tr("phase deviation"), tr("%1°").arg(fixed(s.phase_deviation_deg, 2)));
    text += line(tr("quality"), tr("%1 %").arg(fixed(s.quality_pct, 2)));
    text += line(tr("interpolation error"), tr("%1 % of a period (%2 µm)")
                                                .arg(fixed(s.interpolation_error_pct, 3),
                                                     fixed(s.interpolation_error_um, 4)));
    return text;
}

QString RecordingReport::latchText(const QString& title, const LatchStatistics::Result& latch,
                                   const QString& unit) const
{
    QString text = QStringLiteral("  %1 ").arg(title, -13) +
                   tr("triggers %1, intervals %2").arg(latch.triggers).arg(latch.intervals);
    if (!latch.valid)
        return text + QStringLiteral(": ") + latch.reason + QLatin1Char('\n');
    return text + tr(": min %1, mean %2, max %3 %4 (σ %5), spread %6 %4 = %7 µm\n")
                      .arg(fixed(latch.min, 3), fixed(latch.mean, 3), fixed(latch.max, 3), unit,
                           fixed(latch.stddev, 3), fixed(latch.spread, 3), fixed(latch.spread_um, 3));
}

QString RecordingReport::verdictText() const
{
    if (!m_facts.haveProfile)
        return tr("Verdict: no profile given\n");
    QString text = m_verdict.pass ? tr("Verdict: PASS (%1)\n").arg(m_facts.profilePath)
                                  : tr("Verdict: FAIL (%1)\n").arg(m_facts.profilePath);
    for (const ToleranceProfile::Item& item : m_verdict.items) {
        const QString mark = item.pass ? tr("pass") : tr("FAIL");
        const QString value = item.measured ? QString::number(item.value, 'g', 6) : tr("not measured");
        text += QStringLiteral("  %1 %2 %3 %4 %5\n")
                    .arg(mark, -4)
                    .arg(item.name, -36)
                    .arg(value)
                    .arg(item.isMax ? QStringLiteral("<=") : QStringLiteral(">="))
                    .arg(item.limit);
    }
    return text;
}
