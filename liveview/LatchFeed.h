#pragma once

#include <QtGlobal>

// Turns one channel's latch counter and latched position into rows of the
// latch table. The tester counts reference-mark triggers and keeps the
// position of the newest one; a change of the count is one or more new
// triggers.
class LatchFeed
{
public:
    enum class Outcome
    {
        Unchanged, // same count: go on to the next channel
        Baseline,  // count stored without a row: end the latch feed of this refresh
        Row,       // a new row (see row())
    };

    struct Row
    {
        double millimetres = 0.0; // latched position from the zero offset
        quint64 pulses = 0;       // periods or counts per trigger, averaged
        quint16 triggers = 0;     // new triggers (count change in 16 bits)
    };

    // `count` and `position` as the tester reports them; `sinCos` scales the
    // position from 1/512 period to periods. `supplyOn` false (encoder
    // unpowered) only moves the baseline.
    Outcome feed(qint64 count, qint64 position, bool sinCos, quint32 equivalentNm,
                 double zeroOffset, bool supplyOn);
    const Row& row() const { return m_row; }

    // Back to "no count seen since start".
    void reset();

private:
    qint64 m_previousCount = -1;
    qint64 m_previousPosition = 0;
    Row m_row;
};
