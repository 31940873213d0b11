#include "ToleranceProfile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

struct Key
{
    const char* name;
    std::optional<double> ToleranceProfile::Limits::*field;
};

using L = ToleranceProfile::Limits;

const Key kSignalKeys[] = {
    {"quality_pct_min", &L::quality_pct_min},
    {"quality_pct_max", &L::quality_pct_max},
    {"offset_sin_pct_max", &L::offset_sin_pct_max},
    {"offset_cos_pct_max", &L::offset_cos_pct_max},
    {"amplitude_ratio_min", &L::amplitude_ratio_min},
    {"amplitude_ratio_max", &L::amplitude_ratio_max},
    {"phase_deviation_deg_max", &L::phase_deviation_deg_max},
    {"interpolation_error_pct_max", &L::interpolation_error_pct_max},
};
const Key kLatchKeys[] = {{"spread_max_periods", &L::spread_max_periods},
                          {"direction_difference_max_periods", &L::latch_direction_difference_max_periods}};
const Key kTravelKeys[] = {
    {"amplitude_variation_pct_max", &L::travel_amplitude_variation_pct_max},
    {"bin_periods", &L::travel_bin_periods},
    {"worst_offset_pct_max", &L::travel_worst_offset_pct_max},
    {"worst_phase_deviation_deg_max", &L::travel_worst_phase_deviation_deg_max},
    {"worst_amplitude_ratio_min", &L::travel_worst_amplitude_ratio_min},
    {"worst_amplitude_ratio_max", &L::travel_worst_amplitude_ratio_max},
};
const Key kRotaryKeys[] = {{"counts_per_revolution", &L::rotary_counts_per_revolution},
                           {"eccentricity_pct_max", &L::rotary_eccentricity_pct_max}};
const Key kSpeedKeys[] = {{"min_frequency_hz", &L::speed_min_frequency_hz}};
const Key kCurrentKeys[] = {{"min", &L::current_ma_min}, {"max", &L::current_ma_max}};
const Key kLinesKeys[] = {{"missing_max", &L::lines_missing_max}};

// The section's object (empty when it is left out); false when it is not an object.
bool sectionObject(const QJsonObject& root, const QString& section, QJsonObject* object,
                   QString* error)
{
    const QJsonValue value = root.value(section);
    if (!value.isUndefined() && !value.isObject()) {
        *error = ToleranceProfile::tr("\"%1\" must be an object").arg(section);
        return false;
    }
    *object = value.toObject();
    return true;
}

template <std::size_t N>
bool readSection(const QJsonObject& root, const QString& section, const Key (&keys)[N],
                 ToleranceProfile::Limits& limits, QString* error)
{
    QJsonObject object;
    if (!sectionObject(root, section, &object, error))
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const Key* key = nullptr;
        for (const Key& k : keys)
            if (it.key() == QLatin1String(k.name))
                key = &k;
        const QString path = section + QLatin1Char('.') + it.key();
        if (!key) {
            *error = ToleranceProfile::tr("unknown key \"%1\"").arg(path);
            return false;
        }
        if (!it.value().isDouble() || !std::isfinite(it.value().toDouble())) {
            *error = ToleranceProfile::tr("\"%1\" must be a number").arg(path);
            return false;
        }
        limits.*(key->field) = it.value().toDouble();
    }
    return true;
}

bool readTestSection(const QJsonObject& root, ToleranceProfile::Limits& limits, QString* error)
{
    QJsonObject object;
    if (!sectionObject(root, QStringLiteral("test"), &object, error))
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString path = QStringLiteral("test.") + it.key();
        if (it.key() == QLatin1String("duration_s")) {
            const double seconds = it.value().toDouble(-1.0);
            if (!it.value().isDouble() || !(seconds > 0.0 && seconds <= 3600.0)) {
                *error = ToleranceProfile::tr("\"%1\" must be a number of seconds above 0, at most 3600")
                             .arg(path);
                return false;
            }
            limits.test_duration_s = seconds;
        } else if (it.key() == QLatin1String("power_on")) {
            if (!it.value().isBool()) {
                *error = ToleranceProfile::tr("\"%1\" must be true or false").arg(path);
                return false;
            }
            limits.test_power_on = it.value().toBool();
        } else if (it.key() == QLatin1String("retests_max")) {
            const double count = it.value().toDouble(-1.0);
            if (!it.value().isDouble() || count < 0.0 || count > 1000.0 ||
                count != std::floor(count)) {
                *error = ToleranceProfile::tr("\"%1\" must be a whole number from 0 to 1000")
                             .arg(path);
                return false;
            }
            limits.test_retests_max = int(count);
        } else {
            *error = ToleranceProfile::tr("unknown key \"%1\"").arg(path);
            return false;
        }
    }
    return true;
}

