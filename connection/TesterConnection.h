#pragma once

#include "ConfigRecord.h"
#include "DeviceOperation.h"

#include <QObject>
#include <QString>

class HotPlugSource;
class NestedWait;
class QtUsb;

// The test program's connection to the tester over its life: opens it (at
// start and whenever a device is plugged in) and starts the worker; stops
// the worker and closes the link when the tester is removed or lost and when
// the program ends. Passes the window's requests to the worker while the
// tester is open. Owns the device link (QtUsb) and the nested waits of the
// window's commands, which end when the link stops.
//
// Threads: GUI thread only. The device link's signals are wired by the
// window and reach it queued.
class TesterConnection : public QObject
{
    Q_OBJECT

public:
    // `startupPauseMs`: the worker's pause before its first poll after each
    // open (shorter only in tests).
    explicit TesterConnection(int startupPauseMs, QObject* parent = nullptr);
    // Shuts down as shutDown() does.
    ~TesterConnection() override;

    QtUsb* device() const { return m_usb; }
    NestedWait* waits() const { return m_waits; }
    // end() has been called: the program is closing.
    bool ending() const { return m_ending; }
    bool isOpen() const;
    // The link state's configuration record, whole.
    ConfigRecord config() const;

    // Follows the plug events of `source` (null: none), taken as a child
    // when it has no parent, and on Windows the device broadcasts to the
    // window `windowHandle` (read through nativeEvent).
    void watch(HotPlugSource* source, quintptr windowHandle);
    // Opens the tester and starts its worker; opened() or openFailed().
    bool open();
    // Any device arrived: opening decides whether it was the tester.
    void deviceArrived();
    // A device left: when it is the tester, as lost().
    void deviceRemoved(const QString& interfacePath);
    // A Windows device-change message, read in the window's native event hook.
    void nativeEvent(const QByteArray& eventType, void* message);
    // The tester is gone (removed, or the worker could not reach it again):
    // the link stops, then closed().
    void lost();
    // For good, as the program ends: the waits end now and later ones never
    // start, the link stops. True the first time.
    bool end();
    // As end(), quietly (no signal, no log): for the window's destruction.
    void shutDown();

    // Requests for the worker while the tester is open. False, with
    // accessRefused(), when it is not open or `op` cannot be requested;
    // replaced() names a pending request that the new one replaced.
    bool requireOpen();
    bool request(DeviceOperation op);
    bool requestConfigRead();
    // After a supply switch: until the new state has reached the
    // configuration record and the live values (two more refreshes, then
    // 200 ms). False when the link stopped meanwhile.
    bool awaitSupplySettled();

signals:
    void opened();
    void openFailed();
    void closed();
    // The link stopped: waits under way have ended.
    void stopped();
    void accessRefused();
    void replaced(DeviceOperation operation);

private:
    void stopLink();
    void reportReplaced(DeviceOperation operation);

    QtUsb* m_usb;
    NestedWait* m_waits;
    bool m_ending = false;
};
