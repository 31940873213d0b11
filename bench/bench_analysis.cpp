// Signal fit figures: median time of one Lissajous fit over a window of
// 10 000 sample pairs (goal: at most 1 ms). Prints figures; asserts nothing.
#include "LissajousFit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

int main()
{
    constexpr std::size_t kPairs = 10000;
    constexpr int kRounds = 301;
    constexpr double kPi = 3.14159265358979323846;

    // A slightly imperfect encoder with noise, rounded to 10 bits.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> position(0.0, 2.0 * kPi);
    std::normal_distribution<double> noise(0.0, 1.5);
    std::vector<SinCosPair> pairs;
    pairs.reserve(kPairs);
    for (std::size_t i = 0; i < kPairs; ++i) {
        const double t = position(rng);
        const double s = 512.0 + 12.0 + 280.0 * std::sin(t) + noise(rng);
        const double c = 512.0 - 7.0 + 300.0 * std::cos(t + 2.0 * kPi / 180.0) + noise(rng);
        pairs.push_back({std::clamp(int(std::lround(s)), 0, 1023),
                         std::clamp(int(std::lround(c)), 0, 1023)});
    }

    std::vector<double> times;
    LissajousFit::Result result;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        result = LissajousFit::fit(pairs.data(), pairs.size(), 20000.0);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("Lissajous fit, %zu pairs: median %.3f ms, min %.3f ms, max %.3f ms over %d rounds "
                "(goal <= 1 ms)\n",
                kPairs, times[times.size() / 2], times.front(), times.back(), kRounds);
    std::printf("  fit: valid %d, offsets %.2f %% / %.2f %%, ratio %.4f, phase %.2f deg, "
                "quality %.2f %%, interpolation error %.3f %% (%.4f um)\n",
                int(result.valid), result.offset_sin_pct, result.offset_cos_pct,
                result.amplitude_ratio, result.phase_deviation_deg, result.quality_pct,
                result.interpolation_error_pct, result.interpolation_error_um);
    return 0;
}
