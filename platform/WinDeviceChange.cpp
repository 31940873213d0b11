#include "WinDeviceChange.h"

#include <QByteArray>

#ifdef Q_OS_WIN
#include <windows.h>

#include <dbt.h>

namespace {

// USB hubs, and the device-interface class of the tester's driver.
const GUID kInterfaceClasses[] = {
    {0xF18A0E88, 0xC30C, 0x11D0, {0x88, 0x15, 0x00, 0xA0, 0xC9, 0x06, 0xBE, 0xD8}},
    {0x20343A29, 0x6DA1, 0x4DB8, {0x8A, 0x3C, 0x16, 0xE7, 0x74, 0x05, 0x7B, 0xF5}},
};

HDEVNOTIFY g_notifications[2] = {nullptr, nullptr}; // held for the life of the process

} // namespace

namespace WinDeviceChange {

void registerWindow(quintptr windowHandle)
{
    for (int i = 0; i < 2; ++i) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter;
        ZeroMemory(&filter, sizeof(filter));
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kInterfaceClasses[i];
        g_notifications[i] = RegisterDeviceNotificationW(reinterpret_cast<HANDLE>(windowHandle),
                                                         &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

Change interpret(const QByteArray& eventType, void* message)
{
    Change change;
    if (eventType != "windows_generic_MSG" || !message)
        return change;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE)
        return change;
    if (msg->wParam == DBT_DEVICEARRIVAL) {
        change.kind = Kind::Arrival;
        return change;
    }
    if (msg->wParam != DBT_DEVICEREMOVECOMPLETE || msg->lParam == 0)
        return change;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return change;
    const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    change.kind = Kind::Removal;
    change.interfacePath = QString::fromWCharArray(broadcast->dbcc_name);
    return change;
}

} // namespace WinDeviceChange

#else

namespace WinDeviceChange {

void registerWindow(quintptr windowHandle)
{
    Q_UNUSED(windowHandle);
}

Change interpret(const QByteArray& eventType, void* message)
{
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return Change();
}

} // namespace WinDeviceChange

#endif
