#pragma once

// libusb 0.1 for the device link: usb.h on Linux, libusb-win32's
// lusb0_usb.h on Windows. The two declare the same calls, except that
// libusb-win32 takes the buffer of a write as char* where usb.h takes
// const char*; interruptWrite below covers that difference for both.

#ifdef _WIN32
#include <lusb0_usb.h>
#else
#include <usb.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace UsbApi {

// Largest transfer interruptWrite passes on (the link sends 64 bytes).
constexpr int kMaxWriteSize = 256;

// usb_interrupt_write of `size` bytes from `data`. The bytes are copied to a
// buffer of its own first, so the library, which takes them as writable on
// Windows, never gets the caller's const data. -EINVAL for a size outside
// 0..kMaxWriteSize, without calling the library.
inline int interruptWrite(usb_dev_handle* handle, int endpoint, const std::uint8_t* data, int size,
                          int timeoutMs)
{
    if (size < 0 || size > kMaxWriteSize)
        return -EINVAL;
    char bytes[kMaxWriteSize];
    if (size > 0)
        std::memcpy(bytes, data, std::size_t(size));
    return usb_interrupt_write(handle, endpoint, bytes, size, timeoutMs);
}

// usb_interrupt_read into `buffer` (the same char* on both systems).
inline int interruptRead(usb_dev_handle* handle, int endpoint, std::uint8_t* buffer, int size,
                         int timeoutMs)
{
    return usb_interrupt_read(handle, endpoint, reinterpret_cast<char*>(buffer), size, timeoutMs);
}

} // namespace UsbApi
