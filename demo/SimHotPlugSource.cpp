#include "SimHotPlugSource.h"

#include "DeviceIdentity.h"
#include "SimBus.h"

#include <QMetaObject>

SimHotPlugSource::SimHotPlugSource(QObject* parent) : HotPlugSource(parent)
{
    // Posted to this object: a call still queued when it is deleted is
    // dropped with it.
    m_listener = SimBus::instance().addPlugListener([this](const SimBus::PlugEvent& event) {
        const bool plugged = event.plugged;
        const QString path = DeviceIdentity::interfacePath(event.vendorId, event.productId,
                                                           QStringLiteral("sim"));
        QMetaObject::invokeMethod(
            this,
            [this, plugged, path] {
                if (plugged)
                    emit deviceArrived();
                else
                    emit deviceRemoved(path);
            },
            Qt::QueuedConnection);
    });
}

SimHotPlugSource::~SimHotPlugSource()
{
    SimBus::instance().removePlugListener(m_listener);
}
