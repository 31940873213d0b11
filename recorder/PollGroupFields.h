#pragma once

#include <QVector>
#include <QtGlobal>

// Which live registers a reply to each poll group refreshes, taken from the
// poll groups themselves, so that a recording uses a value only from the
// replies that carry it.
class PollGroupFields
{
public:
    // Addresses of the live values (the base word of a 64-bit field).
    static constexpr quint16 kSinCosPosition = 0x1000;
    static constexpr quint16 kSinCosLatchPosition = 0x1008;
    static constexpr quint16 kSinCosLatchCount = 0x100C;
    static constexpr quint16 kSinSample = 0x1100;
    static constexpr quint16 kCosSample = 0x1101;
    static constexpr quint16 kSquarePosition = 0x2000;
    static constexpr quint16 kSquareLatchPosition = 0x2008;
    static constexpr quint16 kSquareLatchCount = 0x200C;
    static constexpr quint16 kPhaseCheckCount = 0x200D;
    static constexpr quint16 kLevelStates = 0x2010;
    static constexpr quint16 kLineStates = 0x2014;
    static constexpr quint16 kEncoderCurrent = 0x5010;

    PollGroupFields();

    bool carries(int group, quint16 address) const;

private:
    QVector<QVector<quint16>> m_addresses; // per poll group
};
