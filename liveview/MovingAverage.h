#pragma once

#include <QtGlobal>

#include <array>

// The display filter of one channel: a moving average over the last 10
// (filter level 1) or 20 (any level above 1) positions; level 0 passes the
// position through and empties the window. A fixed ring, so a refresh never
// allocates.
class MovingAverage
{
public:
    static constexpr int kCapacity = 20;

    static int windowFor(quint8 filterLevel);

    // Adds one position and returns the value to show.
    double add(double position, quint8 filterLevel);
    void clear();
    int size() const { return m_count; }

private:
    std::array<double, kCapacity> m_values{};
    int m_first = 0; // oldest entry
    int m_count = 0;
};
