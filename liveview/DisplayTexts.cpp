#include "DisplayTexts.h"

#include <cmath>

namespace DisplayTexts {

QString positionSign(double value, int direction)
{
    return direction * value < 0 ? QStringLiteral("-") : QString();
}

QString positionValue(double value, int accuracy)
{
    return QString::asprintf("%.*f", accuracy, std::fabs(value)) + QStringLiteral("mm");
}

QString abzText(quint16 bits, const QString& set, const QString& clear)
{
    auto bit = [&](int n) { return (bits >> n) & 1 ? set : clear; };
    return QStringLiteral("A:%1  B:%2  Z:%3").arg(bit(0), bit(1), bit(2));
}

QString currentText(quint16 milliamperes)
{
    return QString::asprintf("%.2fA", milliamperes / 1000.0);
}

quint16 phaseErrorsSince(quint16 phaseCheckCount, quint16 baseline)
{
    return quint16(phaseCheckCount - baseline);
}

} // namespace DisplayTexts
