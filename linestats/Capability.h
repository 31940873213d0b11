#pragma once

#include <QVector>

#include <optional>

// Process capability of one figure against its tolerance limits:
//   Cp  = (USL - LSL) / 6 sigma_within     Cpk = min(USL - mean, mean - LSL) / 3 sigma_within
//   Pp  = (USL - LSL) / 6 sigma_overall    Ppk = the same with sigma_overall
// sigma_within from the average moving range (MR-bar / 1.128, the spread
// test to test), sigma_overall the sample standard deviation (n - 1).
// Cp and Pp need both limits; Cpk and Ppk take the one there is. None
// below two values or without spread.
class Capability
{
public:
    qint64 count = 0;
    double mean = 0.0;
    std::optional<double> sigmaWithin, sigmaOverall;
    std::optional<double> cp, cpk, pp, ppk;

    static Capability compute(const QVector<double>& values, std::optional<double> lower,
                              std::optional<double> upper);
};
