#pragma once

#include <QString>

#include <optional>

// Yield as a plant counts it, over the units of a group (a unit belongs to
// the day, station and profile of its first judged test, i.e. its first
// test that ended pass or fail):
//   first-pass yield  units whose first judged test passed / units
//   final yield       units whose latest judged test passed / units
//   tests per unit    judged tests of these units / units
//   retests           judged tests - units
// Aborted tests are counted apart (the aborted tests of the group's own
// tests) and make no unit pass or fail.
class YieldFigures
{
public:
    QString group; // the UTC day (YYYY-MM-DD), station or profile; empty: all
    qint64 units = 0;
    qint64 firstPass = 0;
    qint64 finalPass = 0;
    qint64 judgedTests = 0;
    qint64 aborted = 0;

    // None without units.
    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
    std::optional<double> testsPerUnit() const;
    qint64 retests() const { return judgedTests - units; }

    // Adds another group's counts (a total over groups).
    void add(const YieldFigures& other);
};
