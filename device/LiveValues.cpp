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
    if (applyWide(sinCosPosition, LiveRegister::kSinCosPosition, address, value) ||
        applyWide(sinCosLatchPosition, LiveRegister::kSinCosLatchPosition, address, value) ||
        applyWide(squarePosition, LiveRegister::kSquarePosition, address, value) ||
        applyWide(squareLatchPosition, LiveRegister::kSquareLatchPosition, address, value))
        return;

    switch (address) {
    case LiveRegister::kSinCosLatchCount:
        sinCosLatchCount = qint64(value);
        break;
    case LiveRegister::kSinSample:
        sinSample = value;
        break;
    case LiveRegister::kCosSample:
        cosSample = value;
        break;
    case LiveRegister::kSquareLatchCount:
        squareLatchCount = qint64(value);
        break;
    case LiveRegister::kPhaseCheckCount:
        phaseCheckCount = value;
        break;
    case LiveRegister::kLevelStates:
        levelStates = value;
        break;
    case LiveRegister::kLineStates:
        lineStates = value;
        break;
    case LiveRegister::kEncoderCurrent:
        encoderCurrent = value;
        break;
    default:
        break;
    }
}
