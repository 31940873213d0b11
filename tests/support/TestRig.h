#pragma once

#include "QtUsb.h"
#include "SignalRecorder.h"
#include "SimBus.h"

#include <memory>

// A clean simulated bus with one tester, a fresh device link state and a
// QtUsb with a short start-up pause. Time-outs wait at most 20 ms.
class TestRig
{
public:
    // `eeprom` empty: an erased tester.
    explicit TestRig(const std::vector<uint8_t>& eeprom = {});
    ~TestRig();

    // initDevice with the tester's identifiers.
    bool open();
    // Opens, starts the worker and waits for the first real-time reply.
    bool startPolling();
    void stop();

    SimBus& bus;
    std::shared_ptr<SimTester> tester;
    DeviceLinkState& state;
    QtUsb usb;
    SignalRecorder recorder;
};
