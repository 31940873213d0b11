#pragma once

#include "LatchFeed.h"

#include <QtGlobal>

// The process-wide display state of the live view: the zero offset, the
// positions of the last update and of the last speed sample, the counting
// direction, the work mode seen last and the preset entered by the operator.
// Owned by the main window (GUI thread only); tests call reset().
struct DisplayState
{
    double zeroOffset = 0.0;       // raw position (periods or counts) shown as zero
    double currentPosition = 0.0;  // mm, last update, before averaging
    double previousPosition = 0.0; // mm, at the previous speed sample
    int direction = 1;             // +1 or -1
    quint8 lastSinCosMode = 0;     // sinCosMode byte seen by the previous update
    double presetValue = 0.0;      // mm, stored by the preset dialog
    LatchFeed sinCosLatch;         // latch counts and positions seen last,
    LatchFeed squareLatch;         // one feed per channel

    static DisplayState& global();
    void reset() { *this = DisplayState(); }
};
