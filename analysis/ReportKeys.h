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
// recorder's report JSON (RecordingReport and TravelReport write them,
// ResultFigures reads its figure columns by them), the keys of the stored
// tester configuration and the stored verdicts. Stored results, the CSV's columns and peers rely
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

    // "travel": the signal along the travel, bin by bin. A worst bin's
    // figure is followed by its place (placed(): "worst_offset_pct_at_mm").
    static constexpr QLatin1String travel = reportkeys::key("travel");
    static constexpr QLatin1String binPeriods = reportkeys::key("bin_periods");
    static constexpr QLatin1String binMm = reportkeys::key("bin_mm");
    static constexpr QLatin1String travelMm = reportkeys::key("travel_mm");
    static constexpr QLatin1String binsSpanned = reportkeys::key("bins_spanned");
    static constexpr QLatin1String binsMeasured = reportkeys::key("bins_measured");
    static constexpr QLatin1String amplitudeMeanPct = reportkeys::key("amplitude_mean_pct");
    static constexpr QLatin1String amplitudeVariationPct =
        reportkeys::key("amplitude_variation_pct");
    static constexpr QLatin1String amplitudeMinPct = reportkeys::key("amplitude_min_pct");
    static constexpr QLatin1String amplitudeMaxPct = reportkeys::key("amplitude_max_pct");
    static constexpr QLatin1String worstOffsetPct = reportkeys::key("worst_offset_pct");
    static constexpr QLatin1String worstPhaseDeviationDeg =
        reportkeys::key("worst_phase_deviation_deg");
    static constexpr QLatin1String worstAmplitudeRatioMin =
        reportkeys::key("worst_amplitude_ratio_min");
    static constexpr QLatin1String worstAmplitudeRatioMax =
        reportkeys::key("worst_amplitude_ratio_max");
    static constexpr QLatin1String worstInterpolationErrorPct =
        reportkeys::key("worst_interpolation_error_pct");
    static constexpr QLatin1String atMm = reportkeys::key("at_mm");
    // Each measured bin: a fit's figures (as in "signal"), its pairs and place.
    static constexpr QLatin1String bins = reportkeys::key("bins");
    static constexpr QLatin1String binsEvery = reportkeys::key("bins_every");
    static constexpr QLatin1String pairs = reportkeys::key("pairs");

    // "rotary": the harmonics over a revolution.
    static constexpr QLatin1String rotary = reportkeys::key("rotary");
    static constexpr QLatin1String periodsPerRevolution = reportkeys::key("periods_per_revolution");
    static constexpr QLatin1String eccentricityPct = reportkeys::key("eccentricity_pct");
    static constexpr QLatin1String eccentricityAngleDeg = reportkeys::key("eccentricity_angle_deg");
    static constexpr QLatin1String ovalityPct = reportkeys::key("ovality_pct");
    static constexpr QLatin1String amplitudeHarmonics = reportkeys::key("amplitude_harmonics");
    static constexpr QLatin1String phaseHarmonics = reportkeys::key("phase_harmonics");
    static constexpr QLatin1String order = reportkeys::key("order");
    static constexpr QLatin1String pct = reportkeys::key("pct");
    static constexpr QLatin1String deg = reportkeys::key("deg");
    static constexpr QLatin1String angleDeg = reportkeys::key("angle_deg");

    // "speed": the bands of signal frequency.
    static constexpr QLatin1String speed = reportkeys::key("speed");
    static constexpr QLatin1String maxFrequencyHz = reportkeys::key("max_frequency_hz");
    static constexpr QLatin1String bandsMeasured = reportkeys::key("bands_measured");
    static constexpr QLatin1String maxMeasuredHz = reportkeys::key("max_measured_hz");
    static constexpr QLatin1String thresholdPct = reportkeys::key("threshold_pct");
    static constexpr QLatin1String thresholdFromProfile = reportkeys::key("threshold_from_profile");
    static constexpr QLatin1String withinLimitHz = reportkeys::key("within_limit_hz");
    static constexpr QLatin1String dropSeen = reportkeys::key("drop_seen");
    static constexpr QLatin1String dropFromHz = reportkeys::key("drop_from_hz");
    static constexpr QLatin1String amplitudeAtMaxPct = reportkeys::key("amplitude_at_max_pct");
    static constexpr QLatin1String bands = reportkeys::key("bands");
    static constexpr QLatin1String fromHz = reportkeys::key("from_hz");
    static constexpr QLatin1String toHz = reportkeys::key("to_hz");
    static constexpr QLatin1String minHz = reportkeys::key("min_hz");
    static constexpr QLatin1String maxHz = reportkeys::key("max_hz");

    // "latch"."directions": the reference mark passed each way.
    static constexpr QLatin1String directions = reportkeys::key("directions");
    static constexpr QLatin1String forward = reportkeys::key("forward");
    static constexpr QLatin1String backward = reportkeys::key("backward");
    static constexpr QLatin1String matched = reportkeys::key("matched");
    static constexpr QLatin1String marks = reportkeys::key("marks");
    static constexpr QLatin1String minPeriods = reportkeys::key("min_periods");
    static constexpr QLatin1String meanPeriods = reportkeys::key("mean_periods");
    static constexpr QLatin1String maxPeriods = reportkeys::key("max_periods");
    static constexpr QLatin1String meanDifferencePeriods =
        reportkeys::key("mean_difference_periods");
    static constexpr QLatin1String differencePeriods = reportkeys::key("difference_periods");

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

    // The key of a worst bin's place beside its figure: `key` + "_at_mm".
    static QString placed(QLatin1String key);
};
