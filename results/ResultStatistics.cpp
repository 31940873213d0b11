#include "ResultStatistics.h"

#include <algorithm>
#include <cmath>

ResultStatistics::Figure ResultStatistics::summarize(const QString& name, qint64 count, double mean,
                                                     double squaredDeviations, double min,
                                                     double max, std::optional<double> lower,
                                                     std::optional<double> upper)
{
    Figure f;
    f.name = name;
    f.count = count;
    f.mean = mean;
    f.min = min;
    f.max = max;
    f.lower = lower;
    f.upper = upper;
    if (count < 2)
        return f;
    const double sigma = std::sqrt(std::max(0.0, squaredDeviations) / double(count - 1));
    f.std = sigma;
    if (!(sigma > 0.0))
        return f;
    if (lower && upper)
        f.cp = (*upper - *lower) / (6.0 * sigma);
    std::optional<double> cpk;
    if (upper)
        cpk = (*upper - mean) / (3.0 * sigma);
    if (lower) {
        const double below = (mean - *lower) / (3.0 * sigma);
        cpk = cpk ? std::min(*cpk, below) : below;
    }
    f.cpk = cpk;
    return f;
}
