#pragma once

#include "ConfigRecord.h"
#include "LiveValues.h"
#include "RegisterGroup.h"

#include <QtGlobal>

#include <array>
#include <optional>

// The 64-byte reports exchanged with the tester: building requests and
// checking and decoding replies. Plain code, no I/O, no Qt threads.
namespace ReportFrame {

constexpr int kReportSize = 64;
constexpr int kMaxEntries = 12;
constexpr int kEntryOffset = 16;
constexpr int kCountByte = 4;
constexpr int kStatusByte = 8;

constexpr quint8 kRead = 0x11;
constexpr quint8 kWrite = 0x12;
constexpr quint8 kLiveSpace = 0x11;
constexpr quint8 kEepromSpace = 0x12;

constexpr quint16 kResetAddress = 0x5000;
constexpr quint16 kClearLineLockAddress = 0x2014;
constexpr quint16 kEncoderPowerAddress = 0x0014;

using Report = std::array<quint8, kReportSize>;

// A request: header bytes 0-1, the entry count in byte 4, the group index
// little-endian in bytes 6-7 and the entries from byte 16 on, address and
// value low byte first. `values` may be null (a read). EEPROM writes carry
// the value's low byte only. A count above 12 cannot fit: no report then.
std::optional<Report> buildRequest(quint8 direction, quint8 space, const quint16* addresses,
                                   const quint16* values, quint8 count, quint16 groupIndex);

std::optional<Report> realTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex);
std::optional<Report> eepromRead(const quint16* addresses, quint8 count, quint16 groupIndex);
std::optional<Report> eepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                                  quint16 groupIndex);
std::optional<Report> registerWrite(const quint16* addresses, const quint16* values, quint8 count,
                                    quint16 groupIndex);
Report encoderPower(quint8 on);

// How a reply was judged, in the order the checks are made.
enum class Verdict
{
    Decoded,     // entries applied
    SizeError,   // length other than 64 (or no buffer)
    WrongHeader, // bytes 0-1 do not match the request kind
    CountError,  // signed entry count above 12
    StatusError, // status byte 0
    NoEntries,   // count 0 or negative: nothing to apply
};

// Real-time reply: header 0x11 0x11, any non-zero status accepted.
Verdict decodeRealTimeReply(const quint8* reply, int length, LiveValues& values);

// EEPROM read reply: header 0x11 0x12; only the low byte of each value counts.
Verdict decodeEepromReply(const quint8* reply, int length, ConfigRecord& record);

// An acknowledgement (writes, commands): exactly 64 bytes and status 1.
bool isAcknowledged(const quint8* reply, int length);

// The encoder supply state an acknowledged supply switch reports: bit 0 of
// its first entry's value (byte 18), 1 on, 0 off.
quint8 encoderPowerState(const quint8* reply);

// The two groups of live registers, polled in turn.
RegisterGroupList pollGroups();

} // namespace ReportFrame
