#pragma once

#include "LiveSnapshot.h"

#include <QObject>
#include <QVector>

#include <mutex>

// The replies' snapshots on their way from the worker to the window, every
// one and in order, handed over in batches: put() appends and wakes the
// window only when the box was empty; the window takes them one at a time
// with its next frame. At full rate the GUI thread wakes about once per
// frame for them instead of once per reply.
//
// Threads: put() on any thread (the worker, through a direct connection to
// QtUsb::LiveSnapshotRet); take() and arrived() on the thread the box lives
// in (the GUI thread). m_mutex guards m_snapshots and m_wakePending.
class SnapshotMailbox : public QObject
{
    Q_OBJECT

public:
    explicit SnapshotMailbox(QObject* parent = nullptr);

    void put(const LiveSnapshot& snapshot);
    // The oldest snapshot not yet taken; false when the box is empty (the
    // next put() wakes the window again).
    bool take(LiveSnapshot* snapshot);

signals:
    // Snapshots came into an empty box (queued to the box's thread).
    void arrived();

private:
    std::mutex m_mutex; // a standard mutex: the thread checker sees it
    QVector<LiveSnapshot> m_snapshots;
    int m_first = 0; // the oldest not taken in m_snapshots
    bool m_wakePending = false;
};
