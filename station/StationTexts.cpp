#include "StationTexts.h"

#include <QDateTime>

#include <cmath>

const QColor StationTexts::kPass(0x1F, 0x9D, 0x3A);
const QColor StationTexts::kFail(0xD0, 0x31, 0x2D);
const QColor StationTexts::kAborted(0xD9, 0x82, 0x00);
const QColor StationTexts::kBusy(0x1E, 0x90, 0xFF);
const QColor StationTexts::kIdle(0x5A, 0x6B, 0x7D);

namespace {

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

StationTexts::Banner StationTexts::idleBanner(bool testerOpen, const QString& testerProblem)
{
    if (!testerOpen && !testerProblem.isEmpty())
        return {tr("NO TESTER"), kAborted, {testerProblem}};
    return {tr("READY"), kIdle, {tr("Scan the serial number of the next unit.")}};
}

QString StationTexts::unitText(const QString& serial, int retest)
{
    if (retest < 0)
        return tr("%1 (retest ?)").arg(serial);
    if (retest == 0)
        return serial;
    return tr("%1 (retest %2)").arg(serial).arg(retest);
}

StationTexts::Banner StationTexts::testingBanner(const QString& serial, TestSequence::Phase phase,
                                                 double secondsLeft, int retest)
{
    const QString step = phase == TestSequence::Phase::Recording
                             ? tr("Recording: %1 s left").arg(std::ceil(secondsLeft))
                             : phaseText(phase);
    return {tr("TESTING"), kBusy,
            {tr("Unit %1: %2").arg(unitText(serial, retest), step), tr("Escape stops the test.")}};
}

// At most three lines: the banner is for reading at a glance; the items
// table and the protocol line hold the rest.
StationTexts::Banner StationTexts::verdictBanner(const StationVerdict& v)
{
    Banner banner;
    QStringList& lines = banner.lines;
    switch (v.outcome) {
    case FinishedTest::Outcome::Pass:
        banner = {tr("PASS"), kPass, {tr("Unit %1 may ship.").arg(unitText(v.serial, v.retest))}};
        break;
    case FinishedTest::Outcome::Fail: {
        banner = {tr("FAIL"), kFail, {tr("Unit %1 failed:").arg(unitText(v.serial, v.retest))}};
        QStringList failed;
        for (const ToleranceProfile::Item& item : v.verdict.items) {
            if (item.pass)
                continue;
            const int decimals = decimalsOf(item.name);
            const QString unit = unitOf(item.name);
            failed << (item.measured
                           ? tr("%1: %2 (limit %3)")
                                 .arg(itemLabel(item.name), fixed(item.value, decimals) + unit,
                                      (item.isMax ? QStringLiteral("≤ ") : QStringLiteral("≥ ")) +
                                          fixed(item.limit, decimals) + unit)
                           : tr("%1: not measured").arg(itemLabel(item.name)));
        }
        if (failed.size() > 2) {
            const int more = failed.size() - 1;
            failed = QStringList{failed.constFirst(), tr("and %1 more items (see the table)").arg(more)};
        }
        lines << failed;
        break;
    }
    case FinishedTest::Outcome::Aborted:
        banner = {tr("ABORTED"), kAborted, {tr("Unit %1 was not judged: test it again.").arg(v.serial)}};
        if (v.linkLost)
            lines << tr("The tester was lost during the test; the encoder lost its supply "
                        "with it.");
        else if (!v.reason.isEmpty())
            lines << v.reason;
        else
            lines << tr("The test was stopped.");
        break;
    }
    if (v.supplyLeftOn)
        lines << tr("The encoder supply could not be switched off: it may still be on.");
    return banner;
}

StationTexts::Banner StationTexts::refusedBanner(const QString& reason)
{
    return {tr("NOT TESTED"), kAborted, {reason}};
}

QString StationTexts::phaseText(TestSequence::Phase phase)
{
    switch (phase) {
    case TestSequence::Phase::Idle:
    case TestSequence::Phase::ReadingConfig:
        return tr("Reading the tester's configuration…");
    case TestSequence::Phase::PoweringOn:
        return tr("Switching the encoder supply on…");
    case TestSequence::Phase::Settling:
    case TestSequence::Phase::ClearingLineLock:
        return tr("Waiting for the encoder to settle…");
    case TestSequence::Phase::Recording:
        return tr("Recording…");
    case TestSequence::Phase::PoweringOff:
    case TestSequence::Phase::Done:
        return tr("Switching the encoder supply off…");
    }
    return QString();
}

QString StationTexts::itemLabel(const QString& name)
{
    static const QHash<QString, const char*> labels{
        {QStringLiteral("signal.quality_pct_min"), QT_TR_NOOP("Signal strength")},
        {QStringLiteral("signal.quality_pct_max"), QT_TR_NOOP("Signal strength")},
        {QStringLiteral("signal.offset_sin_pct_max"), QT_TR_NOOP("Sine offset")},
        {QStringLiteral("signal.offset_cos_pct_max"), QT_TR_NOOP("Cosine offset")},
        {QStringLiteral("signal.amplitude_ratio_min"), QT_TR_NOOP("Amplitude ratio")},
        {QStringLiteral("signal.amplitude_ratio_max"), QT_TR_NOOP("Amplitude ratio")},
        {QStringLiteral("signal.phase_deviation_deg_max"), QT_TR_NOOP("Phase deviation")},
        {QStringLiteral("signal.interpolation_error_pct_max"), QT_TR_NOOP("Interpolation error")},
        {QStringLiteral("latch.sincos.spread_max_periods"), QT_TR_NOOP("Reference mark spread")},
        {QStringLiteral("latch.square.spread_max_periods"), QT_TR_NOOP("Reference mark spread (A/B)")},
        {QStringLiteral("latch.spread_max_periods"), QT_TR_NOOP("Reference mark spread")},
        {QStringLiteral("current_ma.min"), QT_TR_NOOP("Supply current")},
        {QStringLiteral("current_ma.max"), QT_TR_NOOP("Supply current")},
        {QStringLiteral("lines.missing_max"), QT_TR_NOOP("Broken lines (A/B/Z)")},
        {QStringLiteral("travel.amplitude_variation_pct_max"), QT_TR_NOOP("Amplitude along the travel")},
        {QStringLiteral("travel.worst_offset_pct_max"), QT_TR_NOOP("Offset along the travel")},
        {QStringLiteral("travel.worst_phase_deviation_deg_max"), QT_TR_NOOP("Phase along the travel")},
        {QStringLiteral("travel.worst_amplitude_ratio_min"), QT_TR_NOOP("Amplitude ratio along the travel")},
        {QStringLiteral("travel.worst_amplitude_ratio_max"), QT_TR_NOOP("Amplitude ratio along the travel")},
        {QStringLiteral("rotary.eccentricity_pct_max"), QT_TR_NOOP("Eccentricity")},
        {QStringLiteral("speed.min_frequency_hz"), QT_TR_NOOP("Signal up to")},
        {QStringLiteral("latch.direction_difference_max_periods"), QT_TR_NOOP("Reference mark by direction")},
    };
    const auto it = labels.constFind(name);
    return it == labels.constEnd() ? name : tr(it.value());
}

QString StationTexts::unitOf(const QString& name)
{
    if (name.contains(QLatin1String("_pct")))
        return QStringLiteral(" %");
    if (name.contains(QLatin1String("_deg")))
        return QStringLiteral("°");
    if (name.endsWith(QLatin1String("_hz")))
        return QStringLiteral(" Hz");
    if (name.startsWith(QLatin1String("current_ma")))
        return QStringLiteral(" mA");
    if (name == QLatin1String("latch.square.spread_max_periods"))
        return tr(" counts");
    if (name.startsWith(QLatin1String("latch.")))
        return tr(" periods");
    return QString();
}

int StationTexts::decimalsOf(const QString& name)
{
    if (name.startsWith(QLatin1String("current_ma")) || name.startsWith(QLatin1String("lines.")) ||
        name.endsWith(QLatin1String("_hz")))
        return 0;
    if (name.contains(QLatin1String("ratio")) || name.startsWith(QLatin1String("latch.")))
        return 3;
    return 2;
}

QVector<StationTexts::ItemRow> StationTexts::itemRows(const ToleranceProfile::Verdict& verdict,
                                                      Marks marks)
{
    const bool judged = marks != Marks::None;
    QVector<ItemRow> rows;
    for (const ToleranceProfile::Item& item : verdict.items) {
        ItemRow row;
        const int decimals = decimalsOf(item.name);
        const QString unit = unitOf(item.name);
        row.label = itemLabel(item.name);
        row.limit = (item.isMax ? QStringLiteral("≤ ") : QStringLiteral("≥ ")) +
                    fixed(item.limit, decimals) + unit;
        if (item.measured && !judged) {
            row.value = fixed(item.value, decimals) + unit;
            row.colour = kIdle;
        } else if (item.measured) {
            row.value = fixed(item.value, decimals) + unit;
            row.mark = item.pass ? QStringLiteral("✔") : QStringLiteral("✘");
            row.colour = item.pass ? kPass : kFail;
        } else {
            row.value = QStringLiteral("—");
            // Judged and not measured: the item failed.
            row.mark = marks == Marks::Verdict ? QStringLiteral("✘") : QString();
            row.colour = row.mark.isEmpty() ? kIdle : kFail;
        }
        rows.append(row);
    }
    return rows;
}

StationTexts::HistoryRow StationTexts::historyRow(const ResultStore::Row& row)
{
    HistoryRow h;
    h.time = row.startedAt.toLocalTime().toString(QStringLiteral("MM-dd HH:mm:ss"));
    h.serial = row.serial;
    h.reason = reasonText(row.verdictReason);
    if (row.verdict == QLatin1String("pass")) {
        h.verdict = tr("PASS");
        h.colour = kPass;
    } else if (row.verdict == QLatin1String("fail")) {
        h.verdict = tr("FAIL");
        h.colour = kFail;
    } else {
        h.verdict = tr("ABORTED");
        h.colour = kAborted;
    }
    return h;
}

// The stored reasons the store's own programs write, in the window's language.
QString StationTexts::reasonText(const QString& stored)
{
    const QString failed = QStringLiteral("failed: ");
    if (stored.startsWith(failed)) {
        QStringList labels;
        for (const QString& name : stored.mid(failed.size()).split(QStringLiteral(", "))) {
            const QString label = itemLabel(name);
            if (!labels.contains(label))
                labels << label;
        }
        return tr("failed: %1").arg(labels.join(tr(", ")));
    }
    if (stored == QLatin1String("stopped by request"))
        return tr("stopped");
    if (stored == QLatin1String("the tester was lost"))
        return tr("the tester was lost");
    return stored;
}

QString StationTexts::passRate(const StationHistory& history)
{
    if (!history.known)
        return tr("History unavailable: %1").arg(history.error);
    if (history.todayTests == 0)
        return tr("Today: no tests yet");
    const double rate = 100.0 * double(history.todayPassed) / double(history.todayTests);
    return tr("Today: %1 of %2 passed (%3 %)")
        .arg(history.todayPassed)
        .arg(history.todayTests)
        .arg(fixed(rate, 1));
}

QString StationTexts::latchText(const LatchStatistics::Result& sinCos,
                                const LatchStatistics::Result& square)
{
    const LatchStatistics::Result& l = sinCos.valid || !square.valid ? sinCos : square;
    const QString unit = &l == &sinCos ? tr("periods") : tr("counts");
    if (!l.valid)
        return tr("Reference marks: %1").arg(l.triggers);
    return tr("Reference marks: %1, spread %2 %3")
        .arg(l.triggers)
        .arg(fixed(l.spread, 3), unit);
}

QString StationTexts::currentText(const RecordingSummary::Current& current)
{
    if (!current.seen)
        return tr("Current: —");
    return tr("Current: %1 mA").arg(fixed(current.mean, 0));
}

QString StationTexts::filedText(const ResultFiling::Filed& filed, bool* warning)
{
    switch (filed.outcome) {
    case ResultStore::Outcome::Stored:
        *warning = false;
        return tr("Result stored as test %1.").arg(filed.id);
    case ResultStore::Outcome::Spooled:
        *warning = true;
        return tr("Result kept in the spool: %1").arg(filed.message);
    case ResultStore::Outcome::Lost:
        break;
    }
    *warning = true;
    return tr("Result NOT stored: %1").arg(filed.message);
}
