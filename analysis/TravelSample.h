#pragma once

#include <QtGlobal>

// One reply that carried the sine/cosine pair, as the travel analyses take
// it: when it came, where the encoder was (the counted position, 1/512
// signal period), the sample pair (mid-scale 512) and the sine/cosine
// reference-mark latch (count and latched position) as the reply showed them.
struct TravelSample
{
    double ms = 0.0;
    qint64 position = 0;
    int sin = 512;
    int cos = 512;
    qint64 latchCount = -1; // -1: the reply did not say
    qint64 latchPosition = 0;
};
