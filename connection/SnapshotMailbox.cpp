#include "SnapshotMailbox.h"

SnapshotMailbox::SnapshotMailbox(QObject* parent) : QObject(parent) {}

void SnapshotMailbox::put(const LiveSnapshot& snapshot)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_snapshots.append(snapshot);
        if (m_wakePending)
            return;
        m_wakePending = true;
    }
    QMetaObject::invokeMethod(this, &SnapshotMailbox::arrived, Qt::QueuedConnection);
}

bool SnapshotMailbox::take(LiveSnapshot* snapshot)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_first >= m_snapshots.size()) {
        m_snapshots.clear();
        m_first = 0;
        m_wakePending = false;
        return false;
    }
    *snapshot = m_snapshots.at(m_first++);
    if (m_first >= 1024) { // a long batch: drop the taken ones
        m_snapshots.remove(0, m_first);
        m_first = 0;
    }
    return true;
}
