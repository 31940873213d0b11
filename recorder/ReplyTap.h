#pragma once

#include "ReplyRecord.h"

#include <QObject>

#include <chrono>
#include <mutex>
#include <vector>

class QtUsb;
class DeviceLinkState;

// Catches every decoded reply of the worker exactly once, with its own
// values: a direct connection to QtUsb::RealReadRet reads the snapshot the
// worker has just published (before it polls again) and queues it; the main
// thread drains the queue in batches.
//
// Threads: construction, begin(), end() and drain() on the main thread;
// onReply() runs on the worker thread. m_mutex guards m_accepting,
// m_lastSequence, m_pending and m_start; onReply() holds it throughout
// (then takes the link state's live-value lock inside it).
class ReplyTap : public QObject
{
    Q_OBJECT

public:
    explicit ReplyTap(QtUsb* usb, QObject* parent = nullptr);
    // The worker must have stopped (QtUsb::stopWorker) by now.
    ~ReplyTap() override;

    // Starts the clock and takes every reply from now on.
    void begin();
    // Takes no more replies; returns the recording's length in ms.
    double end();
    // The replies taken since the last drain, oldest first.
    std::vector<ReplyRecord> drain();

private:
    using Clock = std::chrono::steady_clock;

    void onReply();

    DeviceLinkState* m_state;
    std::mutex m_mutex;
    bool m_accepting = false;
    quint64 m_lastSequence = 0;
    Clock::time_point m_start;
    std::vector<ReplyRecord> m_pending;
};
