#include "InstrumentText.h"

#include "InstrumentGeometry.h"

namespace InstrumentText {

QString speed(double mmPerSecond)
{
    return QString::asprintf("%7.3f", mmPerSecond);
}

QString latchValue(double value)
{
    return QString::asprintf("%f", value);
}

QString latchPulses(qint64 pulses)
{
    return QString::number(quint32(quint64(pulses)));
}

QString triggerCount(qint64 count)
{
    return QString::number(qint32(quint32(quint64(count))));
}

QString gaugeNumber(double value)
{
    return QStringLiteral("%1").arg(InstrumentGeometry::gaugeNumber(value), 2);
}

} // namespace InstrumentText
