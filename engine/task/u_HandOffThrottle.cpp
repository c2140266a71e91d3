#include "task/u_HandOffThrottle.h"

#include <utility>

namespace morvane {

THandOffThrottle::THandOffThrottle(THandOffClock p_doClock, std::chrono::milliseconds p_intInterval)
    : g_doClock(std::move(p_doClock)), g_intInterval(p_intInterval) {}

THandOffTime THandOffThrottle::Now() const {
    return g_doClock ? g_doClock() : std::chrono::steady_clock::now();
}

bool THandOffThrottle::IsDue() const {
    return !g_IsStarted || Now() - g_Start >= g_intInterval;
}

void THandOffThrottle::Restart() {
    g_Start = Now();
    g_IsStarted = true;
}

} // namespace morvane
