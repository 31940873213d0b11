#pragma once

#include "DeviceLinkState.h"
#include "DeviceOperation.h"
#include "LiveValues.h"
#include "RegisterGroup.h"
#include "ReplyDecoder.h"
#include "ReportChannel.h"
#include "ReportFrame.h"
#include "ShortSleep.h"
#include "UsbSession.h"
#include "WorkerOperations.h"

#include <QThread>

#include <atomic>

// The link to the tester box over libusb 0.1 and the worker thread that
// polls it and runs one requested operation at a time: the link's life
// (open, close, recovery after a failed transfer), the request mailbox and
// the worker's loop with its result signals. The reports themselves go
// through ReportChannel, replies are read by ReplyDecoder and the
// operations run in WorkerOperations.
//
// Threads:
// - GUI thread: construction, initDevice/closeDevice while the worker is not
//   running, start(), stopWorker(), the request functions.
// - Worker thread (run()): every transfer while it runs, including the
//   re-initialisation after a failed transfer. All signals are emitted here
//   and reach GUI-thread receivers queued.
// - m_session (handle, open flag) and m_channel are used only by the thread
//   that owns the link at that moment (see above); the session's open flag
//   is atomic because the GUI reads it at any time. m_stopRequested is
//   atomic. m_pollCursor, m_decoder (its copy of the live values),
//   m_operations and m_operationGroups belong to the worker. Shared values
//   live in DeviceLinkState.
class QtUsb : public QThread
{
    Q_OBJECT

public:
    static constexpr quint16 kVendorId = 0x0388;
    static constexpr quint16 kProductId = 0x0004;
    static constexpr int kTransferTimeoutMs = ReportChannel::kTransferTimeoutMs;
    static constexpr int kWriteEndpoint = ReportChannel::kWriteEndpoint;
    static constexpr int kReadEndpoint = ReportChannel::kReadEndpoint;

    explicit QtUsb(QObject* parent = nullptr, DeviceLinkState* state = &DeviceLinkState::global());
    // Stops a still running worker; the link itself is closed by the owner.
    ~QtUsb() override;

    // Link (Closed <-> Open).
    bool initDevice(quint16 vendorId, quint16 productId);
    bool openDevice(quint16 vendorId, quint16 productId);
    int closeDevice();
    bool isOpen() const { return m_session.isOpen(); }

    // Why the last initDevice failed, for a message the user can act on:
    // no such device, no permission on its device node, or an interface
    // another program (the test program) has claimed.
    using OpenFailure = UsbSession::OpenFailure;
    OpenFailure lastOpenFailure() const { return m_session.lastOpenFailure(); }

    // Transfers. Only the low 8 bits of length are used.
    bool writeReport(const quint8* data, int length);
    int readReport(quint8* buffer, int length);

    // Request builders; each sends one 64-byte report through writeReport.
    bool sendRealTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex);
    bool sendEepromRead(const quint16* addresses, quint8 count, quint16 groupIndex);
    bool sendEepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                         quint16 groupIndex);
    bool sendRegisterWrite(const quint16* addresses, const quint16* values, quint8 count,
                           quint16 groupIndex);
    bool sendEncoderPower(quint8 on);

    // Reply decoders, logging why a reply was rejected.
    // Returns the snapshot published (the previous one when nothing decoded).
    LiveSnapshot parseRealTimeReply(const quint8* reply, int length);
    bool parseEepromReply(const quint8* reply, int length);

    // GUI thread: requests for the worker, taken at the end of its next poll
    // pass. A request replaces one still pending (whose result signal then
    // never comes; *replaced receives it, or OpNone); one made while an
    // operation runs is taken after that operation. Each operation that runs
    // ends in exactly one result signal. The configuration requests build
    // their groups now (the write from the current record) and always return
    // true; requestOperation takes 3-6 only and returns false, changing
    // nothing, for any other number.
    bool requestConfigRead(DeviceOperation* replaced = nullptr);
    bool requestConfigWrite(DeviceOperation* replaced = nullptr);
    bool requestOperation(DeviceOperation op, DeviceOperation* replaced = nullptr);

    // GUI thread: worker control.
    void setStopRequested(bool stop);
    bool stopRequested() const { return m_stopRequested.load(); }
    // Sets stopRequested, quit(), and waits until run() has returned. A
    // request the worker had not taken is dropped with the link.
    void stopWorker();

    // Pause before the first poll (1000 ms); shorter only in tests.
    void setStartupPause(int ms) { m_startupPauseMs = ms; }

    DeviceLinkState& state() const { return *m_state; }

signals:
    // Every real-time reply of 64 bytes: first its snapshot (the values as
    // decoded after it; a reply that failed validation repeats the previous
    // sequence), then RealReadRet(). Receivers on another thread get the
    // snapshot queued, by copy, so each sees exactly the values of its reply.
    void LiveSnapshotRet(const LiveSnapshot& snapshot);
    void RealReadRet();
    void EEpWriteRet(bool ok);
    void EEpReadRet(bool ok);
    void ResetRet(bool ok);
    void ClearLineLockRet(bool ok);
    void EncoderPowerRet(bool ok);
    void UsbClose();

protected:
    void run() override;

private:
    void recoverAfterFailedTransfer();

    void pollPass();
    // Runs the current operation, ends it and emits its result.
    void runOperation(DeviceOperation op);
    bool runOperationSteps(DeviceOperation op);
    void emitResult(DeviceOperation op, bool ok);

    DeviceLinkState* m_state;
    UsbSession m_session; // the open link: written by the thread that owns it
    ReportChannel m_channel; // reports on m_session
    std::atomic<bool> m_stopRequested{false};
    int m_pollCursor = 0;
    int m_replyGroup = -1;      // worker: the poll group of the reply being decoded
    qint64 m_replyReceivedNs = 0; // worker: when that reply was read
    int m_startupPauseMs = 1000;
    ShortSleep m_shortSleep;
    RegisterGroupList m_pollGroups;
    RegisterGroupList m_operationGroups; // worker: groups of the running EEPROM operation
    ReplyDecoder m_decoder;              // worker: decoding copy of the live values
    WorkerOperations m_operations;       // worker
};
