#pragma once

#include "LiveSnapshot.h"
#include "LiveValues.h"

class DeviceLinkState;

// The worker's reading of the tester's replies: a real-time reply is
// applied to the worker's own copy of the live values and published as the
// link state's newest snapshot; an EEPROM reply goes into the link state's
// configuration record. Why a reply was rejected is logged.
//
// Threads: worker only (its copy of the live values is its own); the link
// state takes its own locks.
class ReplyDecoder
{
public:
    explicit ReplyDecoder(DeviceLinkState& state) : m_state(state) {}

    // Starts from the link state's live values (each start of the worker).
    void restart();
    // Returns the snapshot published, or the previous one when nothing was
    // decoded. `group`: the poll group the reply answered; `receivedNs`:
    // when it was read.
    LiveSnapshot realTime(const quint8* reply, int length, int group, qint64 receivedNs);
    // False for a reply of a wrong size or count, or one reporting an error.
    bool eeprom(const quint8* reply, int length);

private:
    DeviceLinkState& m_state;
    LiveValues m_live;
};
