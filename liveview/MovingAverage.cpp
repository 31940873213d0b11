#include "MovingAverage.h"

int MovingAverage::windowFor(quint8 filterLevel)
{
    if (filterLevel == 0)
        return 0;
    return filterLevel == 1 ? 10 : 20;
}

double MovingAverage::add(double position, quint8 filterLevel)
{
    const int window = windowFor(filterLevel);
    if (window == 0) {
        clear();
        return position;
    }
    m_values[(m_first + m_count) % kCapacity] = position;
    ++m_count;
    // The window may have shrunk since the last call (level 2 -> 1): drop
    // the oldest entries until it fits.
    while (m_count > window) {
        m_first = (m_first + 1) % kCapacity;
        --m_count;
    }
    double sum = 0.0;
    for (int i = 0; i < m_count; ++i)
        sum += m_values[(m_first + i) % kCapacity];
    return sum / m_count;
}

void MovingAverage::clear()
{
    m_first = 0;
    m_count = 0;
}
