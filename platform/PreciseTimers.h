#pragma once

// Makes the short sleeps of the calling thread end close to their time: the
// worker sleeps 1 ms twice per poll, and the default timer slack (Linux) or
// the 15.6 ms tick (Windows) would cut its poll rate. Hold one for as long as
// the thread needs it; the destructor restores the previous setting.
class PreciseTimers
{
public:
    PreciseTimers();
    ~PreciseTimers();
    PreciseTimers(const PreciseTimers&) = delete;
    PreciseTimers& operator=(const PreciseTimers&) = delete;

private:
    long m_previous = -1;
};
