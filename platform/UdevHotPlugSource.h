#pragma once

#include "HotPlugSource.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

// Linux hot-plug: a udev monitor on USB devices, read on the GUI thread
// through a socket notifier. "add" is an arrival; "remove" delivers the
// device's identity as an interface path (DeviceIdentity::interfacePath,
// with the kernel's name of the device, e.g. "1-2", as the last part).
// Without udev (a container, a chroot) it stays silent.
class UdevHotPlugSource : public HotPlugSource
{
    Q_OBJECT

public:
    explicit UdevHotPlugSource(QObject* parent = nullptr);
    ~UdevHotPlugSource() override;

    bool isListening() const { return m_notifier != nullptr; }

    // What one udev event means: emits the matching signal, or nothing.
    void handleEvent(const QString& action, const QString& product, const QString& sysName);

private:
    void readEvent();

    struct udev* m_udev = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};
