#include "PreciseTimers.h"

#include <QtGlobal>

#if defined(Q_OS_WIN)
#include <qt_windows.h>
#include <timeapi.h>

PreciseTimers::PreciseTimers()
{
    if (timeBeginPeriod(1) == TIMERR_NOERROR)
        m_previous = 1;
}

PreciseTimers::~PreciseTimers()
{
    if (m_previous == 1)
        timeEndPeriod(1);
}

#elif defined(Q_OS_LINUX)
#include <sys/prctl.h>

namespace {
constexpr unsigned long kSlackNanoseconds = 1000;
}

PreciseTimers::PreciseTimers()
{
    const int previous = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (previous >= 0 && prctl(PR_SET_TIMERSLACK, kSlackNanoseconds, 0, 0, 0) == 0)
        m_previous = previous;
}

PreciseTimers::~PreciseTimers()
{
    if (m_previous >= 0)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(m_previous), 0, 0, 0);
}

#else

PreciseTimers::PreciseTimers() = default;
PreciseTimers::~PreciseTimers() = default;

#endif
