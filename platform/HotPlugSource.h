#pragma once

#include <QObject>
#include <QString>

// Where the main window learns that a device was plugged in or removed.
// Arrival carries no identity (opening the tester decides); removal carries
// the interface path of the removed device, which names its identity in the
// form "...VID_vvvv&PID_pppp..." (see DeviceIdentity).
//
// Threads: lives on the GUI thread and emits there.
class HotPlugSource : public QObject
{
    Q_OBJECT

public:
    explicit HotPlugSource(QObject* parent = nullptr) : QObject(parent) {}

    // The system's own source: a udev monitor on Linux. On Windows the main
    // window receives WM_DEVICECHANGE itself and this returns null.
    static HotPlugSource* createSystemSource(QObject* parent);

signals:
    void deviceArrived();
    void deviceRemoved(const QString& interfacePath);
};
