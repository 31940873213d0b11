#include "ConfigForm.h"

#include "DecimalText.h"

namespace {

// A combo box index as a stored value, or none when no item is shown.
std::optional<quint8> indexValue(int index, int items, int offset)
{
    if (index < 0 || index >= items)
        return std::nullopt;
    return quint8(index + offset);
}

} // namespace

ConfigForm ConfigForm::fromRecord(const ConfigRecord& record)
{
    ConfigForm form;
    form.sinCosMode = (record.sinCosMode & 1) != 0;
    form.encoderPowerOn = (record.encoderPower & 1) != 0;
    form.sinCosEquivalent = DecimalText::fromThousandths(record.sinCosEquivalent);
    form.zComparisonValue = DecimalText::fromThousandths(record.zComparisonValue);
    form.adcGain = QString::number(record.adcGain);
    form.squareWaveFilterIndex = record.squareWaveFilter & 0x0F;
    form.squareWaveEquivalent = DecimalText::fromThousandths(record.squareWaveEquivalent);
    form.accuracyIndex = int(record.accuracy) - 1;
    form.filterLevelIndex = record.filterLevel;
    return form;
}

ConfigForm::Error ConfigForm::check(ConfigEdit* edit) const
{
    if (sinCosEquivalent.isEmpty())
        return SinCosEquivalentEmpty;
    if (zComparisonValue.isEmpty())
        return ZComparisonValueEmpty;
    if (adcGain.isEmpty())
        return AdcGainEmpty;
    if (squareWaveEquivalent.isEmpty())
        return SquareWaveEquivalentEmpty;

    const std::optional<quint32> sinCos = DecimalText::toThousandths(sinCosEquivalent);
    if (!sinCos)
        return SinCosEquivalentInvalid;
    const std::optional<quint32> comparison = DecimalText::toThousandths(zComparisonValue);
    if (!comparison || *comparison < kMinComparison || *comparison > kMaxComparison)
        return ZComparisonValueOutOfRange;
    const std::optional<quint32> gain = DecimalText::toUnsigned(adcGain);
    if (!gain)
        return AdcGainInvalid;
    const std::optional<quint32> square = DecimalText::toThousandths(squareWaveEquivalent);
    if (!square)
        return SquareWaveEquivalentInvalid;

    ConfigEdit result;
    result.sinCosMode = sinCosMode ? 1 : 0;
    result.sinCosEquivalent = *sinCos;
    result.zComparisonValue = *comparison;
    result.adcGain = quint8(*gain & 0xFF);
    result.squareWaveFilter = indexValue(squareWaveFilterIndex, kFilterItems, 0);
    result.squareWaveEquivalent = *square;
    result.accuracy = indexValue(accuracyIndex, kAccuracyItems, 1);
    result.filterLevel = indexValue(filterLevelIndex, kLevelItems, 0);
    *edit = result;
    return NoError;
}
