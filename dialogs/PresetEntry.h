#pragma once

#include <QString>

// The preset dialog's entry: the position in millimetres that the current
// encoder position is to show.
namespace PresetEntry {

enum Error
{
    NoError,
    Empty,    // nothing typed
    NotValid  // zero, not a number, not finite, or too large to display
};

// Positions at or beyond this size (mm) are refused: the display shows six
// decimals, and a double holds 15 significant digits exactly.
constexpr double kLimit = 1e9;

// Converts the text; on NoError *value holds it, otherwise *value is unchanged.
Error parse(const QString& text, double* value);

} // namespace PresetEntry
