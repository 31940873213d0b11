#include "EepromImage.h"

#include <utility>
#include <vector>

namespace EepromImage {

namespace {

constexpr int kGroupSize = 12;

using Entry = std::pair<quint16, quint8>;

void appendWide(std::vector<Entry>& entries, quint16 base, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        entries.emplace_back(quint16(base + i), quint8(value >> (8 * i)));
}

RegisterGroupList cut(const std::vector<Entry>& entries)
{
    RegisterGroupList groups;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i % kGroupSize == 0)
            groups.append(RegisterGroup());
        groups.last().append(entries[i].first, entries[i].second);
    }
    return groups;
}

} // namespace

RegisterGroupList readGroups()
{
    std::vector<Entry> entries;
    for (quint16 address : {0x10, 0x14, 0x20, 0x21, 0x22, 0x23, 0x28, 0x29, 0x2A, 0x2B, 0x30, 0x40,
                            0x44, 0x45, 0x46, 0x47, 0x50, 0x51})
        entries.emplace_back(address, 0);
    return cut(entries);
}

RegisterGroupList writeGroups(const ConfigRecord& record)
{
    std::vector<Entry> entries;
    entries.emplace_back(0x10, record.sinCosMode);
    appendWide(entries, 0x20, record.sinCosEquivalent);
    appendWide(entries, 0x28, record.zComparisonValue);
    entries.emplace_back(0x30, record.adcGain);
    entries.emplace_back(0x40, record.squareWaveFilter);
    appendWide(entries, 0x44, record.squareWaveEquivalent);
    entries.emplace_back(0x50, record.accuracy);
    entries.emplace_back(0x51, record.filterLevel);
    return cut(entries);
}

} // namespace EepromImage
