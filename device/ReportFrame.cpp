#include "ReportFrame.h"

namespace ReportFrame {

namespace {

constexpr quint16 kPollGroup0[] = {0x1000, 0x1001, 0x1002, 0x1003, 0x1008, 0x1009,
                                   0x100A, 0x100B, 0x100C, 0x1100, 0x1101, 0x2010};
constexpr quint16 kPollGroup1[] = {0x2000, 0x2001, 0x2002, 0x2003, 0x2008, 0x2009,
                                   0x200A, 0x200B, 0x200C, 0x200D, 0x2014, 0x5010};

quint16 word(const quint8* bytes)
{
    return quint16(bytes[0] | (bytes[1] << 8));
}

// Checks common to both reply kinds; returns Decoded when entries may be read.
Verdict check(const quint8* reply, int length, quint8 space)
{
    if (!reply || length != kReportSize)
        return Verdict::SizeError;
    if (reply[0] != kRead || reply[1] != space)
        return Verdict::WrongHeader;
    const qint8 count = qint8(reply[kCountByte]);
    if (count > kMaxEntries)
        return Verdict::CountError;
    if (reply[kStatusByte] == 0)
        return Verdict::StatusError;
    if (count <= 0)
        return Verdict::NoEntries;
    return Verdict::Decoded;
}

template <typename Apply> void forEachEntry(const quint8* reply, Apply apply)
{
    const int count = qint8(reply[kCountByte]);
    for (int i = 0; i < count; ++i) {
        const quint8* entry = reply + kEntryOffset + 4 * i;
        apply(word(entry), entry);
    }
}

} // namespace

std::optional<Report> buildRequest(quint8 direction, quint8 space, const quint16* addresses,
                                   const quint16* values, quint8 count, quint16 groupIndex)
{
    if (count > kMaxEntries || (count > 0 && !addresses))
        return std::nullopt;
    Report r{};
    r[0] = direction;
    r[1] = space;
    r[kCountByte] = count;
    r[6] = quint8(groupIndex & 0xFF);
    r[7] = quint8(groupIndex >> 8);
    const bool highByte = !(direction == kWrite && space == kEepromSpace);
    for (int i = 0; i < count; ++i) {
        quint8* entry = r.data() + kEntryOffset + 4 * i;
        entry[0] = quint8(addresses[i] & 0xFF);
        entry[1] = quint8(addresses[i] >> 8);
        const quint16 value = values ? values[i] : 0;
        entry[2] = quint8(value & 0xFF);
        entry[3] = highByte ? quint8(value >> 8) : 0;
    }
    return r;
}

std::optional<Report> realTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return buildRequest(kRead, kLiveSpace, addresses, nullptr, count, groupIndex);
}

std::optional<Report> eepromRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return buildRequest(kRead, kEepromSpace, addresses, nullptr, count, groupIndex);
}

std::optional<Report> eepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                                  quint16 groupIndex)
{
    return buildRequest(kWrite, kEepromSpace, addresses, values, count, groupIndex);
}

std::optional<Report> registerWrite(const quint16* addresses, const quint16* values, quint8 count,
                                    quint16 groupIndex)
{
    return buildRequest(kWrite, kLiveSpace, addresses, values, count, groupIndex);
}

Report encoderPower(quint8 on)
{
    const quint16 address = kEncoderPowerAddress;
    const quint16 value = on;
    return *buildRequest(kWrite, kEepromSpace, &address, &value, 1, 0);
}

Verdict decodeRealTimeReply(const quint8* reply, int length, LiveValues& values)
{
    const Verdict verdict = check(reply, length, kLiveSpace);
    if (verdict == Verdict::Decoded)
        forEachEntry(reply, [&](quint16 address, const quint8* entry) {
            values.applyEntry(address, word(entry + 2));
        });
    return verdict;
}

Verdict decodeEepromReply(const quint8* reply, int length, ConfigRecord& record)
{
    const Verdict verdict = check(reply, length, kEepromSpace);
    if (verdict == Verdict::Decoded)
        forEachEntry(reply, [&](quint16 address, const quint8* entry) {
            record.applyEepromByte(address, entry[2]);
        });
    return verdict;
}

bool isAcknowledged(const quint8* reply, int length)
{
    return reply && length == kReportSize && reply[kStatusByte] == 1;
}

quint8 encoderPowerState(const quint8* reply)
{
    return reply[kEntryOffset + 2] & 1;
}

RegisterGroupList pollGroups()
{
    RegisterGroupList groups;
    for (const auto& addresses : {std::begin(kPollGroup0), std::begin(kPollGroup1)}) {
        RegisterGroup group;
        for (int i = 0; i < 12; ++i)
            group.append(addresses[i]);
        groups.append(group);
    }
    return groups;
}

} // namespace ReportFrame
