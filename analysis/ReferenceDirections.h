#pragma once

#include "TravelSample.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <vector>

// The sine/cosine reference mark in both directions of travel. A new single
// trigger (the latch count one up since the previous reply) is placed at
// its latched position and given the direction the encoder moved in over
// the two replies before it (a reversal there leaves the mark without
// one). Per direction: the marks and the count between successive marks
// passed in that direction without a reversal between them. Between the
// directions: each mark passed backward against the nearest one passed
// forward; a healthy encoder latches the same mark at the same position
// both ways, so any difference (in signal periods) is the fault. A backward
// mark is matched only within half the shortest count between marks seen;
// with no count seen at all, to the nearest forward mark at any distance.
class ReferenceDirections
{
    Q_DECLARE_TR_FUNCTIONS(ReferenceDirections)

public:
    struct Direction
    {
        int marks = 0;
        int intervals = 0;
        double minPeriods = 0.0, maxPeriods = 0.0, meanPeriods = 0.0;
    };

    struct Mark
    {
        qint64 position = 0; // latched, 1/512 period
        int direction = 0;   // +1 forward, -1 backward
    };

    struct Result
    {
        bool valid = false; // marks matched in both directions; else `reason`
        QString reason;
        Direction forward, backward;
        QVector<Mark> marks; // in the order they were passed
        int matched = 0;     // backward marks matched to a forward one
        // Backward minus forward latched position of the same mark, periods.
        double meanDifferencePeriods = 0.0;
        double maxDifferencePeriods = 0.0; // largest |difference|
    };

    static Result analyse(const std::vector<TravelSample>& samples);
};
