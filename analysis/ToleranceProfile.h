#pragma once

#include "LatchStatistics.h"
#include "LissajousFit.h"
#include "TravelSurvey.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <optional>

// Limits of a production-line test, read from JSON:
//   { "signal": { "quality_pct_min": 40, ... }, "latch": { "spread_max_periods": 1 },
//     "current_ma": { "min": 50, "max": 250 }, "lines": { "missing_max": 0 },
//     "test": { "duration_s": 3, "power_on": true } }
// Every key is optional; an unknown key or a value of the wrong type is an
// error, so a typo cannot switch a limit off unnoticed. "test" says how a
// production station runs the test: how long it records (above 0, at most
// an hour; default 3 s) and whether it switches the encoder supply on
// (default true), and how often a unit may be retested (retests_max, a
// whole number; default: no limit).
// "travel", "rotary" and "speed" judge the signal along the travel, over a
// revolution and over speed (TravelSurvey): "travel.bin_periods" and
// "rotary.counts_per_revolution" (signal periods a revolution) are settings
// above 0, not limits.
class ToleranceProfile
{
    Q_DECLARE_TR_FUNCTIONS(ToleranceProfile)

public:
    struct Limits
    {
        std::optional<double> quality_pct_min, quality_pct_max;
        std::optional<double> offset_sin_pct_max, offset_cos_pct_max; // absolute values
        std::optional<double> amplitude_ratio_min, amplitude_ratio_max;
        std::optional<double> phase_deviation_deg_max;                // absolute value
        std::optional<double> interpolation_error_pct_max;
        // Per channel with intervals, in its own units (periods for
        // sine/cosine, counts for square wave).
        std::optional<double> spread_max_periods;
        std::optional<double> current_ma_min, current_ma_max;
        // How many of the A, B and Z lines may be seen missing (broken) at
        // any reply of the test: 0 for a unit that may ship.
        std::optional<double> lines_missing_max;
        // Along the travel: per-bin worst figures and the amplitude variation.
        std::optional<double> travel_amplitude_variation_pct_max;
        std::optional<double> travel_bin_periods; // setting: bin size in signal periods
        std::optional<double> travel_worst_offset_pct_max;
        std::optional<double> travel_worst_phase_deviation_deg_max;
        std::optional<double> travel_worst_amplitude_ratio_min, travel_worst_amplitude_ratio_max;
        std::optional<double> rotary_counts_per_revolution; // setting: signal periods a revolution
        std::optional<double> rotary_eccentricity_pct_max;
        // Within the signal limits up to this signal frequency.
        std::optional<double> speed_min_frequency_hz;
        std::optional<double> latch_direction_difference_max_periods;
        double test_duration_s = 3.0;
        bool test_power_on = true;
        // How many times a unit may be tested again after its first judged
        // test; none: any number.
        std::optional<int> test_retests_max;
    };

    // What a recording measured.
    struct Measurements
    {
        LissajousFit::Result signal;
        LatchStatistics::Result sinCosLatch;
        LatchStatistics::Result squareLatch;
        bool haveCurrent = false;
        double currentMinMa = 0.0;
        double currentMaxMa = 0.0;
        bool haveLines = false;    // a reply carried the line states
        unsigned linesMissing = 0; // bits 0-2: A, B, Z seen missing at least once
        TravelSurvey::Result travel; // along the travel, over speed, marks by direction
    };

    struct Item
    {
        QString name;     // e.g. "signal.quality_pct_min"
        double value = 0.0; // the measured figure (absolute where the limit is)
        double limit = 0.0;
        bool isMax = false;    // the limit is a maximum (else a minimum)
        bool measured = false; // false: the figure is missing, the item fails
        bool pass = false;
    };

    struct Verdict
    {
        bool pass = true;
        QVector<Item> items;
    };

    // Parses a profile; on error returns nothing and sets `error`.
    static std::optional<Limits> parse(const QByteArray& json, QString* error);
    // At most kMaxFileBytes from a regular file; `bytes`, if given, gets
    // the text the limits were read from (to store or hash exactly that).
    static constexpr qint64 kMaxFileBytes = 1 << 20;
    static std::optional<Limits> load(const QString& path, QString* error,
                                      QByteArray* bytes = nullptr);

    // How many lines a mask of missing ones names.
    static int missingLines(unsigned mask);

    // One item per limit set; a figure that is missing fails its item.
    static Verdict evaluate(const Limits& limits, const Measurements& measured);

    // What the travel analyses take from a profile (bin size, revolution,
    // the amplitude the speed bands must keep).
    static TravelSurvey::Settings travelSettings(const Limits& limits, double equivalentNm);

private:
    template <typename Add>
    static void evaluateTravel(const Limits& limits, const TravelSurvey::Result& survey, Add&& add);
};
