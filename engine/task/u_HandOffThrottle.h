#pragma once
// THandOffThrottle: tells a worker when the next hand-off to the user-interface thread is due.
// A worker that handed every file's count over would spend its time waiting for the
// user-interface thread; a person sees no difference between 40 updates a second and 40,000.
// The clock is injectable so tests can decide when time passes.

#include <chrono>
#include <functional>

namespace morvane {

using THandOffTime = std::chrono::steady_clock::time_point;
// Empty: the steady clock.
using THandOffClock = std::function<THandOffTime()>;

class THandOffThrottle {
public:
    static constexpr std::chrono::milliseconds kDefaultInterval{25};

    explicit THandOffThrottle(THandOffClock p_doClock = {},
                              std::chrono::milliseconds p_intInterval = kDefaultInterval);

    // True before the first Restart and once the interval has passed since the last one.
    bool IsDue() const;
    // The interval starts again now.
    void Restart();
    // Whether Restart has been called since construction or Reset.
    bool IsStarted() const { return g_IsStarted; }
    void Reset() { g_IsStarted = false; }

private:
    THandOffTime Now() const;

    THandOffClock g_doClock;
    std::chrono::milliseconds g_intInterval;
    THandOffTime g_Start{};
    bool g_IsStarted = false;
};

} // namespace morvane
