#include "PresetEntry.h"

#include <QtMath>

namespace PresetEntry {

Error parse(const QString& text, double* value)
{
    if (text.isEmpty())
        return Empty;
    bool ok = false;
    const double number = text.toDouble(&ok);
    // Text that is not a number counts as 0; 0 itself cannot be a preset.
    if (!ok || !qIsFinite(number) || number == 0.0 || qAbs(number) >= kLimit)
        return NotValid;
    *value = number;
    return NoError;
}

} // namespace PresetEntry
