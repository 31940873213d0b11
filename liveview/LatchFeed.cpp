#include "LatchFeed.h"

#include "PositionMath.h"

LatchFeed::Outcome LatchFeed::feed(qint64 count, qint64 position, bool sinCos,
                                   quint32 equivalentNm, double zeroOffset, bool supplyOn)
{
    if (count == m_previousCount)
        return Outcome::Unchanged;
    if (m_previousCount == -1 || !supplyOn) {
        m_previousCount = count;
        return Outcome::Baseline;
    }
    const quint16 triggers = quint16(count - m_previousCount);
    m_previousCount = count;

    const double latched =
        PositionMath::toSingle(sinCos ? double(position) / 512.0 : double(position));
    const qint64 whole = qint64(latched);
    const qint64 delta = whole - m_previousPosition;
    const quint64 distance = quint64(delta < 0 ? -delta : delta);
    m_previousPosition = whole;

    m_row.millimetres = PositionMath::millimetres(latched, zeroOffset, equivalentNm);
    // A count that moved by a multiple of 65536 looks like no trigger in 16
    // bits; count it as one rather than dividing by zero.
    m_row.pulses = distance / (triggers == 0 ? 1u : triggers);
    m_row.triggers = triggers;
    return Outcome::Row;
}

void LatchFeed::reset()
{
    m_previousCount = -1;
    m_previousPosition = 0;
}
