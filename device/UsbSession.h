#pragma once

#include <QtGlobal>

#include <atomic>

struct usb_dev_handle;

// One libusb 0.1 session with the tester: finding and opening it (and why
// that failed: no device, access denied, busy), its configuration and
// interface, the interrupt transfers and closing. No retries and no
// recovery: QtUsb decides what a failed transfer means.
//
// Threads: opened, used and closed by one thread at a time (the thread that
// owns the link, see QtUsb); isOpen() and lastOpenFailure() from any thread.
// The open flag and the failure are atomic; the handle belongs to the owner.
class UsbSession
{
public:
    enum class OpenFailure
    {
        None,
        NotFound,
        AccessDenied,
        Busy,
        DriverMissing, // Windows: libusb-win32's libusb0.dll is not installed
        Other,
    };

    // Closes a session still open, then finds, opens, configures (1) and
    // claims interface 0 of the first device with these identifiers.
    bool init(quint16 vendorId, quint16 productId);
    // Finds and opens the device only.
    bool open(quint16 vendorId, quint16 productId);
    // Releases the interface and closes; 0 when nothing was open.
    int close();

    bool isOpen() const { return m_opened.load(); }
    OpenFailure lastOpenFailure() const { return OpenFailure(m_openFailure.load()); }

    // Interrupt transfers on an open session: libusb's result (bytes, or a
    // negative error).
    int interruptWrite(int endpoint, const quint8* data, int length, int timeoutMs);
    int interruptRead(int endpoint, quint8* buffer, int length, int timeoutMs);

    // Called with the new state whenever the session opens or closes.
    void setOpenedListener(void (*listener)(void*, bool), void* context);

private:
    void setOpened(bool opened);
    void setFailure(OpenFailure failure) { m_openFailure.store(int(failure)); }
    static OpenFailure failureOf(int error);

    usb_dev_handle* m_handle = nullptr;
    std::atomic<bool> m_opened{false};
    std::atomic<int> m_openFailure{int(OpenFailure::None)};
    void (*m_listener)(void*, bool) = nullptr;
    void* m_listenerContext = nullptr;
};
