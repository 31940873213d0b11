#pragma once

#include "DeviceOperation.h"
#include "RegisterGroup.h"

class DeviceLinkState;
class ReplyDecoder;
class ReportChannel;

// The operations the worker runs between two polls, one at a time, each to
// its end: the EEPROM write and read of the configuration (group by group,
// each request sent with retries and acknowledged; a read fails at a reply
// that does not decode, keeping the groups before it), the register commands
// (reset, clear line lock) and the encoder supply switch, whose new state
// goes into the configuration record. Each returns whether it succeeded;
// the worker ends the operation and emits its result.
//
// Threads: worker only.
class WorkerOperations
{
public:
    WorkerOperations(ReportChannel& channel, ReplyDecoder& decoder, DeviceLinkState& state);

    bool eepromWrite(const RegisterGroupList& groups);
    bool eepromRead(const RegisterGroupList& groups);
    // OpReset or OpClearLineLock.
    bool registerCommand(DeviceOperation op);
    // OpEncoderPowerOn or OpEncoderPowerOff.
    bool encoderPower(DeviceOperation op);

private:
    ReportChannel& m_channel;
    ReplyDecoder& m_decoder;
    DeviceLinkState& m_state;
};
