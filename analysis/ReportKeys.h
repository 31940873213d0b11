#pragma once

#include <QLatin1String>
#include <QString>

#include <initializer_list>

namespace reportkeys {
template <int N> constexpr QLatin1String key(const char (&text)[N])
{
    return QLatin1String(text, N - 1);
}
} // namespace reportkeys

// The names a test's record carries, spelled once: the keys of the
// recorder's report JSON (RecordingReport writes them, ResultFigures reads
// its figure columns by them), the keys of the stored tester configuration
// and the stored verdicts. Stored results, the CSV's columns and peers rely
// on every one of them: none may change.
class ReportKeys
{
public:
    // Sections of the report.
    static constexpr QLatin1String signal = reportkeys::key("signal");
    static constexpr QLatin1String latch = reportkeys::key("latch");
    static constexpr QLatin1String currentMa = reportkeys::key("current_ma");
    static constexpr QLatin1String verdict = reportkeys::key("verdict");

    // In "signal" and in each channel of "latch".
    static constexpr QLatin1String valid = reportkeys::key("valid");
    static constexpr QLatin1String reason = reportkeys::key("reason");

    // "signal": the fit's figures.
    static constexpr QLatin1String samples = reportkeys::key("samples");
    static constexpr QLatin1String coverageDeg = reportkeys::key("coverage_deg");
    static constexpr QLatin1String offsetSinPct = reportkeys::key("offset_sin_pct");
    static constexpr QLatin1String offsetCosPct = reportkeys::key("offset_cos_pct");
    static constexpr QLatin1String amplitudeSinPct = reportkeys::key("amplitude_sin_pct");
    static constexpr QLatin1String amplitudeCosPct = reportkeys::key("amplitude_cos_pct");
    static constexpr QLatin1String amplitudeRatio = reportkeys::key("amplitude_ratio");
    static constexpr QLatin1String phaseDeviationDeg = reportkeys::key("phase_deviation_deg");
    static constexpr QLatin1String qualityPct = reportkeys::key("quality_pct");
    static constexpr QLatin1String interpolationErrorPct =
        reportkeys::key("interpolation_error_pct");
    static constexpr QLatin1String interpolationErrorUm = reportkeys::key("interpolation_error_um");

    // "latch": its channels, and each channel's figures.
    static constexpr QLatin1String sincos = reportkeys::key("sincos");
    static constexpr QLatin1String square = reportkeys::key("square");
    static constexpr QLatin1String triggers = reportkeys::key("triggers");
    static constexpr QLatin1String intervals = reportkeys::key("intervals");
    static constexpr QLatin1String unit = reportkeys::key("unit");
    static constexpr QLatin1String stddev = reportkeys::key("stddev");
    static constexpr QLatin1String spread = reportkeys::key("spread");
    static constexpr QLatin1String spreadUm = reportkeys::key("spread_um");

    // In a latch channel and in "current_ma".
    static constexpr QLatin1String min = reportkeys::key("min");
    static constexpr QLatin1String max = reportkeys::key("max");
    static constexpr QLatin1String mean = reportkeys::key("mean");

    // The recording itself.
    static constexpr QLatin1String replies = reportkeys::key("replies");
    static constexpr QLatin1String durationS = reportkeys::key("duration_s");
    static constexpr QLatin1String pollRate = reportkeys::key("poll_rate");
    static constexpr QLatin1String stoppedBy = reportkeys::key("stopped_by");
    static constexpr QLatin1String linesMissing = reportkeys::key("lines_missing");
    static constexpr QLatin1String csvRows = reportkeys::key("csv_rows");

    // "verdict" and each of its "items".
    static constexpr QLatin1String pass = reportkeys::key("pass");
    static constexpr QLatin1String profile = reportkeys::key("profile");
    static constexpr QLatin1String items = reportkeys::key("items");
    static constexpr QLatin1String name = reportkeys::key("name");
    static constexpr QLatin1String measured = reportkeys::key("measured");
    static constexpr QLatin1String value = reportkeys::key("value");
    static constexpr QLatin1String limit = reportkeys::key("limit");

    // The stored tester configuration.
    static constexpr QLatin1String sincosMode = reportkeys::key("sincos_mode");
    static constexpr QLatin1String encoderPower = reportkeys::key("encoder_power");
    static constexpr QLatin1String sincosEquivalentNm = reportkeys::key("sincos_equivalent_nm");
    static constexpr QLatin1String zComparisonValue = reportkeys::key("z_comparison_value");
    static constexpr QLatin1String adcGain = reportkeys::key("adc_gain");
    static constexpr QLatin1String squareWaveFilter = reportkeys::key("square_wave_filter");
    static constexpr QLatin1String squareWaveEquivalentNm =
        reportkeys::key("square_wave_equivalent_nm");
    static constexpr QLatin1String accuracy = reportkeys::key("accuracy");
    static constexpr QLatin1String filterLevel = reportkeys::key("filter_level");

    // The stored verdicts.
    static constexpr QLatin1String verdictPass = reportkeys::key("pass");
    static constexpr QLatin1String verdictFail = reportkeys::key("fail");
    static constexpr QLatin1String verdictAborted = reportkeys::key("aborted");

    // A figure's name: its keys from the top of the report, joined by dots
    // ("signal.quality_pct", "latch.sincos.spread").
    static QString path(std::initializer_list<QLatin1String> keys);
};
