#include "QtUsb.h"

#include "EepromImage.h"
#include "PreciseTimers.h"

#include <chrono>

QtUsb::QtUsb(QObject* parent, DeviceLinkState* state)
    : QThread(parent), m_state(state),
      m_channel(m_session, [this] { recoverAfterFailedTransfer(); }),
      m_pollGroups(ReportFrame::pollGroups()), m_decoder(*state),
      m_operations(m_channel, m_decoder, *state)
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

// ------------------------------------------------- transfers and replies

bool QtUsb::writeReport(const quint8* data, int length)
{
    return m_channel.writeReport(data, length);
}

int QtUsb::readReport(quint8* buffer, int length)
{
    return m_channel.readReport(buffer, length);
}

bool QtUsb::sendRealTimeRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return m_channel.sendRealTimeRead(addresses, count, groupIndex);
}

bool QtUsb::sendEepromRead(const quint16* addresses, quint8 count, quint16 groupIndex)
{
    return m_channel.sendEepromRead(addresses, count, groupIndex);
}

bool QtUsb::sendEepromWrite(const quint16* addresses, const quint16* values, quint8 count,
                            quint16 groupIndex)
{
    return m_channel.sendEepromWrite(addresses, values, count, groupIndex);
}

bool QtUsb::sendRegisterWrite(const quint16* addresses, const quint16* values, quint8 count,
                              quint16 groupIndex)
{
    return m_channel.sendRegisterWrite(addresses, values, count, groupIndex);
}

bool QtUsb::sendEncoderPower(quint8 on)
{
    return m_channel.sendEncoderPower(on);
}

LiveSnapshot QtUsb::parseRealTimeReply(const quint8* reply, int length)
{
    return m_decoder.realTime(reply, length, m_replyGroup, m_replyReceivedNs);
}

bool QtUsb::parseEepromReply(const quint8* reply, int length)
{
    return m_decoder.eeprom(reply, length);
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
    m_decoder.restart();
    qCritical("Thread run!");
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
    m_shortSleep.sleep(m_startupPauseMs);

    while (!m_stopRequested.load()) {
        QThread::msleep(1);
        const DeviceOperation op = m_state->currentOperation();
        if (op == OpPoll)
            pollPass();
        else if (isRequestableOperation(op))
            runOperation(op);
    }
    // A request taken at the end of the last pass never ran: drop it, so
    // that nothing of it is left for the next start.
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
    qDebug("USB Thread Quit ");
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

void QtUsb::runOperation(DeviceOperation op)
{
    const bool ok = runOperationSteps(op);
    m_operationGroups.clear();
    m_state->setCurrentOperation(OpPoll);
    emitResult(op, ok);
}

bool QtUsb::runOperationSteps(DeviceOperation op)
{
    switch (op) {
    case OpEepromWrite:
        return m_operations.eepromWrite(m_operationGroups);
    case OpEepromRead:
        return m_operations.eepromRead(m_operationGroups);
    case OpReset:
    case OpClearLineLock:
        return m_operations.registerCommand(op);
    case OpEncoderPowerOn:
    case OpEncoderPowerOff:
        return m_operations.encoderPower(op);
    default:
        return false;
    }
}

void QtUsb::emitResult(DeviceOperation op, bool ok)
{
    switch (op) {
    case OpEepromWrite:
        emit EEpWriteRet(ok);
        break;
    case OpEepromRead:
        emit EEpReadRet(ok);
        break;
    case OpReset:
        emit ResetRet(ok);
        break;
    case OpClearLineLock:
        emit ClearLineLockRet(ok);
        break;
    case OpEncoderPowerOn:
    case OpEncoderPowerOff:
        emit EncoderPowerRet(ok);
        break;
    default:
        break;
    }
}
