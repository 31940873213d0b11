#include "ControlChart.h"

#include <cmath>

namespace {

// +1 above centre + k sigma, -1 below centre - k sigma, else 0.
int side(double value, double centre, double sigma, double k)
{
    if (value > centre + k * sigma)
        return 1;
    if (value < centre - k * sigma)
        return -1;
    return 0;
}

} // namespace

ControlChart ControlChart::compute(const QVector<double>& values)
{
    ControlChart chart;
    if (values.isEmpty())
        return chart;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    chart.centre = sum / values.size();
    double ranges = 0.0;
    for (int i = 0; i < values.size(); ++i) {
        Point p;
        p.value = values.at(i);
        if (i > 0) {
            p.movingRange = std::fabs(values.at(i) - values.at(i - 1));
            ranges += *p.movingRange;
        }
        chart.points.append(p);
    }
    if (values.size() < 2)
        return chart;
    const double mrBar = ranges / (values.size() - 1);
    chart.movingRangeMean = mrBar;
    chart.movingRangeLimit = kD4 * mrBar;
    if (!(mrBar > 0.0))
        return chart;
    const double sigma = mrBar / kD2;
    chart.sigma = sigma;
    chart.lowerLimit = chart.centre - 3.0 * sigma;
    chart.upperLimit = chart.centre + 3.0 * sigma;
    for (int i = 0; i < chart.points.size(); ++i) {
        Point& p = chart.points[i];
        p.rule1 = side(p.value, chart.centre, sigma, 3.0) != 0;
        const int here = side(p.value, chart.centre, sigma, 2.0);
        if (here == 0)
            continue;
        for (int j = std::max(0, i - 2); j < i && !p.rule2; ++j)
            p.rule2 = side(chart.points.at(j).value, chart.centre, sigma, 2.0) == here;
    }
    return chart;
}
