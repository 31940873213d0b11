#include "UdevHotPlugSource.h"

#include "DeviceIdentity.h"

#include <QSocketNotifier>

#include <libudev.h>

UdevHotPlugSource::UdevHotPlugSource(QObject* parent) : HotPlugSource(parent)
{
    m_udev = udev_new();
    if (!m_udev)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0)
        return;
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevHotPlugSource::readEvent);
}

UdevHotPlugSource::~UdevHotPlugSource()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void UdevHotPlugSource::readEvent()
{
    struct udev_device* device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return;
    auto text = [](const char* value) { return value ? QString::fromLatin1(value) : QString(); };
    handleEvent(text(udev_device_get_action(device)),
                text(udev_device_get_property_value(device, "PRODUCT")),
                text(udev_device_get_sysname(device)));
    udev_device_unref(device);
}

void UdevHotPlugSource::handleEvent(const QString& action, const QString& product,
                                    const QString& sysName)
{
    if (action == QLatin1String("add")) {
        emit deviceArrived();
        return;
    }
    if (action != QLatin1String("remove"))
        return;
    quint16 vendorId = 0;
    quint16 productId = 0;
    if (!DeviceIdentity::parseUdevProduct(product, &vendorId, &productId))
        return;
    emit deviceRemoved(DeviceIdentity::interfacePath(vendorId, productId, sysName));
}
