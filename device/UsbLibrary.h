#pragma once

// Whether libusb can be called. On Windows libusb-win32's libusb0.dll is
// loaded on first use (delay-loaded), so a program starts without the
// driver installed and the link reports it instead of the program failing
// to start. Defined by the binding a program links: the real libusb
// (UsbLibrary.cpp) or the simulated tester (always there).
class UsbLibrary
{
public:
    static bool present();
};
