#pragma once

#include <QString>
#include <QVector>

#include <optional>

// Count and pass rate of a set of tests, and per figure its spread and
// process capability against the profile's limits:
//   std  sample standard deviation (n - 1); none below two values
//   Cp   (upper - lower) / 6 std, with both limits
//   Cpk  min(upper - mean, mean - lower) / 3 std, with either limit
// Neither without a limit or with std = 0.
class ResultStatistics
{
public:
    struct Figure
    {
        QString name;
        qint64 count = 0; // tests that measured it
        double mean = 0.0;
        std::optional<double> std;
        double min = 0.0;
        double max = 0.0;
        std::optional<double> lower, upper; // the profile's limits
        std::optional<double> cp, cpk;
    };

    qint64 count = 0;
    qint64 passed = 0;
    QVector<Figure> figures;

    double passRate() const { return count > 0 ? double(passed) / double(count) : 0.0; }

    // One figure from its sums: the count, mean, the sum of squared
    // deviations from the mean, the extremes and the limits.
    static Figure summarize(const QString& name, qint64 count, double mean,
                            double squaredDeviations, double min, double max,
                            std::optional<double> lower, std::optional<double> upper);
};
