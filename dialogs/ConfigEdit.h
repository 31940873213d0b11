#pragma once

#include "ConfigRecord.h"

#include <optional>

// The configuration fields a settings write changes: everything but the
// encoder supply. A combo box that shows no item (its value is outside the
// list) leaves its field as the record has it.
struct ConfigEdit
{
    quint8 sinCosMode = 0;
    quint32 sinCosEquivalent = 0;
    quint32 zComparisonValue = 0;
    quint8 adcGain = 0;
    std::optional<quint8> squareWaveFilter;
    quint32 squareWaveEquivalent = 0;
    std::optional<quint8> accuracy;
    std::optional<quint8> filterLevel;

    void applyTo(ConfigRecord& record) const;
};
