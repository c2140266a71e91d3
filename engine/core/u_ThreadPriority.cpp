#include "core/u_ThreadPriority.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace morvane {

#ifdef _WIN32

void ApplyCurrentThreadPriority(TThreadPriority p_Priority) {
    int m_intLevel = THREAD_PRIORITY_NORMAL;
    switch (p_Priority) {
    case TThreadPriority::Idle:
        m_intLevel = THREAD_PRIORITY_IDLE;
        break;
    case TThreadPriority::Lowest:
        m_intLevel = THREAD_PRIORITY_LOWEST;
        break;
    case TThreadPriority::Lower:
        m_intLevel = THREAD_PRIORITY_BELOW_NORMAL;
        break;
    case TThreadPriority::Normal:
        m_intLevel = THREAD_PRIORITY_NORMAL;
        break;
    case TThreadPriority::Higher:
        m_intLevel = THREAD_PRIORITY_ABOVE_NORMAL;
        break;
    case TThreadPriority::Highest:
        m_intLevel = THREAD_PRIORITY_HIGHEST;
        break;
    case TThreadPriority::TimeCritical:
        m_intLevel = THREAD_PRIORITY_TIME_CRITICAL;
        break;
    }
    SetThreadPriority(GetCurrentThread(), m_intLevel);
}

#else

// Linux: a no-op. Under the default scheduler a thread can only lower its own priority without
// CAP_SYS_NICE, and the workers spend their time in I/O and in hand-offs to the user-interface
// thread, which no priority would speed up.
void ApplyCurrentThreadPriority(TThreadPriority) {}

#endif

} // namespace morvane
