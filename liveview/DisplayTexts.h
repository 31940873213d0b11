#pragma once

#include <QString>
#include <QtGlobal>

// The texts of the live view, built from plain values.
namespace DisplayTexts {

// Sign and magnitude of a position: the sign is "-" when direction x value
// is negative, else empty; the magnitude is |value| with `accuracy`
// decimals and "mm" (12.5 with accuracy 3: "12.500mm").
QString positionSign(double value, int direction);
QString positionValue(double value, int accuracy);

// "A:%1  B:%2  Z:%3" from bits 0-2: `set` for a set bit, `clear` otherwise.
QString abzText(quint16 bits, const QString& set, const QString& clear);

// The encoder current, reported in mA, in amperes with two decimals.
QString currentText(quint16 milliamperes);

// The phase errors since the baseline, counted in 16 bits.
quint16 phaseErrorsSince(quint16 phaseCheckCount, quint16 baseline);

} // namespace DisplayTexts
