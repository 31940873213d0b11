#include "DeviceLinkState.h"

DeviceLinkState& DeviceLinkState::global()
{
    static DeviceLinkState state;
    return state;
}

void DeviceLinkState::reset()
{
    m_usbOpened.store(false);
    {
        std::lock_guard<std::mutex> lock(m_opMutex);
        m_requested = OpNone;
        m_current = OpNone;
        m_eepromGroups.clear();
    }
    {
        std::lock_guard<std::mutex> lock(m_liveMutex);
        m_live = LiveSnapshot();
    }
    setConfig(ConfigRecord());
}

bool DeviceLinkState::requestOperation(DeviceOperation op, DeviceOperation* replaced)
{
    if (replaced)
        *replaced = OpNone;
    if (!isRequestableOperation(op) || isEepromOperation(op))
        return false;
    std::lock_guard<std::mutex> lock(m_opMutex);
    if (replaced)
        *replaced = m_requested;
    m_requested = op;
    return true;
}

bool DeviceLinkState::requestEepromOperation(DeviceOperation op, const RegisterGroupList& groups,
                                             DeviceOperation* replaced)
{
    if (replaced)
        *replaced = OpNone;
    if (!isEepromOperation(op))
        return false;
    std::lock_guard<std::mutex> lock(m_opMutex);
    if (replaced)
        *replaced = m_requested;
    m_eepromGroups = groups;
    m_requested = op;
    return true;
}

DeviceOperation DeviceLinkState::requestedOperation() const
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    return m_requested;
}

DeviceOperation DeviceLinkState::currentOperation() const
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    return m_current;
}

RegisterGroupList DeviceLinkState::eepromGroups() const
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    return m_eepromGroups;
}

DeviceOperation DeviceLinkState::takeRequest(RegisterGroupList* groups)
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    if (!isRequestableOperation(m_requested))
        return OpPoll;
    m_current = m_requested;
    m_requested = OpNone;
    if (groups && isEepromOperation(m_current))
        *groups = m_eepromGroups;
    return m_current;
}

void DeviceLinkState::dropRequest()
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    m_requested = OpNone;
}

void DeviceLinkState::setCurrentOperation(DeviceOperation op)
{
    std::lock_guard<std::mutex> lock(m_opMutex);
    m_current = op;
}

LiveValues DeviceLinkState::liveValues() const
{
    std::lock_guard<std::mutex> lock(m_liveMutex);
    return m_live.values;
}

LiveSnapshot DeviceLinkState::liveSnapshot() const
{
    std::lock_guard<std::mutex> lock(m_liveMutex);
    return m_live;
}

LiveSnapshot DeviceLinkState::publishLiveValues(const LiveValues& values, int group,
                                                qint64 receivedNs)
{
    std::lock_guard<std::mutex> lock(m_liveMutex);
    m_live.values = values;
    if (group >= 0) {
        ++m_live.sequence;
        m_live.group = group;
        m_live.receivedNs = receivedNs;
    }
    return m_live;
}

ConfigRecord DeviceLinkState::config() const
{
    std::lock_guard<std::mutex> lock(m_configMutex);
    return m_config;
}

void DeviceLinkState::setConfig(const ConfigRecord& record)
{
    std::lock_guard<std::mutex> lock(m_configMutex);
    m_config = record;
}
