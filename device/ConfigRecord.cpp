#include "ConfigRecord.h"

namespace {

bool applyWide(quint32& field, quint16 base, quint16 address, quint8 value)
{
    if (address < base || address > base + 3)
        return false;
    const int index = address - base;
    if (index == 0)
        field = value;
    else
        field |= quint32(value) << (8 * index);
    return true;
}

} // namespace

void ConfigRecord::applyEepromByte(quint16 address, quint8 value)
{
    if (applyWide(sinCosEquivalent, 0x20, address, value) ||
        applyWide(zComparisonValue, 0x28, address, value) ||
        applyWide(squareWaveEquivalent, 0x44, address, value))
        return;

    switch (address) {
    case 0x10:
        sinCosMode = value;
        break;
    case 0x14:
        encoderPower = value;
        break;
    case 0x30:
        adcGain = value;
        break;
    case 0x40:
        squareWaveFilter = value;
        break;
    case 0x50:
        accuracy = value == 0xFF ? 6 : value;
        break;
    case 0x51:
        filterLevel = value == 0xFF ? 0 : value;
        break;
    default:
        break;
    }
}

bool operator==(const ConfigRecord& a, const ConfigRecord& b)
{
    return a.sinCosMode == b.sinCosMode && a.encoderPower == b.encoderPower &&
           a.sinCosEquivalent == b.sinCosEquivalent && a.zComparisonValue == b.zComparisonValue &&
           a.adcGain == b.adcGain && a.squareWaveFilter == b.squareWaveFilter &&
           a.squareWaveEquivalent == b.squareWaveEquivalent && a.accuracy == b.accuracy &&
           a.filterLevel == b.filterLevel;
}
