#include "WorkerOperations.h"

#include "DeviceLinkState.h"
#include "ReplyDecoder.h"
#include "ReportChannel.h"
#include "ReportFrame.h"

#include <QThread>

namespace {

constexpr int kEepromWriteRetryMs = 10;
constexpr int kEepromReadRetryMs = 20;
constexpr int kMaxRetries = 10; // a group is sent at most kMaxRetries + 2 times

// Sends until `send` succeeds; false after the last allowed attempt failed.
template <typename Send> bool sendWithRetries(Send send, int pauseMs)
{
    int retries = 0;
    while (!send()) {
        QThread::msleep(pauseMs);
        if (retries > kMaxRetries)
            return false;
        ++retries;
    }
    return true;
}

} // namespace

WorkerOperations::WorkerOperations(ReportChannel& channel, ReplyDecoder& decoder,
                                   DeviceLinkState& state)
    : m_channel(channel), m_decoder(decoder), m_state(state)
{
}

bool WorkerOperations::eepromWrite(const RegisterGroupList& groups)
{
    quint8 buffer[ReportFrame::kReportSize] = {};
    for (int i = 0; i < groups.size(); ++i) {
        const RegisterGroup& group = groups.at(i);
        const bool sent = sendWithRetries(
            [&] {
                return m_channel.sendEepromWrite(group.addresses.data(), group.values.data(),
                                                 group.requestCount(), quint16(i));
            },
            kEepromWriteRetryMs);
        if (!sent)
            return false;
        if (!m_channel.readAcknowledgement(buffer)) {
            qCritical("EEP AB Same Write Error!");
            return false;
        }
    }
    return true;
}

bool WorkerOperations::eepromRead(const RegisterGroupList& groups)
{
    qCritical("EEP  Read req ++++++++++++++++!");
    quint8 buffer[ReportFrame::kReportSize] = {};
    for (int i = 0; i < groups.size(); ++i) {
        const RegisterGroup& group = groups.at(i);
        const bool sent = sendWithRetries(
            [&] {
                return m_channel.sendEepromRead(group.addresses.data(), group.requestCount(),
                                                quint16(i));
            },
            kEepromReadRetryMs);
        if (!sent) {
            qCritical("EEP AB Same Read req Error!");
            return false;
        }
        if (!m_channel.readAcknowledgement(buffer)) {
            qCritical("EEP AB Same Read Error!");
            return false;
        }
        // An acknowledged reply that does not decode (its count is wrong)
        // ends the read as failed; earlier groups' values stay.
        if (!m_decoder.eeprom(buffer, ReportFrame::kReportSize))
            return false;
        qCritical("EEP  Read req ----------------------!");
    }
    return true;
}

bool WorkerOperations::registerCommand(DeviceOperation op)
{
    const bool reset = op == OpReset;
    const quint16 address = reset ? ReportFrame::kResetAddress : ReportFrame::kClearLineLockAddress;
    const quint16 value = 0;
    if (!m_channel.sendRegisterWrite(&address, &value, 1, 0))
        return false;
    quint8 buffer[ReportFrame::kReportSize] = {};
    const bool ok = m_channel.readAcknowledgement(buffer);
    if (ok)
        qCritical(reset ? "Reset Successful!" : "ClearLineLock Successful!");
    else
        qCritical(reset ? "Reset Error!" : "ClearLineLock Error!");
    return ok;
}

bool WorkerOperations::encoderPower(DeviceOperation op)
{
    if (!m_channel.sendEncoderPower(op == OpEncoderPowerOn ? 1 : 0))
        return false;
    quint8 buffer[ReportFrame::kReportSize] = {};
    if (!m_channel.readAcknowledgement(buffer)) {
        qCritical("EncoderPowert Error!");
        return false;
    }
    qCritical("EncoderPower Successful!");
    const quint8 power = ReportFrame::encoderPowerState(buffer);
    m_state.editConfig([power](ConfigRecord& record) { record.encoderPower = power; });
    return true;
}
