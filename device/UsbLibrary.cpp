#include "UsbLibrary.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

bool UsbLibrary::present()
{
#ifdef Q_OS_WIN
    // Loaded once and kept: the delay-load helper finds it loaded.
    static const bool loaded = LoadLibraryW(L"libusb0.dll") != nullptr;
    return loaded;
#else
    return true; // linked at build time
#endif
}
