#pragma once

#include <QVector>

#include <optional>

// Values counted in equal bins over their range, widened to take in the
// tolerance limits given, so the limits can be drawn on the same axis.
// Bins are [from + i * width, from + (i + 1) * width); the last one takes
// its upper end in too.
class Histogram
{
public:
    double from = 0.0;
    double width = 0.0;
    QVector<qint64> counts;

    static Histogram compute(const QVector<double>& values, int bins,
                             std::optional<double> lower = std::nullopt,
                             std::optional<double> upper = std::nullopt);
};
