#include "Histogram.h"

#include <algorithm>
#include <cmath>

Histogram Histogram::compute(const QVector<double>& values, int bins, std::optional<double> lower,
                             std::optional<double> upper)
{
    Histogram h;
    if (values.isEmpty() || bins < 1)
        return h;
    double low = *std::min_element(values.begin(), values.end());
    double high = *std::max_element(values.begin(), values.end());
    if (lower)
        low = std::min(low, *lower);
    if (upper)
        high = std::max(high, *upper);
    if (!(high > low)) {
        // One value only: one bin around it.
        h.from = low - 0.5;
        h.width = 1.0;
        h.counts = {qint64(values.size())};
        return h;
    }
    h.from = low;
    h.width = (high - low) / bins;
    h.counts.fill(0, bins);
    for (double v : values) {
        const int bin = std::clamp(int(std::floor((v - low) / h.width)), 0, bins - 1);
        ++h.counts[bin];
    }
    return h;
}
