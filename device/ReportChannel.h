#pragma once

#include "ReportFrame.h"

#include <QtGlobal>

#include <functional>
#include <optional>

class UsbSession;

// The tester's 64-byte reports on an open libusb session: written to and
// read from the interrupt endpoints, and the requests built as reports
// (ReportFrame). A failed transfer calls the failure handler (the worker
// opens the link again, or reports it lost) and reports the failure.
//
// Threads: used by the thread that owns the link at that moment (see QtUsb),
// like the session it writes to.
class ReportChannel
{
public:
    static constexpr int kTransferTimeoutMs = 200;
    static constexpr int kWriteEndpoint = 0x01;
    static constexpr int kReadEndpoint = 0x81;

    ReportChannel(UsbSession& session, std::function<void()> transferFailed);

    // Transfers. Only the low 8 bits of length are used. readReport returns
    // the bytes read, 0 on a closed session and -1 after a failed transfer.
    bool writeReport(const quint8* data, int length);
    int readReport(quint8* buffer, int length);
    // After a request: waits 1 ms, reads the reply and checks that it
    // acknowledges; the reply stays in `buffer`.
    bool readAcknowledgement(quint8* buffer);

    // Request builders; each sends one report.
    bool sendRealTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex);
    bool sendEepromRead(const quint16* addresses, quint8 count, quint16 groupIndex);
    bool sendEepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                         quint16 groupIndex);
    bool sendRegisterWrite(const quint16* addresses, const quint16* values, quint8 count,
                           quint16 groupIndex);
    bool sendEncoderPower(quint8 on);

private:
    bool send(const std::optional<ReportFrame::Report>& report);

    UsbSession& m_session;
    std::function<void()> m_transferFailed;
};
