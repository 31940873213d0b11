#include "SimBus.h"

#ifdef _WIN32
#include <lusb0_usb.h>
#else
#include <usb.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {
constexpr size_t kMaxRecordedCalls = 200000;
}

struct usb_dev_handle
{
    int unused;
};

struct SimBus::Device
{
    std::shared_ptr<SimTester> tester; // null for other devices
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int bus = 0;
    bool plugged = true;
    struct usb_device* node = nullptr; // node of the current plug-in; replaced on replug
};

struct SimBus::Handle
{
    usb_dev_handle raw{0};
    Device* device = nullptr;
    struct usb_device* node = nullptr; // the plug-in it was opened on
};

SimBus& SimBus::instance()
{
    static SimBus bus;
    return bus;
}

SimBus::SimBus()
{
    for (int i = 0; i < kBusCount; ++i) {
        auto bus = std::make_unique<usb_bus>();
        std::memset(bus.get(), 0, sizeof(usb_bus));
        std::snprintf(bus->dirname, sizeof(bus->dirname), "%03d", i + 1);
        bus->location = uint32_t(i + 1);
        m_busses.push_back(std::move(bus));
    }
    for (int i = 0; i < kBusCount; ++i) {
        m_busses[size_t(i)]->next = i + 1 < kBusCount ? m_busses[size_t(i + 1)].get() : nullptr;
        m_busses[size_t(i)]->prev = i > 0 ? m_busses[size_t(i - 1)].get() : nullptr;
    }
}

SimBus::~SimBus() = default;

void SimBus::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& bus : m_busses)
        bus->devices = nullptr;
    usb_busses = nullptr;
    m_devices.clear();
    m_handles.clear();
    m_listeners.clear();
    m_calls.clear();
    m_nextDeviceNumber = 1;
    m_failOpens = 0;
    m_timeoutCap = -1;
    m_invalidHandleUses = 0;
    m_recording = true;
    // Nodes stay allocated: a program may still hold a pointer from a walk.
}

std::shared_ptr<SimTester> SimBus::addTester(int bus, std::shared_ptr<SimTester> tester)
{
    if (!tester)
        tester = std::make_shared<SimTester>();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto device = std::make_unique<Device>();
        device->tester = tester;
        device->vendorId = SimTester::kVendorId;
        device->productId = SimTester::kProductId;
        device->bus = std::clamp(bus, 0, kBusCount - 1);
        m_devices.push_back(std::move(device));
    }
    notify({true, SimTester::kVendorId, SimTester::kProductId});
    return tester;
}

void SimBus::addOtherDevice(uint16_t vendorId, uint16_t productId, int bus)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto device = std::make_unique<Device>();
    device->vendorId = vendorId;
    device->productId = productId;
    device->bus = std::clamp(bus, 0, kBusCount - 1);
    m_devices.push_back(std::move(device));
}

SimBus::Device* SimBus::deviceFor(const std::shared_ptr<SimTester>& tester) const
{
    for (const auto& device : m_devices)
        if (device->tester == tester)
            return device.get();
    return nullptr;
}

void SimBus::unplug(const std::shared_ptr<SimTester>& tester)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device* device = deviceFor(tester);
        if (!device || !device->plugged)
            return;
        device->plugged = false;
        device->node = nullptr;
    }
    notify({false, SimTester::kVendorId, SimTester::kProductId});
}

void SimBus::replug(const std::shared_ptr<SimTester>& tester)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device* device = deviceFor(tester);
        if (!device || device->plugged)
            return;
        device->plugged = true;
    }
    notify({true, SimTester::kVendorId, SimTester::kProductId});
}

bool SimBus::isPlugged(const std::shared_ptr<SimTester>& tester) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = deviceFor(tester);
    return device && device->plugged;
}

int SimBus::addPlugListener(PlugListener listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int id = m_nextListener++;
    m_listeners[id] = std::move(listener);
    return id;
}

void SimBus::removePlugListener(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.erase(id);
}

void SimBus::notify(const PlugEvent& event)
{
    std::vector<PlugListener> listeners;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& entry : m_listeners)
            listeners.push_back(entry.second);
    }
    for (const auto& listener : listeners)
        listener(event);
}

void SimBus::failNextOpens(int count, int error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failOpens = count;
    m_failOpenError = error;
}

void SimBus::setTimeoutCap(int ms)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_timeoutCap = ms;
}

void SimBus::setRecording(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_recording = on;
}

std::vector<std::string> SimBus::calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

int SimBus::countCalls(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(std::count_if(m_calls.begin(), m_calls.end(), [&](const std::string& call) {
        return call.compare(0, name.size(), name) == 0 &&
               (call.size() == name.size() || call[name.size()] == ' ');
    }));
}

void SimBus::clearCalls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

int SimBus::invalidHandleUses() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_invalidHandleUses;
}

int SimBus::openHandles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_handles.size());
}

void SimBus::record(const std::string& call)
{
    if (m_recording && m_calls.size() < kMaxRecordedCalls)
        m_calls.push_back(call);
}

void SimBus::waitTimeout(int timeout) const
{
    int cap;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        cap = m_timeoutCap;
    }
    const int ms = cap >= 0 ? std::min(cap, timeout) : timeout;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max(ms, 0)));
}

// ------------------------------------------------------------ libusb

void SimBus::usbInit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("usb_init");
}

int SimBus::findBusses()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("usb_find_busses");
    usb_busses = m_busses.front().get();
    return 0;
}

