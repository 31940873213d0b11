#pragma once

#include <QtGlobal>

// The position arithmetic of the live view. Raw positions are in signal
// periods (sine/cosine, 512 units per period) or edge counts (square wave);
// equivalents are nanometres per period or count, so raw x equivalent / 1e6
// gives millimetres. Every raw value passes through single precision, as the
// tester's values always have: beyond 2^24 raw units the lowest digits go.
namespace PositionMath {

// Rounds to single precision and widens back.
double toSingle(double value);

// Sine/cosine display: the low 32 bits of the counter, signed, in periods.
double sinCosRaw(qint64 sinCosPosition);

// Square-wave display: the whole 64-bit counter.
double squareRaw(qint64 squarePosition);

// Zero and preset capture: the low 32 bits, signed, in either mode
// (periods in sine/cosine mode).
double captureRaw(qint64 position, bool sinCosMode);

// Millimetres from the zero offset.
double millimetres(double raw, double zeroOffset, quint32 equivalentNm);

// The zero offset that shows `presetMm` at `raw`, whatever the direction.
double presetZeroOffset(double raw, double presetMm, quint32 equivalentNm, int direction);

// Signal amplitude of a sample pair: 1 at full scale, 0 at mid-scale.
double signalAmplitude(quint16 sinSample, quint16 cosSample);

// Below this amplitude the sine/cosine signal counts as lost.
constexpr double kSignalLostBelow = 0.1;

} // namespace PositionMath
