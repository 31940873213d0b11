#include "ReplyTap.h"

#include "DeviceLinkState.h"
#include "QtUsb.h"

ReplyTap::ReplyTap(QtUsb* usb, QObject* parent) : QObject(parent), m_state(&usb->state())
{
    connect(usb, &QtUsb::RealReadRet, this, &ReplyTap::onReply, Qt::DirectConnection);
}

void ReplyTap::begin()
{
    const quint64 sequence = m_state->liveSnapshot().sequence;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.clear();
    m_lastSequence = sequence;
    m_start = Clock::now();
    m_accepting = true;
}

double ReplyTap::end()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accepting = false;
    return std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
}

std::vector<ReplyRecord> ReplyTap::drain()
{
    std::vector<ReplyRecord> taken;
    std::lock_guard<std::mutex> lock(m_mutex);
    taken.swap(m_pending);
    return taken;
}

ReplyTap::~ReplyTap()
{
    // The worker has stopped before the tap goes; the lock orders its last
    // call before this destruction for the thread checker too.
    std::lock_guard<std::mutex> lock(m_mutex);
}

void ReplyTap::onReply()
{
    const auto now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    const DeviceLinkState::LiveSnapshot snapshot = m_state->liveSnapshot();
    // A reply that could not be decoded publishes nothing: same sequence.
    if (!m_accepting || snapshot.sequence == m_lastSequence)
        return;
    m_lastSequence = snapshot.sequence;
    ReplyRecord record;
    record.ms = std::chrono::duration<double, std::milli>(now - m_start).count();
    record.group = snapshot.group;
    record.values = snapshot.values;
    m_pending.push_back(record);
}
