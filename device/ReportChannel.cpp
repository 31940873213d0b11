#include "ReportChannel.h"

#include "UsbSession.h"

#include <QThread>

ReportChannel::ReportChannel(UsbSession& session, std::function<void()> transferFailed)
    : m_session(session), m_transferFailed(std::move(transferFailed))
{
}

bool ReportChannel::writeReport(const quint8* data, int length)
{
    if (!m_session.isOpen()) {
        qCritical("Usb connection not opened");
        return false;
    }
    if (m_session.interruptWrite(kWriteEndpoint, data, length & 0xFF, kTransferTimeoutMs) >= 0)
        return true;
    m_transferFailed();
    return false;
}

int ReportChannel::readReport(quint8* buffer, int length)
{
    if (!m_session.isOpen()) {
        qCritical("Usb connection not opened");
        return 0;
    }
    const int result =
        m_session.interruptRead(kReadEndpoint, buffer, length & 0xFF, kTransferTimeoutMs);
    if (result >= 0)
        return result;
    m_transferFailed();
    return -1;
}

bool ReportChannel::readAcknowledgement(quint8* buffer)
{
    QThread::msleep(1);
    return ReportFrame::isAcknowledged(buffer, readReport(buffer, ReportFrame::kReportSize));
}

bool ReportChannel::send(const std::optional<ReportFrame::Report>& report)
{
    if (!report) {
        qCritical("Request entry count error!");
        return false;
    }
    return writeReport(report->data(), ReportFrame::kReportSize);
}

bool ReportChannel::sendRealTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return send(ReportFrame::realTimeRead(addresses, count, groupIndex));
}

bool ReportChannel::sendEepromRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return send(ReportFrame::eepromRead(addresses, count, groupIndex));
}

bool ReportChannel::sendEepromWrite(const quint16* addresses, const quint16* values,
                                    quint8 count, quint16 groupIndex)
{
    return send(ReportFrame::eepromWrite(addresses, values, count, groupIndex));
}

bool ReportChannel::sendRegisterWrite(const quint16* addresses, const quint16* values,
                                      quint8 count, quint16 groupIndex)
{
    return send(ReportFrame::registerWrite(addresses, values, count, groupIndex));
}

bool ReportChannel::sendEncoderPower(quint8 on)
{
    return send(ReportFrame::encoderPower(on));
}
