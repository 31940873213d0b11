#include "QtUsb.h"

#include "EepromImage.h"
#include "PreciseTimers.h"

#include <chrono>

namespace {

void logDebug(const char* text)
{
    qDebug("%s", text);
}
void logCritical(const char* text)
{
    qCritical("%s", text);
}

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

QtUsb::QtUsb(QObject* parent, DeviceLinkState* state)
    : QThread(parent), m_state(state), m_pollGroups(ReportFrame::pollGroups())
{
    qRegisterMetaType<LiveSnapshot>();
    m_state->setUsbOpened(false);
    m_session.setOpenedListener(
        [](void* state, bool opened) { static_cast<DeviceLinkState*>(state)->setUsbOpened(opened); },
        m_state);
}

QtUsb::~QtUsb()
{
    if (isRunning())
        stopWorker();
}

// ---------------------------------------------------------------- link

bool QtUsb::initDevice(quint16 vendorId, quint16 productId)
{
    return m_session.init(vendorId, productId);
}

bool QtUsb::openDevice(quint16 vendorId, quint16 productId)
{
    return m_session.open(vendorId, productId);
}

int QtUsb::closeDevice()
{
    return m_session.close();
}

void QtUsb::recoverAfterFailedTransfer()
{
    if (!initDevice(kVendorId, kProductId))
        emit UsbClose();
}

// ----------------------------------------------------------- transfers

bool QtUsb::writeReport(const quint8* data, int length)
{
    if (!m_session.isOpen()) {
        logCritical("Usb connection not opened");
        return false;
    }
    if (m_session.interruptWrite(kWriteEndpoint, data, length & 0xFF, kTransferTimeoutMs) >= 0)
        return true;
    recoverAfterFailedTransfer();
    return false;
}

int QtUsb::readReport(quint8* buffer, int length)
{
    if (!m_session.isOpen()) {
        logCritical("Usb connection not opened");
        return 0;
    }
    const int result =
        m_session.interruptRead(kReadEndpoint, buffer, length & 0xFF, kTransferTimeoutMs);
    if (result >= 0)
        return result;
    recoverAfterFailedTransfer();
    return -1;
}

bool QtUsb::sendReport(const std::optional<ReportFrame::Report>& report)
{
    if (!report) {
        logCritical("Request entry count error!");
        return false;
    }
    return writeReport(report->data(), ReportFrame::kReportSize);
}

bool QtUsb::sendRealTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return sendReport(ReportFrame::realTimeRead(addresses, count, groupIndex));
}

bool QtUsb::sendEepromRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return sendReport(ReportFrame::eepromRead(addresses, count, groupIndex));
}

bool QtUsb::sendEepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                            quint16 groupIndex)
{
    return sendReport(ReportFrame::eepromWrite(addresses, values, count, groupIndex));
}

bool QtUsb::sendRegisterWrite(const quint16* addresses, const quint16* values, quint8 count,
                              quint16 groupIndex)
{
    return sendReport(ReportFrame::registerWrite(addresses, values, count, groupIndex));
}

bool QtUsb::sendEncoderPower(quint8 on)
{
    return sendReport(ReportFrame::encoderPower(on));
}

// ------------------------------------------------------------ decoding

LiveSnapshot QtUsb::parseRealTimeReply(const quint8* reply, int length)
{
    switch (ReportFrame::decodeRealTimeReply(reply, length, m_live)) {
    case ReportFrame::Verdict::SizeError:
        logDebug("Read Data Size Error!");
        break;
    case ReportFrame::Verdict::CountError:
        logDebug("ResolveRealReadData DataCount Error!");
        break;
    case ReportFrame::Verdict::StatusError:
        logDebug("Read  RealTimeData Error!");
        break;
    case ReportFrame::Verdict::Decoded:
        return m_state->publishLiveValues(m_live, m_replyGroup, m_replyReceivedNs);
    case ReportFrame::Verdict::WrongHeader:
    case ReportFrame::Verdict::NoEntries:
        break;
    }
    return m_state->liveSnapshot();
}

bool QtUsb::parseEepromReply(const quint8* reply, int length)
{
    const ReportFrame::Verdict verdict = m_state->editConfig([&](ConfigRecord& record) {
        return ReportFrame::decodeEepromReply(reply, length, record);
    });
    switch (verdict) {
    case ReportFrame::Verdict::SizeError:
        logDebug("Read Data Size Error!");
        return false;
    case ReportFrame::Verdict::CountError:
        logDebug("ResolveEEpReadData DataCount Error!");
        return false;
    case ReportFrame::Verdict::StatusError:
        logDebug("Read EEpDate Error!");
        return false;
    case ReportFrame::Verdict::WrongHeader:
    case ReportFrame::Verdict::NoEntries:
    case ReportFrame::Verdict::Decoded:
        return true;
    }
    return false;
}

// ------------------------------------------------------------ requests

bool QtUsb::requestConfigRead(DeviceOperation* replaced)
{
    return m_state->requestEepromOperation(OpEepromRead, EepromImage::readGroups(), replaced);
}

bool QtUsb::requestConfigWrite(DeviceOperation* replaced)
{
    return m_state->requestEepromOperation(
        OpEepromWrite, EepromImage::writeGroups(m_state->config()), replaced);
}

bool QtUsb::requestOperation(DeviceOperation op, DeviceOperation* replaced)
{
    return m_state->requestOperation(op, replaced);
}

void QtUsb::setStopRequested(bool stop)
{
    m_stopRequested.store(stop);
    if (stop)
        m_shortSleep.interrupt();
}

void QtUsb::stopWorker()
{
    setStopRequested(true);
    quit();
    wait();
    // wait() joins through Qt's own primitives, which the thread checker
    // cannot see. The worker's last step takes the operation lock; taking it
    // here too makes the order of its last writes and ours visible.
    // A request it had not taken belongs to the link that ends here.
    m_state->dropRequest();
}