// A setting that sizes the analysis: above 0 and at most `max`.
bool positiveSetting(const std::optional<double>& value, double max, const QString& name,
                     QString* error)
{
    if (value && !(*value > 0.0 && *value <= max)) {
        *error = ToleranceProfile::tr("\"%1\" must be above 0, at most %2").arg(name).arg(max);
        return false;
    }
    return true;
}

bool ordered(const std::optional<double>& min, const std::optional<double>& max,
             const QString& name, QString* error)
{
    if (min && max && *min > *max) {
        *error = ToleranceProfile::tr("%1: the minimum is above the maximum").arg(name);
        return false;
    }
    return true;
}

} // namespace

std::optional<ToleranceProfile::Limits> ToleranceProfile::parse(const QByteArray& json,
                                                                 QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = tr("not valid JSON at offset %1: %2")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = tr("the profile must be a JSON object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QString sections[] = {QStringLiteral("signal"), QStringLiteral("latch"),
                                QStringLiteral("current_ma"), QStringLiteral("lines"),
                                QStringLiteral("test"),   QStringLiteral("travel"),
                                QStringLiteral("rotary"), QStringLiteral("speed")};
    for (auto it = root.begin(); it != root.end(); ++it)
        if (std::find(std::begin(sections), std::end(sections), it.key()) == std::end(sections)) {
            *error = tr("unknown key \"%1\"").arg(it.key());
            return std::nullopt;
        }
    Limits limits;
    if (!readSection(root, sections[0], kSignalKeys, limits, error) ||
        !readSection(root, sections[1], kLatchKeys, limits, error) ||
        !readSection(root, sections[2], kCurrentKeys, limits, error) ||
        !readSection(root, sections[3], kLinesKeys, limits, error) ||
        !readTestSection(root, limits, error) ||
        !readSection(root, sections[5], kTravelKeys, limits, error) ||
        !readSection(root, sections[6], kRotaryKeys, limits, error) ||
        !readSection(root, sections[7], kSpeedKeys, limits, error))
        return std::nullopt;
    if (!positiveSetting(limits.travel_bin_periods, 1e6, QStringLiteral("travel.bin_periods"), error) ||
        !positiveSetting(limits.rotary_counts_per_revolution, 1e9,
                         QStringLiteral("rotary.counts_per_revolution"), error))
        return std::nullopt;
    if (!ordered(limits.quality_pct_min, limits.quality_pct_max, QStringLiteral("signal.quality_pct"), error) ||
        !ordered(limits.amplitude_ratio_min, limits.amplitude_ratio_max,
                 QStringLiteral("signal.amplitude_ratio"), error) ||
        !ordered(limits.current_ma_min, limits.current_ma_max, QStringLiteral("current_ma"), error) ||
        !ordered(limits.travel_worst_amplitude_ratio_min, limits.travel_worst_amplitude_ratio_max,
                 QStringLiteral("travel.worst_amplitude_ratio"), error))
        return std::nullopt;
    return limits;
}

std::optional<ToleranceProfile::Limits> ToleranceProfile::load(const QString& path, QString* error,
                                                                QByteArray* bytes)
{
    QString ignored;
    if (!error)
        error = &ignored;
    // A profile is a small regular file: a device, a pipe or something huge
    // (/dev/zero, a wrong path) is refused before it is read whole.
    if (!QFileInfo(path).isFile()) {
        *error = tr("%1 is not a regular file").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray text = file.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes) {
        *error = tr("%1 is larger than 1 MiB").arg(path);
        return std::nullopt;
    }
    const auto limits = parse(text, error);
    if (!limits)
        *error = path + QStringLiteral(": ") + *error;
    else if (bytes)
        *bytes = text;
    return limits;
}

int ToleranceProfile::missingLines(unsigned mask)
{
    return int(mask & 1u) + int((mask >> 1) & 1u) + int((mask >> 2) & 1u);
}

