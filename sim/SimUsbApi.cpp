// The libusb 0.1 entry points the program uses, served by the simulated bus.
// Linked in place of the real libusb by the tests and the demo build.
#include "SimBus.h"
#include "UsbLibrary.h"

// libusb-win32 (lusb0_usb.h) takes the bytes of a write as char*, usb.h as
// const char*.
#ifdef _WIN32
#include <lusb0_usb.h>
using WriteBytes = char*;
#else
#include <usb.h>
using WriteBytes = const char*;
#endif

struct usb_bus* usb_busses = nullptr;

// The simulated bus is always there.
bool UsbLibrary::present()
{
    return true;
}

extern "C" {

void usb_init(void)
{
    SimBus::instance().usbInit();
}

int usb_find_busses(void)
{
    return SimBus::instance().findBusses();
}

int usb_find_devices(void)
{
    return SimBus::instance().findDevices();
}

struct usb_bus* usb_get_busses(void)
{
    return SimBus::instance().busses();
}

usb_dev_handle* usb_open(struct usb_device* dev)
{
    return SimBus::instance().open(dev);
}

int usb_close(usb_dev_handle* dev)
{
    return SimBus::instance().close(dev);
}

int usb_set_configuration(usb_dev_handle* dev, int configuration)
{
    return SimBus::instance().setConfiguration(dev, configuration);
}

int usb_claim_interface(usb_dev_handle* dev, int interface)
{
    return SimBus::instance().claimInterface(dev, interface);
}

int usb_release_interface(usb_dev_handle* dev, int interface)
{
    return SimBus::instance().releaseInterface(dev, interface);
}

int usb_interrupt_write(usb_dev_handle* dev, int ep, WriteBytes bytes, int size, int timeout)
{
    return SimBus::instance().interruptWrite(dev, ep, bytes, size, timeout);
}

int usb_interrupt_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout)
{
    return SimBus::instance().interruptRead(dev, ep, bytes, size, timeout);
}

} // extern "C"
