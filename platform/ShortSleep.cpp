#include "ShortSleep.h"

#include <chrono>

#ifdef Q_OS_WIN

ShortSleep::ShortSleep() : m_event(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

ShortSleep::~ShortSleep()
{
    if (m_event)
        CloseHandle(m_event);
}

void ShortSleep::sleep(int ms)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_interrupted)
            return;
    }
    WaitForSingleObject(m_event, DWORD(ms));
}

void ShortSleep::interrupt()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interrupted = true;
    }
    SetEvent(m_event);
}

void ShortSleep::rearm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_interrupted = false;
    ResetEvent(m_event);
}

#else

ShortSleep::ShortSleep() = default;
ShortSleep::~ShortSleep() = default;

void ShortSleep::sleep(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_interrupted; });
}

void ShortSleep::interrupt()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void ShortSleep::rearm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_interrupted = false;
}

#endif
