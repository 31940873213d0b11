#include "TestRig.h"

#include "LogCapture.h"

#include <QTest>

namespace {

DeviceLinkState& freshState()
{
    DeviceLinkState::global().reset();
    return DeviceLinkState::global();
}

SimBus& freshBus()
{
    SimBus::instance().reset();
    SimBus::instance().setTimeoutCap(20);
    return SimBus::instance();
}

} // namespace

TestRig::TestRig(const std::vector<uint8_t>& eeprom)
    : bus(freshBus()),
      tester(bus.addTester(0, eeprom.empty() ? std::make_shared<SimTester>()
                                             : std::make_shared<SimTester>(eeprom))),
      state(freshState()),
      usb(nullptr),
      recorder(&usb)
{
    usb.setStartupPause(5);
    LogCapture::clear();
}

TestRig::~TestRig()
{
    stop();
    usb.closeDevice();
}

bool TestRig::open()
{
    return usb.initDevice(QtUsb::kVendorId, QtUsb::kProductId);
}

bool TestRig::startPolling()
{
    if (!usb.isOpen() && !open())
        return false;
    usb.setStopRequested(false);
    usb.start(QThread::HighestPriority);
    return QTest::qWaitFor([this] { return recorder.realReads > 0; }, 5000);
}

void TestRig::stop()
{
    if (usb.isRunning())
        usb.stopWorker();
}
