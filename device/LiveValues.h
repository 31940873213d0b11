#pragma once

#include <QtGlobal>

// Addresses of the live registers; a 64-bit field's is its lowest word.
namespace LiveRegister {
constexpr quint16 kSinCosPosition = 0x1000;
constexpr quint16 kSinCosLatchPosition = 0x1008;
constexpr quint16 kSinCosLatchCount = 0x100C;
constexpr quint16 kSinSample = 0x1100;
constexpr quint16 kCosSample = 0x1101;
constexpr quint16 kSquarePosition = 0x2000;
constexpr quint16 kSquareLatchPosition = 0x2008;
constexpr quint16 kSquareLatchCount = 0x200C;
constexpr quint16 kPhaseCheckCount = 0x200D;
constexpr quint16 kLevelStates = 0x2010;
constexpr quint16 kLineStates = 0x2014;
constexpr quint16 kEncoderCurrent = 0x5010;
} // namespace LiveRegister

// The tester's decoded real-time registers. The worker decodes replies into
// its own copy and publishes whole snapshots (see DeviceLinkState), so a
// reader never sees half of a 64-bit field.
struct LiveValues
{
    qint64 sinCosPosition = 0;      // 0x1000-0x1003, 1/512 signal period
    qint64 sinCosLatchPosition = 0; // 0x1008-0x100B
    qint64 sinCosLatchCount = -1;   // 0x100C; -1 until the first reply
    quint16 sinSample = 0;          // 0x1100, mid-scale 512
    quint16 cosSample = 0;          // 0x1101
    qint64 squarePosition = 0;      // 0x2000-0x2003, edge counter
    qint64 squareLatchPosition = 0; // 0x2008-0x200B
    qint64 squareLatchCount = -1;   // 0x200C
    quint16 phaseCheckCount = 0;    // 0x200D
    quint16 levelStates = 0;        // 0x2010, bits 0-2: A, B, Z level
    quint16 lineStates = 0;         // 0x2014, bits 0-2: A, B, Z line present
    quint16 encoderCurrent = 0;     // 0x5010, mA

    // Applies one reply entry. A 64-bit field is replaced by its base word and
    // the three following words are ORed in at bits 16, 32 and 48, so the
    // field is whole only when the base word comes first. Unknown addresses
    // are skipped.
    void applyEntry(quint16 address, quint16 value);
};
