#pragma once

#include "SimTester.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct usb_bus;
struct usb_device;
struct usb_dev_handle;

// The simulated USB buses behind the libusb 0.1 calls: which devices are
// attached where, plug and unplug at any moment, open handles, and a record
// of every libusb call. One process-wide instance; tests call reset().
//
// Threads: every function may be called from any thread; m_mutex guards all
// fields. Testers have their own locks and are called without m_mutex held,
// and plug listeners are called without it too.
class SimBus
{
public:
    struct PlugEvent
    {
        bool plugged;
        uint16_t vendorId;
        uint16_t productId;
    };
    using PlugListener = std::function<void(const PlugEvent&)>;

    static constexpr int kBusCount = 2;

    static SimBus& instance();

    // No devices, no handles, no listeners, empty call record.
    void reset();

    // Attaches a tester (plugged) to bus 0 or 1, after the devices already there.
    std::shared_ptr<SimTester> addTester(int bus = 0, std::shared_ptr<SimTester> tester = nullptr);
    // Attaches some other device, which the program must pass over.
    void addOtherDevice(uint16_t vendorId, uint16_t productId, int bus = 0);

    void unplug(const std::shared_ptr<SimTester>& tester);
    void replug(const std::shared_ptr<SimTester>& tester);
    bool isPlugged(const std::shared_ptr<SimTester>& tester) const;

    int addPlugListener(PlugListener listener);
    void removePlugListener(int id);

    // The next N usb_open calls return no handle and set errno to `error`
    // (EACCES: no permission on the device node, as without the udev rule).
    void failNextOpens(int count, int error = EIO);
    // Caps how long a timed-out transfer really waits (ms); -1: the full time-out.
    void setTimeoutCap(int ms);
    // Call recording (on by default; benchmarks turn it off).
    void setRecording(bool on);
    std::vector<std::string> calls() const;
    int countCalls(const std::string& name) const;
    void clearCalls();
    // Handles used after close or never opened: a program fault.
    int invalidHandleUses() const;
    int openHandles() const;

    // --- the libusb 0.1 calls, as the simulated library forwards them
    void usbInit();
    int findBusses();
    int findDevices();
    usb_bus* busses();
    usb_dev_handle* open(struct usb_device* device);
    int close(usb_dev_handle* handle);
    int setConfiguration(usb_dev_handle* handle, int configuration);
    int claimInterface(usb_dev_handle* handle, int number);
    int releaseInterface(usb_dev_handle* handle, int number);
    int interruptWrite(usb_dev_handle* handle, int ep, const char* bytes, int size, int timeout);
    int interruptRead(usb_dev_handle* handle, int ep, char* bytes, int size, int timeout);

private:
    struct Device;
    struct Handle;

    SimBus();
    ~SimBus();
    void record(const std::string& call);
    std::shared_ptr<SimTester> testerFor(usb_dev_handle* handle, int* error);
    // Records the call and finds the tester behind the handle (*error < 0: none).
    std::shared_ptr<SimTester> beginCall(const std::string& call, usb_dev_handle* handle,
                                         int* error);
    Device* deviceFor(const std::shared_ptr<SimTester>& tester) const;
    void notify(const PlugEvent& event);
    void waitTimeout(int timeout) const;

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<usb_bus>> m_busses;
    std::vector<std::unique_ptr<Device>> m_devices;
    std::vector<std::unique_ptr<struct usb_device>> m_nodes; // every node ever listed stays valid
    std::map<usb_dev_handle*, std::unique_ptr<Handle>> m_handles;
    std::map<int, PlugListener> m_listeners;
    std::vector<std::string> m_calls;
    int m_nextListener = 1;
    int m_nextDeviceNumber = 1;
    int m_failOpens = 0;
    int m_failOpenError = EIO;
    int m_timeoutCap = -1;
    int m_invalidHandleUses = 0;
    bool m_recording = true;
};
