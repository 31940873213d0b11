#pragma once

#include "ConfigRecord.h"
#include "DeviceOperation.h"
#include "LiveSnapshot.h"
#include "LiveValues.h"
#include "RegisterGroup.h"

#include <atomic>
#include <mutex>

// The process-wide state shared by the GUI thread and the QtUsb worker: the
// open flag, the operation hand-over, the EEPROM groups of the pending
// operation, the live values and the configuration record. One instance,
// global(); tests call reset() between cases.
//
// Threads and locks:
// - usbOpened: atomic; written by whichever thread opens or closes the link,
//   read by the GUI thread.
// - requestedOperation, currentOperation, eepromGroups: guarded by m_opMutex.
//   The GUI thread requests (requestOperation, requestEepromOperation) at any
//   time: a request replaces one still pending, and one made while an
//   operation runs is taken after it. The worker takes a request (takeRequest)
//   together with its own copy of the groups, so the GUI may publish new
//   groups while an EEPROM operation is pending or running.
// - live values: guarded by m_liveMutex; the worker publishes whole
//   snapshots, the GUI thread reads whole snapshots. Each publication from a
//   reply counts one in the snapshot's sequence. Readers that must see every
//   reply take the snapshots QtUsb sends with LiveSnapshotRet instead.
// - configuration record: guarded by m_configMutex; the worker decodes EEPROM
//   replies and the encoder supply state into it, the GUI thread edits it.
class DeviceLinkState
{
public:
    static DeviceLinkState& global();

    // Back to the start-up state: closed, nothing requested, initial values.
    void reset();

    bool usbOpened() const { return m_usbOpened.load(); }
    void setUsbOpened(bool opened) { m_usbOpened.store(opened); }

    // GUI thread. Requests reset, clear line lock or an encoder supply
    // switch. Replaces a request still pending, whose result signal then never
    // comes; *replaced (when given) receives that request, or OpNone. EEPROM
    // operations go through requestEepromOperation: passing one here is
    // refused (false, nothing changed), as is any number outside 3-6.
    bool requestOperation(DeviceOperation op, DeviceOperation* replaced = nullptr);

    // GUI thread. Publishes the groups and requests the EEPROM operation
    // (OpEepromWrite or OpEepromRead; anything else is refused with false).
    // Replaces a pending request like requestOperation; an operation already
    // running keeps the groups it took.
    bool requestEepromOperation(DeviceOperation op, const RegisterGroupList& groups,
                                DeviceOperation* replaced = nullptr);

    DeviceOperation requestedOperation() const;
    DeviceOperation currentOperation() const;
    RegisterGroupList eepromGroups() const;

    // Worker. Moves a pending request (1-6) into currentOperation and
    // returns it, copying the groups of an EEPROM request into *groups.
    // Returns OpPoll and leaves everything as it is when nothing is pending.
    DeviceOperation takeRequest(RegisterGroupList* groups);

    // Worker, when it stops: a request not yet taken is dropped, so that
    // nothing of the old link runs (or is reported as replaced) on the next.
    void dropRequest();

    // Worker. Sets currentOperation (OpPoll when an operation has ended, and
    // when the worker starts or stops, so that a request taken but never run
    // does not linger).
    void setCurrentOperation(DeviceOperation op);

    LiveValues liveValues() const;
    LiveSnapshot liveSnapshot() const;
    // Worker: publishes the values after one decoded reply to poll `group`,
    // received at `receivedNs` (-1 and 0 when the values do not come from a
    // reply); returns the snapshot as published.
    LiveSnapshot publishLiveValues(const LiveValues& values, int group = -1,
                                   qint64 receivedNs = 0);

    ConfigRecord config() const;
    void setConfig(const ConfigRecord& record);

    // Runs `edit` on the record under its lock; returns what edit returns.
    template <typename Edit> auto editConfig(Edit edit)
    {
        std::lock_guard<std::mutex> lock(m_configMutex);
        return edit(m_config);
    }

private:
    std::atomic<bool> m_usbOpened{false};

    mutable std::mutex m_opMutex;
    DeviceOperation m_requested = OpNone;
    DeviceOperation m_current = OpNone;
    RegisterGroupList m_eepromGroups;

    mutable std::mutex m_liveMutex;
    LiveSnapshot m_live;

    mutable std::mutex m_configMutex;
    ConfigRecord m_config;
};
