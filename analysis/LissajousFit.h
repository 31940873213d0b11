#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstddef>

// One analogue sample pair as the tester reports it (mid-scale 512).
struct SinCosPair
{
    int sin = 512;
    int cos = 512;
};

// Fits the Lissajous figure of a window of sample pairs with an ellipse and
// derives the classic faults of an incremental encoder's analogue signals.
// Model, with θ the true position within one signal period:
//     sin = 512 + Os + As·sin θ
//     cos = 512 + Oc + Ac·cos(θ + φ)
// φ is the departure from quadrature: positive when the cosine channel leads
// the sine channel by more than 90°.
class LissajousFit
{
    Q_DECLARE_TR_FUNCTIONS(LissajousFit)

public:
    static constexpr std::size_t kMinSamples = 64;
    static constexpr double kMinCoverageDeg = 270.0;

    struct Result
    {
        bool valid = false; // false: no figures, `reason` says why
        QString reason;

        double offset_sin_pct = 0.0;    // Os in % of 512
        double offset_cos_pct = 0.0;    // Oc in % of 512
        double amplitude_sin_pct = 0.0; // As in % of 512
        double amplitude_cos_pct = 0.0; // Ac in % of 512
        double amplitude_ratio = 0.0;   // Ac / As
        double phase_deviation_deg = 0.0; // φ, signed
        double quality_pct = 0.0;       // (As + Ac) / 2 in % of 512, the gauge's scale
        // Half the peak-to-peak error of atan2 of the raw signals against θ,
        // in % of one period and in µm at the given equivalent.
        double interpolation_error_pct = 0.0;
        double interpolation_error_um = 0.0;

        // Reported whenever they are known, also without figures.
        std::size_t samples = 0;
        double coverage_deg = 0.0; // 360° minus the largest gap in θ
    };

    // `equivalentNm`: nanometres per signal period, for the error in µm.
    static Result fit(const SinCosPair* pairs, std::size_t count, double equivalentNm);
};
