#pragma once

// What the worker thread is doing (currentOperation) or is asked to do next
// (requestedOperation). The numbers are part of the hand-over between the GUI
// thread and the worker and never change.
enum DeviceOperation : int
{
    OpPoll = 0,
    OpEepromWrite = 1,
    OpEepromRead = 2,
    OpReset = 3,
    OpClearLineLock = 4,
    OpEncoderPowerOn = 5,
    OpEncoderPowerOff = 6,
    OpNone = 7,
};

// True for the six operations the GUI may request (1 to 6).
constexpr bool isRequestableOperation(int op)
{
    return op >= OpEepromWrite && op <= OpEncoderPowerOff;
}

constexpr bool isEepromOperation(int op)
{
    return op == OpEepromWrite || op == OpEepromRead;
}
