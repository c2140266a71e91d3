#pragma once
// THandOffBatch: the processing thread's calls to the user-interface thread (live rows, page
// counts, the progress position), queued in the order issued and run together in one
// Synchronize. One blocking round trip per record would bound the task by how fast the
// user-interface thread answers; a batch keeps the order and the values of every call. Used by
// one worker thread only.

#include "task/u_HandOffThrottle.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace morvane {

class THandOffBatch {
public:
    // A batch this long is handed over at once, so one hand-off never keeps the user-interface
    // thread busy for long.
    static constexpr std::size_t kMaxQueued = 256;

    explicit THandOffBatch(THandOffClock p_doClock = {});

    // Queues the call (it must own copies of everything it uses) and hands the queue over when
    // it holds kMaxQueued calls or its first call has waited the throttle's interval.
    void Add(std::function<void()> p_doProcedure);
    // Hands the queue over when its first call has waited the interval.
    void FlushIfDue();
    // Runs every queued call, in order, in one Synchronize, and waits for them. The queue is
    // empty afterwards, also when a call throws: the rest of that batch is dropped and the error
    // passes on to the caller.
    void Flush();

    bool IsEmpty() const { return g_arrQueued.empty(); }

private:
    std::vector<std::function<void()>> g_arrQueued;
    std::vector<std::function<void()>> g_arrRunning; // kept for its capacity
    THandOffThrottle g_Throttle;                     // started by the first queued call
};

} // namespace morvane
