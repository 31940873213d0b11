#include "TravelSurvey.h"

TravelSurvey::Result TravelSurvey::analyse(const std::vector<TravelSample>& samples,
                                           const Settings& settings)
{
    Result r;
    r.samples = samples.size();
    if (!samples.empty()) {
        r.firstMs = samples.front().ms;
        r.lastMs = samples.back().ms;
    }
    r.travel = TravelBins::analyse(samples, settings.binPeriods, settings.equivalentNm);
    if (settings.periodsPerRevolution)
        r.rotary = RotaryHarmonics::analyse(samples, *settings.periodsPerRevolution,
                                            r.travel.binPeriods, settings.equivalentNm);
    else
        r.rotary.reason = RotaryHarmonics::tr("not a rotary encoder (no periods per revolution)");
    r.speed = SpeedBands::analyse(samples, settings.amplitudeMinPct, settings.equivalentNm);
    r.reference = ReferenceDirections::analyse(samples);
    return r;
}
