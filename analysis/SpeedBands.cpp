#include "SpeedBands.h"

#include "BinnedFits.h"

#include <algorithm>
#include <cmath>

namespace {
// The shortest time over which a sample's frequency is taken: over a few
// milliseconds the jitter of the reply times would dominate.
constexpr double kMinSpanMs = 50.0;
} // namespace

int SpeedBands::bandOf(double hz)
{
    if (!(hz >= 1.0))
        return 0;
    return 1 + int(std::floor(std::log10(hz) * kBandsPerDecade + 1e-9));
}

double SpeedBands::bandFrom(int band)
{
    return band <= 0 ? 0.0 : std::pow(10.0, double(band - 1) / kBandsPerDecade);
}

std::vector<double> SpeedBands::frequencies(const std::vector<TravelSample>& samples)
{
    std::vector<double> hz(samples.size(), -1.0);
    const std::size_t n = samples.size();
    for (std::size_t i = 0; i < n; ++i) {
        // Neighbours at least kMinSpanMs apart.
        std::size_t a = i > 0 ? i - 1 : i, b = i + 1 < n ? i + 1 : i;
        while (samples[b].ms - samples[a].ms < kMinSpanMs && (a > 0 || b + 1 < n)) {
            if (a > 0)
                --a;
            if (b + 1 < n)
                ++b;
        }
        const double seconds = (samples[b].ms - samples[a].ms) / 1000.0;
        if (a == b || !(seconds > 0.0))
            continue;
        hz[i] = std::fabs(double(samples[b].position - samples[a].position)) / 512.0 / seconds;
    }
    return hz;
}

SpeedBands::Result SpeedBands::analyse(const std::vector<TravelSample>& samples,
                                       std::optional<double> thresholdPct, double equivalentNm)
{
    Result r;
    const std::vector<double> hz = frequencies(samples);
    std::vector<BinnedFits::KeyedPair> keyed;
    keyed.reserve(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (hz[i] >= 0.0) {
            keyed.push_back({bandOf(hz[i]), SinCosPair{samples[i].sin, samples[i].cos}});
            r.maxFrequencyHz = std::max(r.maxFrequencyHz, hz[i]);
        }
    for (const BinnedFits::Group& group : BinnedFits::fit(keyed, equivalentNm)) {
        Band band;
        band.index = int(group.key);
        band.fromHz = bandFrom(band.index);
        band.toHz = bandFrom(band.index + 1);
        band.minHz = band.toHz;
        band.fit = group.fit;
        r.bands.append(band);
    }
    // The pairs' own range in each band.
    for (double f : hz) {
        if (f < 0.0)
            continue;
        const int index = bandOf(f);
        const auto band = std::lower_bound(r.bands.begin(), r.bands.end(), index,
                                           [](const Band& b, int i) { return b.index < i; });
        band->minHz = std::min(band->minHz, f);
        band->maxHz = std::max(band->maxHz, f);
    }
    const Band* slowest = nullptr;
    for (const Band& band : r.bands)
        if (band.fit.valid) {
            ++r.bandsMeasured;
            if (!slowest)
                slowest = &band;
            r.maxMeasuredHz = band.maxHz;
            r.amplitudeAtMaxPct = band.fit.quality_pct;
        }
    if (!slowest) {
        r.reason = samples.empty() ? tr("no sample pairs recorded")
                                   : tr("no frequency band holds enough pairs for a fit");
        return r;
    }
    r.thresholdFromProfile = thresholdPct.has_value();
    r.thresholdPct = thresholdPct ? *thresholdPct : slowest->fit.quality_pct * kDefaultThresholdRatio;
    for (const Band& band : r.bands) {
        if (!band.fit.valid)
            continue;
        if (band.fit.quality_pct < r.thresholdPct) {
            r.dropSeen = true;
            r.dropBandFromHz = band.fromHz;
            break;
        }
        r.withinLimitHz = band.maxHz;
    }
    r.valid = true;
    return r;
}
