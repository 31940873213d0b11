#include "LiveValues.h"

namespace {

// Word `index` (0..3) of a 64-bit field spread over four registers.
void applyWord(qint64& field, int index, quint16 value)
{
    if (index == 0) {
        field = qint64(value);
        return;
    }
    const quint64 bits = quint64(value) << (16 * index);
    field = qint64(quint64(field) | bits);
}

bool applyWide(qint64& field, quint16 base, quint16 address, quint16 value)
{
    if (address < base || address > base + 3)
        return false;
    applyWord(field, address - base, value);
    return true;
}

} // namespace

void LiveValues::applyEntry(quint16 address, quint16 value)
{
    if (applyWide(sinCosPosition, 0x1000, address, value) ||
        applyWide(sinCosLatchPosition, 0x1008, address, value) ||
        applyWide(squarePosition, 0x2000, address, value) ||
        applyWide(squareLatchPosition, 0x2008, address, value))
        return;

    switch (address) {
    case 0x100C:
        sinCosLatchCount = qint64(value);
        break;
    case 0x1100:
        sinSample = value;
        break;
    case 0x1101:
        cosSample = value;
        break;
    case 0x200C:
        squareLatchCount = qint64(value);
        break;
    case 0x200D:
        phaseCheckCount = value;
        break;
    case 0x2010:
        levelStates = value;
        break;
    case 0x2014:
        lineStates = value;
        break;
    case 0x5010:
        encoderCurrent = value;
        break;
    default:
        break;
    }
}
