#pragma once

#include <QVector>

#include <optional>

// An individuals control chart of one figure, its tests in the order they
// ran: the centre line is the mean, the limits come from the average moving
// range (the spread between neighbouring tests, so a drift does not widen
// them): sigma = MR-bar / 1.128, limits at the mean +- 3 sigma, zones at
// +- 2 sigma; the moving-range chart's upper limit is 3.267 MR-bar.
// Western Electric rules, marked on the point where they are broken:
//   rule 1  the point lies beyond a 3 sigma limit
//   rule 2  the point lies beyond 2 sigma, and so does at least one of the
//           two before it, on the same side (two of three)
// Needs two values for limits; with fewer, or no spread, none are drawn.
class ControlChart
{
public:
    static constexpr double kD2 = 1.128; // d2 for moving ranges of two
    static constexpr double kD4 = 3.267; // D4 for moving ranges of two

    struct Point
    {
        double value = 0.0;
        std::optional<double> movingRange; // none for the first point
        bool rule1 = false;
        bool rule2 = false;
    };

    double centre = 0.0;
    std::optional<double> sigma; // MR-bar / d2
    std::optional<double> lowerLimit, upperLimit;
    std::optional<double> movingRangeMean, movingRangeLimit;
    QVector<Point> points;

    static ControlChart compute(const QVector<double>& values);
};
