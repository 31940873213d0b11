#include "UsbSession.h"

#include "UsbApi.h"
#include "UsbLibrary.h"

#include <QtDebug>

#include <cerrno>

namespace {

void logDebug(const char* text)
{
    qDebug("%s", text);
}
void logCritical(const char* text)
{
    qCritical("%s", text);
}

} // namespace

bool UsbSession::init(quint16 vendorId, quint16 productId)
{
    if (m_opened.load()) {
        logDebug("Closing LibUSB");
        usb_release_interface(m_handle, 0);
        usb_close(m_handle);
        m_handle = nullptr;
        setOpened(false);
    }
    if (!UsbLibrary::present()) {
        logCritical("libusb0.dll is missing: the libusb-win32 driver is not installed.");
        setFailure(OpenFailure::DriverMissing);
        return false;
    }
    logDebug("Initializing LibUSB");
    usb_init();
    if (!open(vendorId, productId)) {
        logCritical("Cannot set configuration. ");
        return false;
    }
    const int configured = usb_set_configuration(m_handle, 1);
    if (configured < 0) {
        logCritical("Cannot set configuration. ");
        close();
        setFailure(failureOf(-configured));
        return false;
    }
    logDebug("Configuration  setted");
    const int claimed = usb_claim_interface(m_handle, 0);
    if (claimed < 0) {
        logCritical("Cannot claim interface.");
        close();
        setFailure(failureOf(-claimed));
        return false;
    }
    logDebug("Interface claimed");
    return true;
}

UsbSession::OpenFailure UsbSession::failureOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return OpenFailure::AccessDenied;
    case EBUSY:
        return OpenFailure::Busy;
    case ENODEV:
    case ENOENT:
        return OpenFailure::NotFound;
    default:
        return OpenFailure::Other;
    }
}

bool UsbSession::open(quint16 vendorId, quint16 productId)
{
    qDebug("Scanning for device with VendorId = 0x%04x and ProductId = 0x%04x", vendorId,
           productId);
    setFailure(OpenFailure::NotFound);
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor != vendorId || dev->descriptor.idProduct != productId)
                continue;
            logDebug("Device found");
            logCritical(dev->filename);
            errno = 0;
            m_handle = usb_open(dev);
            if (!m_handle) {
                // libusb 0.1 reports the cause in errno only.
                setFailure(failureOf(errno));
                logCritical("Could not open USB device");
                return false;
            }
            setFailure(OpenFailure::None);
            setOpened(true);
            return true;
        }
    }
    logDebug("Cannot find specified device");
    return false;
}

int UsbSession::close()
{
    logDebug("Closing LibUSB");
    if (!m_opened.load())
        return 0;
    usb_release_interface(m_handle, 0);
    const int result = usb_close(m_handle);
    m_handle = nullptr;
    setOpened(false);
    return result;
}

void UsbSession::setOpened(bool opened)
{
    m_opened.store(opened);
    if (m_listener)
        m_listener(m_listenerContext, opened);
}

int UsbSession::interruptWrite(int endpoint, const quint8* data, int length, int timeoutMs)
{
    return UsbApi::interruptWrite(m_handle, endpoint, data, length, timeoutMs);
}

int UsbSession::interruptRead(int endpoint, quint8* buffer, int length, int timeoutMs)
{
    return UsbApi::interruptRead(m_handle, endpoint, buffer, length, timeoutMs);
}

void UsbSession::setOpenedListener(void (*listener)(void*, bool), void* context)
{
    m_listener = listener;
    m_listenerContext = context;
}
