// Fuzz target for tolerance profiles: a profile either is refused with a
// message or gives finite limits in order, and missing figures never pass.
#include "ToleranceProfile.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>

// Qt 5.15's JSON parser leaks the replaced value of a duplicate key that
// held an object ({"":{"":1},"":5}); the profile code owns no heap memory.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QString error;
    const auto limits = ToleranceProfile::parse(bytes, &error);
    if (!limits) {
        if (error.isEmpty())
            __builtin_trap(); // refused without saying why
        return 0;
    }
    const std::optional<double> all[] = {
        limits->quality_pct_min,     limits->quality_pct_max,         limits->offset_sin_pct_max,
        limits->offset_cos_pct_max,  limits->amplitude_ratio_min,     limits->amplitude_ratio_max,
        limits->phase_deviation_deg_max, limits->interpolation_error_pct_max,
        limits->spread_max_periods,  limits->current_ma_min,          limits->current_ma_max};
    bool any = false;
    for (const auto& limit : all)
        if (limit) {
            any = true;
            if (!std::isfinite(*limit))
                __builtin_trap();
        }
    if (limits->current_ma_min && limits->current_ma_max && *limits->current_ma_min > *limits->current_ma_max)
        __builtin_trap();
    const auto verdict = ToleranceProfile::evaluate(*limits, ToleranceProfile::Measurements{});
    if (verdict.pass == any)
        __builtin_trap(); // nothing measured: pass only without limits
    return 0;
}
