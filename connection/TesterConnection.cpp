#include "TesterConnection.h"

#include "DeviceIdentity.h"
#include "HotPlugSource.h"
#include "NestedWait.h"
#include "QtUsb.h"
#include "WinDeviceChange.h"

namespace {

constexpr int kSupplySettleMs = 200;

} // namespace

TesterConnection::TesterConnection(int startupPauseMs, QObject* parent)
    : QObject(parent), m_usb(new QtUsb(this)), m_waits(new NestedWait(this))
{
    m_usb->setStartupPause(startupPauseMs);
}

TesterConnection::~TesterConnection()
{
    shutDown();
}

bool TesterConnection::isOpen() const
{
    return m_usb->state().usbOpened();
}

ConfigRecord TesterConnection::config() const
{
    return m_usb->state().config();
}

void TesterConnection::watch(HotPlugSource* source, quintptr windowHandle)
{
    if (source) {
        if (!source->parent())
            source->setParent(this);
        connect(source, &HotPlugSource::deviceArrived, this, &TesterConnection::deviceArrived);
        connect(source, &HotPlugSource::deviceRemoved, this, &TesterConnection::deviceRemoved);
    }
    WinDeviceChange::registerWindow(windowHandle);
}

bool TesterConnection::open()
{
    if (!m_usb->initDevice(QtUsb::kVendorId, QtUsb::kProductId)) {
        qDebug("Could not open USB device!");
        emit openFailed();
        return false;
    }
    qDebug("USB open!");
    // Cleared before the start: a worker with a short start-up pause would
    // otherwise see the previous stop and end at once.
    m_usb->setStopRequested(false);
    m_usb->start(QThread::HighestPriority);
    emit opened();
    return true;
}

void TesterConnection::deviceArrived()
{
    if (m_ending || m_usb->isOpen())
        return;
    open();
}

void TesterConnection::deviceRemoved(const QString& interfacePath)
{
    if (DeviceIdentity::pathNamesDevice(interfacePath, QtUsb::kVendorId, QtUsb::kProductId))
        lost();
}

void TesterConnection::nativeEvent(const QByteArray& eventType, void* message)
{
    const WinDeviceChange::Change change = WinDeviceChange::interpret(eventType, message);
    if (change.kind == WinDeviceChange::Kind::Arrival)
        deviceArrived();
    else if (change.kind == WinDeviceChange::Kind::Removal)
        deviceRemoved(change.interfacePath);
}

void TesterConnection::lost()
{
    stopLink();
    qDebug("USB Device  remove");
    emit closed();
}

void TesterConnection::stopLink()
{
    m_usb->stopWorker();
    m_usb->closeDevice();
    m_waits->cancel();
    emit stopped();
}

bool TesterConnection::end()
{
    const bool first = !m_ending;
    m_ending = true;
    m_waits->close();
    stopLink();
    if (first)
        qDebug("USB Quit");
    return first;
}

void TesterConnection::shutDown()
{
    m_ending = true;
    m_waits->close();
    if (m_usb->isRunning())
        m_usb->stopWorker();
    m_usb->closeDevice();
}

bool TesterConnection::requireOpen()
{
    if (isOpen())
        return true;
    emit accessRefused();
    return false;
}

bool TesterConnection::request(DeviceOperation op)
{
    DeviceOperation pending = OpNone;
    if (!m_usb->requestOperation(op, &pending)) {
        emit accessRefused();
        return false;
    }
    reportReplaced(pending);
    return true;
}

bool TesterConnection::requestConfigRead()
{
    if (!requireOpen())
        return false;
    DeviceOperation pending = OpNone;
    m_usb->requestConfigRead(&pending);
    reportReplaced(pending);
    return true;
}

bool TesterConnection::awaitSupplySettled()
{
    return m_waits->forNotifications(2) && m_waits->forMilliseconds(kSupplySettleMs);
}

void TesterConnection::reportReplaced(DeviceOperation operation)
{
    // The worker had not yet taken that request: it will never run and no
    // result will come for it.
    if (isRequestableOperation(operation))
        emit replaced(operation);
}
