#include "YieldFigures.h"

namespace {

std::optional<double> perUnit(qint64 count, qint64 units)
{
    if (units <= 0)
        return std::nullopt;
    return double(count) / double(units);
}

} // namespace

std::optional<double> YieldFigures::firstPassYield() const
{
    return perUnit(firstPass, units);
}

std::optional<double> YieldFigures::finalYield() const
{
    return perUnit(finalPass, units);
}

std::optional<double> YieldFigures::testsPerUnit() const
{
    return perUnit(judgedTests, units);
}

void YieldFigures::add(const YieldFigures& other)
{
    units += other.units;
    firstPass += other.firstPass;
    finalPass += other.finalPass;
    judgedTests += other.judgedTests;
    aborted += other.aborted;
}
