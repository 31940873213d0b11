#include "LatchStatistics.h"

#include <algorithm>
#include <cmath>

LatchStatistics::LatchStatistics(Channel channel)
    : m_channel(channel)
{
}

void LatchStatistics::feed(qint64 count, qint64 position)
{
    if (count == m_previousCount)
        return;
    if (m_previousCount == -1 || count < 0) {
        m_previousCount = count;
        return;
    }
    const quint16 triggers = quint16(count - m_previousCount);
    m_previousCount = count;
    if (triggers == 0)
        return; // moved by a multiple of 65536: nothing to tell apart
    m_triggers += triggers;

    if (m_havePosition && triggers == 1) {
        // The difference of two 64-bit positions, exact before the division.
        const double delta = double(position - m_previousPosition);
        const double pulses = std::fabs(m_channel == Channel::SinCos ? delta / 512.0 : delta);
        ++m_intervals;
        if (m_intervals == 1) {
            m_min = m_max = pulses;
        } else {
            m_min = std::min(m_min, pulses);
            m_max = std::max(m_max, pulses);
        }
        const double d = pulses - m_mean;
        m_mean += d / double(m_intervals);
        m_m2 += d * (pulses - m_mean);
    }
    m_havePosition = true;
    m_previousPosition = position;
}

void LatchStatistics::rebase()
{
    m_previousCount = -1;
    m_havePosition = false;
}

LatchStatistics::Result LatchStatistics::result(double equivalentNm) const
{
    Result r;
    r.triggers = m_triggers;
    r.intervals = m_intervals;
    if (m_intervals == 0) {
        r.reason = m_triggers == 0 ? tr("no reference-mark trigger seen")
                                   : tr("no interval between two single triggers seen");
        return r;
    }
    r.valid = true;
    r.min = m_min;
    r.max = m_max;
    r.mean = m_mean;
    r.stddev = m_intervals > 1 ? std::sqrt(m_m2 / double(m_intervals - 1)) : 0.0;
    r.spread = m_max - m_min;
    r.spread_um = r.spread * equivalentNm / 1000.0;
    return r;
}
