#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <mutex>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

// A timed sleep of the worker thread that a stop request can cut short.
// On Windows it waits on an auto-reset event that only interrupt() signals;
// elsewhere on a condition variable.
//
// Threads: sleep() and rearm() are called by the sleeping (worker) thread,
// interrupt() by any thread. m_mutex guards m_interrupted for the condition
// variable; on Windows the event itself carries the wake-up.
class ShortSleep
{
public:
    ShortSleep();
    ~ShortSleep();
    ShortSleep(const ShortSleep&) = delete;
    ShortSleep& operator=(const ShortSleep&) = delete;

    // Sleeps `ms` milliseconds, or less once interrupt() has been called.
    void sleep(int ms);

    // Ends a running sleep and makes later ones return at once until rearm().
    void interrupt();

    // Clears an earlier interrupt(); called when the worker starts again.
    void rearm();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
#ifdef Q_OS_WIN
    HANDLE m_event = nullptr;
#endif
};
