#pragma once

#include "LissajousFit.h"
#include "TravelSample.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <array>
#include <vector>

// The signal over one revolution of a rotary encoder: the sample pairs
// grouped by angle (the counted position modulo the signal periods of one
// revolution, 0° at the counted zero), each angle bin fitted on its own, and
// the first three harmonics of the amplitude and of the phase deviation
// over the revolution, by least squares over the measured bins. Once per
// revolution is the eccentricity of the disc, twice its ovality.
class RotaryHarmonics
{
    Q_DECLARE_TR_FUNCTIONS(RotaryHarmonics)

public:
    static constexpr int kHarmonics = 3;
    static constexpr int kMinBins = 12;  // a revolution never has fewer bins
    static constexpr int kMaxBins = 360; // nor more

    // One harmonic, x(θ) = magnitude · cos(k·(θ − angleDeg)) (angleDeg is
    // where it peaks, within 360° / k).
    struct Harmonic
    {
        double magnitude = 0.0;
        double angleDeg = 0.0;
    };

    struct AngleBin
    {
        int index = 0;
        double centreDeg = 0.0;
        LissajousFit::Result fit;
    };

    struct Result
    {
        bool valid = false; // false: `reason` says why
        QString reason;
        double periodsPerRevolution = 0.0;
        int bins = 0;          // angle bins in a revolution
        int binsMeasured = 0;  // of them, with a fit
        QVector<AngleBin> angleBins; // every bin that held a pair
        double amplitudeMeanPct = 0.0;
        // Amplitude harmonics in % of the mean amplitude; phase harmonics in degrees.
        std::array<Harmonic, kHarmonics> amplitude{};
        std::array<Harmonic, kHarmonics> phase{};
        double eccentricityPct() const { return amplitude[0].magnitude; }
        double ovalityPct() const { return amplitude[1].magnitude; }
    };

    // `binPeriods`: the travel's bin size, which sets the number of angle bins
    // (clamped to kMinBins .. kMaxBins).
    static Result analyse(const std::vector<TravelSample>& samples, double periodsPerRevolution,
                          double binPeriods, double equivalentNm);

    // Least squares of x(θ) = c + Σ harmonics over the given points (θ in
    // degrees); false when they do not determine the harmonics.
    static bool fitHarmonics(const QVector<double>& thetaDeg, const QVector<double>& values,
                             double* mean, std::array<Harmonic, kHarmonics>* harmonics);
};
