#include "TravelBins.h"

#include "BinnedFits.h"

#include <algorithm>
#include <cmath>

namespace {

void consider(TravelBins::Worst& worst, double value, double atMm, bool higherIsWorse)
{
    if (!worst.found || (higherIsWorse ? value > worst.value : value < worst.value)) {
        worst.found = true;
        worst.value = value;
        worst.atMm = atMm;
    }
}

void summarise(TravelBins::Result& r)
{
    double sum = 0.0;
    for (const TravelBins::Bin& bin : r.bins) {
        const LissajousFit::Result& f = bin.fit;
        if (!f.valid)
            continue;
        ++r.binsMeasured;
        sum += f.quality_pct;
        consider(r.amplitudeMin, f.quality_pct, bin.centreMm, false);
        consider(r.amplitudeMax, f.quality_pct, bin.centreMm, true);
        consider(r.offset, std::max(std::fabs(f.offset_sin_pct), std::fabs(f.offset_cos_pct)),
                 bin.centreMm, true);
        consider(r.phase, std::fabs(f.phase_deviation_deg), bin.centreMm, true);
        consider(r.ratioMin, f.amplitude_ratio, bin.centreMm, false);
        consider(r.ratioMax, f.amplitude_ratio, bin.centreMm, true);
        consider(r.interpolation, f.interpolation_error_pct, bin.centreMm, true);
    }
    if (r.binsMeasured > 0) {
        r.amplitudeMeanPct = sum / r.binsMeasured;
        if (r.amplitudeMeanPct > 0.0)
            r.amplitudeVariationPct =
                (r.amplitudeMax.value - r.amplitudeMin.value) / r.amplitudeMeanPct * 100.0;
    }
}

} // namespace

double TravelBins::autoBinPeriods(std::size_t pairs, double spanPeriods)
{
    if (pairs == 0 || !(spanPeriods > 0.0))
        return 1.0;
    return std::max(1.0, std::ceil(spanPeriods * kAutoPairsPerBin / double(pairs)));
}

TravelBins::Result TravelBins::analyse(const std::vector<TravelSample>& samples, double binPeriods,
                                       double equivalentNm)
{
    Result r;
    if (samples.empty()) {
        r.reason = tr("no sample pairs recorded");
        return r;
    }
    const auto [lowest, highest] = std::minmax_element(
        samples.begin(), samples.end(),
        [](const TravelSample& a, const TravelSample& b) { return a.position < b.position; });
    r.startPosition = lowest->position;
    const double spanPeriods = double(highest->position - lowest->position) / 512.0;
    r.binPeriods = binPeriods > 0.0 ? binPeriods : autoBinPeriods(samples.size(), spanPeriods);
    const double mmPerPeriod = equivalentNm / 1e6;
    r.binMm = r.binPeriods * mmPerPeriod;
    r.travelMm = spanPeriods * mmPerPeriod;
    const double binCounts = r.binPeriods * 512.0;
    r.binsSpanned = qint64(std::floor(double(highest->position - lowest->position) / binCounts)) + 1;

    std::vector<BinnedFits::KeyedPair> keyed;
    keyed.reserve(samples.size());
    for (const TravelSample& s : samples) {
        const qint64 index = qint64(std::floor(double(s.position - r.startPosition) / binCounts));
        keyed.push_back({index, SinCosPair{s.sin, s.cos}});
    }
    for (const BinnedFits::Group& group : BinnedFits::fit(keyed, equivalentNm))
        r.bins.append({group.key, (double(group.key) + 0.5) * r.binMm, group.fit});
    summarise(r);
    if (r.binsMeasured < 2) {
        r.reason = tr("%1 of %2 bins of %3 periods hold enough pairs for a fit, at least 2 needed")
                       .arg(r.binsMeasured)
                       .arg(r.binsSpanned)
                       .arg(r.binPeriods);
        return r;
    }
    r.valid = true;
    return r;
}
