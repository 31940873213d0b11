#pragma once

#include <QList>
#include <QtGlobal>

#include <array>

// One request's worth of (address, value) entries. The record keeps the tester
// firmware's fixed layout: 512 values, then 512 addresses, then the count.
// Poll groups use the address half only; EEPROM read groups likewise.
struct RegisterGroup
{
    static constexpr int kSlots = 512;

    std::array<quint16, kSlots> values{};
    std::array<quint16, kSlots> addresses{};
    qint32 count = 0;

    // The count as it travels in byte 4 of a request: its low 8 bits.
    quint8 requestCount() const { return quint8(count & 0xFF); }

    // Appends one entry; returns false when the group is full.
    bool append(quint16 address, quint16 value = 0);
};

static_assert(sizeof(RegisterGroup) == 2052, "RegisterGroup keeps the firmware record size");

using RegisterGroupList = QList<RegisterGroup>;
