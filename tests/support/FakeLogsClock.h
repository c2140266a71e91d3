#pragma once
// A clock for naming task log folders that stands still until a wait moves it on to the next
// second, so that a taken name is met and passed without any real waiting.

#include "logs/u_TaskLogsFolder.h"

#include <ctime>
#include <vector>

namespace morvane::test {

class TFakeLogsClock {
public:
    explicit TFakeLogsClock(std::time_t p_intNow) : g_intNow(p_intNow) {
        g_Clock.g_doNow = [this] {
            return g_intNow;
        };
        g_Clock.g_doWaitPast = [this](std::time_t p_intTime) {
            g_arrWaits.push_back(p_intTime);
            g_intNow = p_intTime + 1;
        };
    }
    TFakeLogsClock(const TFakeLogsClock&) = delete;
    TFakeLogsClock& operator=(const TFakeLogsClock&) = delete;

    const TTaskLogsClock& Clock() const { return g_Clock; }

    std::time_t g_intNow;
    std::vector<std::time_t> g_arrWaits; // the seconds waited past, in order

private:
    TTaskLogsClock g_Clock;
};

// Puts a fake clock in force for every task log folder made while the object lives.
class TFakeLogsClockScope {
public:
    explicit TFakeLogsClockScope(const TFakeLogsClock& p_Clock) {
        SetTaskLogsClockForTesting(&p_Clock.Clock());
    }
    ~TFakeLogsClockScope() { SetTaskLogsClockForTesting(nullptr); }
    TFakeLogsClockScope(const TFakeLogsClockScope&) = delete;
    TFakeLogsClockScope& operator=(const TFakeLogsClockScope&) = delete;
};

// The time_t of a local date and time.
inline std::time_t LocalTime(int p_intYear, int p_intMonth, int p_intDay, int p_intHour,
                             int p_intMinute, int p_intSecond) {
    std::tm m_Local{};
    m_Local.tm_year = p_intYear - 1900;
    m_Local.tm_mon = p_intMonth - 1;
    m_Local.tm_mday = p_intDay;
    m_Local.tm_hour = p_intHour;
    m_Local.tm_min = p_intMinute;
    m_Local.tm_sec = p_intSecond;
    m_Local.tm_isdst = -1;
    return std::mktime(&m_Local);
}

} // namespace morvane::test