// -------------------------------------------------------------- worker

void QtUsb::run()
{
    const PreciseTimers preciseTimers;
    m_shortSleep.rearm();
    if (m_stopRequested.load())
        m_shortSleep.interrupt();
    m_live = m_state->liveValues();
    logCritical("Thread run!");
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
    m_shortSleep.sleep(m_startupPauseMs);

    while (!m_stopRequested.load()) {
        QThread::msleep(1);
        switch (m_state->currentOperation()) {
        case OpPoll:
            pollPass();
            break;
        case OpEepromWrite:
            runEepromWrite();
            break;
        case OpEepromRead:
            runEepromRead();
            break;
        case OpReset:
        case OpClearLineLock:
            runRegisterCommand(m_state->currentOperation());
            break;
        case OpEncoderPowerOn:
        case OpEncoderPowerOff:
            runEncoderPower(m_state->currentOperation());
            break;
        default:
            break;
        }
    }
    // A request taken at the end of the last pass never ran: drop it, so
    // that nothing of it is left for the next start.
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
    logDebug("USB Thread Quit ");
}

void QtUsb::pollPass()
{
    const RegisterGroup& group = m_pollGroups.at(m_pollCursor);
    if (!sendRealTimeRead(group.addresses.data(), group.requestCount(), quint16(m_pollCursor)))
        return;
    m_shortSleep.sleep(1);

    quint8 buffer[ReportFrame::kReportSize] = {};
    if (readReport(buffer, ReportFrame::kReportSize) == ReportFrame::kReportSize) {
        m_replyGroup = m_pollCursor;
        m_replyReceivedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        m_pollCursor = m_pollCursor + 1 >= m_pollGroups.size() ? 0 : m_pollCursor + 1;
        const LiveSnapshot snapshot = parseRealTimeReply(buffer, ReportFrame::kReportSize);
        m_replyGroup = -1;
        emit LiveSnapshotRet(snapshot);
        emit RealReadRet();
    }
    m_state->takeRequest(&m_operationGroups);
}

bool QtUsb::readAcknowledgement(quint8* buffer)
{
    QThread::msleep(1);
    return ReportFrame::isAcknowledged(buffer, readReport(buffer, ReportFrame::kReportSize));
}

void QtUsb::finishOperation()
{
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
}

void QtUsb::runEepromWrite()
{
    quint8 buffer[ReportFrame::kReportSize] = {};
    for (int i = 0; i < m_operationGroups.size(); ++i) {
        const RegisterGroup& group = m_operationGroups.at(i);
        const bool sent = sendWithRetries(
            [&] {
                return sendEepromWrite(group.addresses.data(), group.values.data(),
                                       group.requestCount(), quint16(i));
            },
            kEepromWriteRetryMs);
        if (!sent) {
            finishOperation();
            emit EEpWriteRet(false);
            return;
        }
        if (!readAcknowledgement(buffer)) {
            logCritical("EEP AB Same Write Error!");
            finishOperation();
            emit EEpWriteRet(false);
            return;
        }
    }
    finishOperation();
    emit EEpWriteRet(true);
}

void QtUsb::runEepromRead()
{
    logCritical("EEP  Read req ++++++++++++++++!");
    quint8 buffer[ReportFrame::kReportSize] = {};
    for (int i = 0; i < m_operationGroups.size(); ++i) {
        const RegisterGroup& group = m_operationGroups.at(i);
        const bool sent = sendWithRetries(
            [&] {
                return sendEepromRead(group.addresses.data(), group.requestCount(), quint16(i));
            },
            kEepromReadRetryMs);
        if (!sent) {
            finishOperation();
            emit EEpReadRet(false);
            logCritical("EEP AB Same Read req Error!");
            return;
        }
        if (!readAcknowledgement(buffer)) {
            logCritical("EEP AB Same Read Error!");
            finishOperation();
            emit EEpReadRet(false);
            return;
        }
        parseEepromReply(buffer, ReportFrame::kReportSize);
        logCritical("EEP  Read req ----------------------!");
    }
    finishOperation();
    emit EEpReadRet(true);
}

void QtUsb::runRegisterCommand(DeviceOperation op)
{
    const bool reset = op == OpReset;
    const quint16 address = reset ? ReportFrame::kResetAddress : ReportFrame::kClearLineLockAddress;
    const quint16 value = 0;
    auto result = [this, reset](bool ok) {
        finishOperation();
        if (reset)
            emit ResetRet(ok);
        else
            emit ClearLineLockRet(ok);
    };
    if (!sendRegisterWrite(&address, &value, 1, 0)) {
        result(false);
        return;
    }
    quint8 buffer[ReportFrame::kReportSize] = {};
    const bool ok = readAcknowledgement(buffer);
    if (ok)
        logCritical(reset ? "Reset Successful!" : "ClearLineLock Successful!");
    else
        logCritical(reset ? "Reset Error!" : "ClearLineLock Error!");
    result(ok);
}

void QtUsb::runEncoderPower(DeviceOperation op)
{
    if (!sendEncoderPower(op == OpEncoderPowerOn ? 1 : 0)) {
        finishOperation();
        emit EncoderPowerRet(false);
        return;
    }
    quint8 buffer[ReportFrame::kReportSize] = {};
    const bool ok = readAcknowledgement(buffer);
    if (ok) {
        logCritical("EncoderPower Successful!");
        const quint8 power = ReportFrame::encoderPowerState(buffer);
        m_state->editConfig([power](ConfigRecord& record) { record.encoderPower = power; });
    } else {
        logCritical("EncoderPowert Error!");
    }
    finishOperation();
    emit EncoderPowerRet(ok);
}