int SimBus::findDevices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("usb_find_devices");
    int changes = 0;
    std::vector<struct usb_device*> last(kBusCount, nullptr);
    for (auto& bus : m_busses)
        bus->devices = nullptr;
    for (const auto& device : m_devices) {
        if (!device->plugged)
            continue;
        if (!device->node) {
            auto node = std::make_unique<struct usb_device>();
            std::memset(node.get(), 0, sizeof(struct usb_device));
            std::snprintf(node->filename, sizeof(node->filename), "%03d", m_nextDeviceNumber);
            node->devnum = uint8_t(m_nextDeviceNumber++);
            node->descriptor.bLength = USB_DT_DEVICE_SIZE;
            node->descriptor.bDescriptorType = USB_DT_DEVICE;
            node->descriptor.bcdUSB = 0x0200;
            node->descriptor.bMaxPacketSize0 = 64;
            node->descriptor.idVendor = device->vendorId;
            node->descriptor.idProduct = device->productId;
            node->descriptor.bNumConfigurations = 1;
            device->node = node.get();
            m_nodes.push_back(std::move(node));
            ++changes;
        }
        struct usb_device* node = device->node;
        usb_bus* bus = m_busses[size_t(device->bus)].get();
        node->bus = bus;
        node->next = nullptr;
        node->prev = last[size_t(device->bus)];
        if (node->prev)
            node->prev->next = node;
        else
            bus->devices = node;
        last[size_t(device->bus)] = node;
    }
    return changes;
}

usb_bus* SimBus::busses()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("usb_get_busses");
    return m_busses.front().get();
}

usb_dev_handle* SimBus::open(struct usb_device* node)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record(std::string("usb_open ") + (node ? node->filename : "null"));
    if (m_failOpens > 0) {
        --m_failOpens;
        errno = m_failOpenError;
        return nullptr;
    }
    for (const auto& device : m_devices) {
        if (device->plugged && device->node == node && node) {
            auto handle = std::make_unique<Handle>();
            handle->device = device.get();
            handle->node = node;
            usb_dev_handle* raw = &handle->raw;
            m_handles[raw] = std::move(handle);
            return raw;
        }
    }
    errno = ENODEV;
    return nullptr;
}

std::shared_ptr<SimTester> SimBus::testerFor(usb_dev_handle* raw, int* error)
{
    auto it = m_handles.find(raw);
    if (it == m_handles.end()) {
        ++m_invalidHandleUses;
        *error = -EBADF;
        return nullptr;
    }
    const Handle& handle = *it->second;
    if (!handle.device->plugged || handle.device->node != handle.node) {
        *error = -ENODEV;
        return nullptr;
    }
    *error = 0;
    return handle.device->tester;
}

std::shared_ptr<SimTester> SimBus::beginCall(const std::string& call, usb_dev_handle* raw,
                                             int* error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record(call);
    return testerFor(raw, error);
}

int SimBus::close(usb_dev_handle* raw)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    record("usb_close");
    if (m_handles.erase(raw) == 0) {
        ++m_invalidHandleUses;
        return -EBADF;
    }
    return 0;
}

int SimBus::setConfiguration(usb_dev_handle* raw, int configuration)
{
    int error = 0;
    const std::shared_ptr<SimTester> tester =
        beginCall("usb_set_configuration " + std::to_string(configuration), raw, &error);
    if (error)
        return error;
    if (tester && tester->setConfigurationFails())
        return -EBUSY;
    return 0;
}

int SimBus::claimInterface(usb_dev_handle* raw, int number)
{
    int error = 0;
    const std::shared_ptr<SimTester> tester =
        beginCall("usb_claim_interface " + std::to_string(number), raw, &error);
    if (error)
        return error;
    if (tester && tester->claimFails())
        return -EBUSY;
    return 0;
}

int SimBus::releaseInterface(usb_dev_handle* raw, int number)
{
    int error = 0;
    beginCall("usb_release_interface " + std::to_string(number), raw, &error);
    return error;
}

int SimBus::interruptWrite(usb_dev_handle* raw, int ep, const char* bytes, int size, int timeout)
{
    int error = 0;
    const std::shared_ptr<SimTester> tester =
        beginCall("usb_interrupt_write " + std::to_string(ep) + " " + std::to_string(size) + " " +
                      std::to_string(timeout),
                  raw, &error);
    if (error)
        return error;
    if (!tester || ep != 0x01 || size < 0)
        return -EINVAL;
    std::this_thread::sleep_for(std::chrono::milliseconds(tester->transferDelayMs()));
    SimTester::Report frame{};
    std::memcpy(frame.data(), bytes, size_t(std::min(size, 64)));
    if (!tester->write(frame)) {
        waitTimeout(timeout);
        return -ETIMEDOUT;
    }
    return size;
}

int SimBus::interruptRead(usb_dev_handle* raw, int ep, char* bytes, int size, int timeout)
{
    int error = 0;
    const std::shared_ptr<SimTester> tester =
        beginCall("usb_interrupt_read " + std::to_string(ep) + " " + std::to_string(size) + " " +
                      std::to_string(timeout),
                  raw, &error);
    if (error)
        return error;
    if (!tester || ep != 0x81 || size < 0)
        return -EINVAL;
    std::this_thread::sleep_for(std::chrono::milliseconds(tester->transferDelayMs()));
    SimTester::Reply reply;
    if (!tester->read(&reply)) {
        waitTimeout(timeout);
        return -ETIMEDOUT;
    }
    const int length = std::min(size, reply.length);
    std::memcpy(bytes, reply.bytes.data(), size_t(length));
    return length;
}
