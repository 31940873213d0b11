#include "ConfigEdit.h"

void ConfigEdit::applyTo(ConfigRecord& record) const
{
    record.sinCosMode = sinCosMode;
    record.sinCosEquivalent = sinCosEquivalent;
    record.zComparisonValue = zComparisonValue;
    record.adcGain = adcGain;
    if (squareWaveFilter)
        record.squareWaveFilter = *squareWaveFilter;
    record.squareWaveEquivalent = squareWaveEquivalent;
    if (accuracy)
        record.accuracy = *accuracy;
    if (filterLevel)
        record.filterLevel = *filterLevel;
}
