#pragma once

#include <QString>
#include <QtGlobal>

// Windows device-change broadcasts: registration of a window for the two
// device-interface classes, and the reading of one WM_DEVICECHANGE message.
// On other systems registration does nothing and every message is None.
namespace WinDeviceChange {

enum class Kind
{
    None,
    Arrival,
    Removal,
};

struct Change
{
    Kind kind = Kind::None;
    QString interfacePath; // Removal only
};

// Registers the window (its native handle) for arrival and removal
// broadcasts of USB hubs and of the tester's interface class. Failures go
// unreported: hot-plug then does not work.
void registerWindow(quintptr windowHandle);

// Reads a native message (a MSG* on Windows).
Change interpret(const QByteArray& eventType, void* message);

} // namespace WinDeviceChange
