#pragma once

#include <QString>
#include <QtGlobal>

// Number formats of the instruments' texts.
namespace InstrumentText {

QString speed(double mmPerSecond);  // "%7.3f"
QString latchValue(double value);   // "%f"
QString latchPulses(qint64 pulses); // low 32 bits, unsigned
QString triggerCount(qint64 count); // low 32 bits, signed
QString gaugeNumber(double value);  // 2 x trunc(value), width 2

} // namespace InstrumentText