ToleranceProfile::Verdict ToleranceProfile::evaluate(const Limits& limits,
                                                     const Measurements& measured)
{
    Verdict verdict;
    auto add = [&verdict](const QString& name, bool have, double value, double limit,
                          bool isMax) {
        Item item;
        item.name = name;
        item.value = value;
        item.limit = limit;
        item.isMax = isMax;
        item.measured = have;
        item.pass = have && (isMax ? value <= limit : value >= limit);
        verdict.pass = verdict.pass && item.pass;
        verdict.items.append(item);
    };

    const LissajousFit::Result& s = measured.signal;
    const bool fit = s.valid;
    auto signal = [&](const std::optional<double>& limit, const char* key, double value, bool isMax) {
        if (limit)
            add(QStringLiteral("signal.") + QLatin1String(key), fit, value, *limit, isMax);
    };
    signal(limits.quality_pct_min, "quality_pct_min", s.quality_pct, false);
    signal(limits.quality_pct_max, "quality_pct_max", s.quality_pct, true);
    signal(limits.offset_sin_pct_max, "offset_sin_pct_max", std::fabs(s.offset_sin_pct), true);
    signal(limits.offset_cos_pct_max, "offset_cos_pct_max", std::fabs(s.offset_cos_pct), true);
    signal(limits.amplitude_ratio_min, "amplitude_ratio_min", s.amplitude_ratio, false);
    signal(limits.amplitude_ratio_max, "amplitude_ratio_max", s.amplitude_ratio, true);
    signal(limits.phase_deviation_deg_max, "phase_deviation_deg_max",
           std::fabs(s.phase_deviation_deg), true);
    signal(limits.interpolation_error_pct_max, "interpolation_error_pct_max",
           s.interpolation_error_pct, true);

    if (limits.spread_max_periods) {
        // Each channel that saw intervals; none at all fails the item.
        const std::pair<const char*, const LatchStatistics::Result*> channels[] = {
            {"latch.sincos.spread_max_periods", &measured.sinCosLatch},
            {"latch.square.spread_max_periods", &measured.squareLatch}};
        bool any = false;
        for (const auto& [name, result] : channels)
            if (result->valid) {
                any = true;
                add(QLatin1String(name), true, result->spread, *limits.spread_max_periods, true);
            }
        if (!any)
            add(QStringLiteral("latch.spread_max_periods"), false, 0.0,
                *limits.spread_max_periods, true);
    }

    if (limits.current_ma_min)
        add(QStringLiteral("current_ma.min"), measured.haveCurrent, measured.currentMinMa,
            *limits.current_ma_min, false);
    if (limits.current_ma_max)
        add(QStringLiteral("current_ma.max"), measured.haveCurrent, measured.currentMaxMa,
            *limits.current_ma_max, true);
    if (limits.lines_missing_max)
        add(QStringLiteral("lines.missing_max"), measured.haveLines,
            double(missingLines(measured.linesMissing)), *limits.lines_missing_max, true);
    evaluateTravel(limits, measured.travel, add);
    return verdict;
}

template <typename Add>
void ToleranceProfile::evaluateTravel(const Limits& limits, const TravelSurvey::Result& survey, Add&& add)
{
    const TravelBins::Result& t = survey.travel;
    auto travel = [&](const std::optional<double>& limit, const char* key, const TravelBins::Worst& worst,
                      double value, bool isMax) {
        if (limit)
            add(QStringLiteral("travel.") + QLatin1String(key), t.valid && worst.found, value, *limit, isMax);
    };
    travel(limits.travel_amplitude_variation_pct_max, "amplitude_variation_pct_max", t.amplitudeMin,
           t.amplitudeVariationPct, true);
    travel(limits.travel_worst_offset_pct_max, "worst_offset_pct_max", t.offset, t.offset.value, true);
    travel(limits.travel_worst_phase_deviation_deg_max, "worst_phase_deviation_deg_max", t.phase,
           t.phase.value, true);
    travel(limits.travel_worst_amplitude_ratio_min, "worst_amplitude_ratio_min", t.ratioMin,
           t.ratioMin.value, false);
    travel(limits.travel_worst_amplitude_ratio_max, "worst_amplitude_ratio_max", t.ratioMax,
           t.ratioMax.value, true);
    if (limits.rotary_eccentricity_pct_max)
        add(QStringLiteral("rotary.eccentricity_pct_max"), survey.rotary.valid,
            survey.rotary.eccentricityPct(), *limits.rotary_eccentricity_pct_max, true);
    if (limits.speed_min_frequency_hz) {
        // Known when the amplitude was seen to drop, or the recording reached
        // the frequency without a drop; a slower recording has not seen it.
        const SpeedBands::Result& s = survey.speed;
        const bool known = s.valid && (s.dropSeen || s.maxMeasuredHz >= *limits.speed_min_frequency_hz);
        add(QStringLiteral("speed.min_frequency_hz"), known, s.withinLimitHz,
            *limits.speed_min_frequency_hz, false);
    }
    if (limits.latch_direction_difference_max_periods)
        add(QStringLiteral("latch.direction_difference_max_periods"), survey.reference.valid,
            survey.reference.maxDifferencePeriods, *limits.latch_direction_difference_max_periods, true);
}

TravelSurvey::Settings ToleranceProfile::travelSettings(const Limits& limits, double equivalentNm)
{
    TravelSurvey::Settings settings;
    settings.equivalentNm = equivalentNm;
    settings.binPeriods = limits.travel_bin_periods.value_or(0.0);
    settings.periodsPerRevolution = limits.rotary_counts_per_revolution;
    settings.amplitudeMinPct = limits.quality_pct_min;
    return settings;
}
