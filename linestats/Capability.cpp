#include "Capability.h"

#include "ControlChart.h"

#include <algorithm>
#include <cmath>

namespace {

std::optional<double> spreadIndex(std::optional<double> lower, std::optional<double> upper,
                                  std::optional<double> sigma)
{
    if (!lower || !upper || !sigma)
        return std::nullopt;
    return (*upper - *lower) / (6.0 * *sigma);
}

std::optional<double> centredIndex(double mean, std::optional<double> lower,
                                   std::optional<double> upper, std::optional<double> sigma)
{
    if (!sigma || (!lower && !upper))
        return std::nullopt;
    std::optional<double> index;
    if (upper)
        index = (*upper - mean) / (3.0 * *sigma);
    if (lower) {
        const double below = (mean - *lower) / (3.0 * *sigma);
        index = index ? std::min(*index, below) : below;
    }
    return index;
}

} // namespace

Capability Capability::compute(const QVector<double>& values, std::optional<double> lower,
                               std::optional<double> upper)
{
    Capability c;
    c.count = values.size();
    if (values.isEmpty())
        return c;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    c.mean = sum / values.size();
    if (values.size() < 2)
        return c;
    double squares = 0.0;
    for (double v : values)
        squares += (v - c.mean) * (v - c.mean);
    const double overall = std::sqrt(squares / (values.size() - 1));
    if (overall > 0.0)
        c.sigmaOverall = overall;
    c.sigmaWithin = ControlChart::compute(values).sigma;
    c.cp = spreadIndex(lower, upper, c.sigmaWithin);
    c.cpk = centredIndex(c.mean, lower, upper, c.sigmaWithin);
    c.pp = spreadIndex(lower, upper, c.sigmaOverall);
    c.ppk = centredIndex(c.mean, lower, upper, c.sigmaOverall);
    return c;
}
