#pragma once

#include <QtGlobal>

// The tester's configuration as held in its EEPROM, one byte per address,
// 32-bit fields least significant byte first at the lowest address.
struct ConfigRecord
{
    quint8 sinCosMode = 0;            // 0x10, bit 0: sine/cosine input
    quint8 encoderPower = 0xFF;       // 0x14, 1 on / 0 off / 0xFF not read yet
    quint32 sinCosEquivalent = 0;     // 0x20-0x23, nm per signal period
    quint32 zComparisonValue = 0;     // 0x28-0x2B, R comparison x 1000
    quint8 adcGain = 0;               // 0x30
    quint8 squareWaveFilter = 0;      // 0x40, 0..5
    quint32 squareWaveEquivalent = 0; // 0x44-0x47, nm per count
    quint8 accuracy = 6;              // 0x50, display decimals 1..6
    quint8 filterLevel = 0;           // 0x51, 0 None, 1 MIDDLE, 2 HIGH

    // Stores one EEPROM byte read back from the tester. The lowest byte of a
    // 32-bit field replaces it; the others are ORed in. Erased bytes (0xFF)
    // give accuracy 6 and filter level 0; other addresses are ignored.
    void applyEepromByte(quint16 address, quint8 value);

    bool isSinCosMode() const { return (sinCosMode & 1) != 0; }
};

bool operator==(const ConfigRecord& a, const ConfigRecord& b);
inline bool operator!=(const ConfigRecord& a, const ConfigRecord& b)
{
    return !(a == b);
}
