#include "task/u_HandOffBatch.h"

#include "core/u_Thread.h"

#include <utility>

namespace morvane {

THandOffBatch::THandOffBatch(THandOffClock p_doClock) : g_Throttle(std::move(p_doClock)) {}

void THandOffBatch::Add(std::function<void()> p_doProcedure) {
    if (g_arrQueued.empty()) {
        g_Throttle.Restart();
    }
    g_arrQueued.push_back(std::move(p_doProcedure));
    if (g_arrQueued.size() >= kMaxQueued || g_Throttle.IsDue()) {
        Flush();
    }
}

void THandOffBatch::FlushIfDue() {
    if (!g_arrQueued.empty() && g_Throttle.IsDue()) {
        Flush();
    }
}

void THandOffBatch::Flush() {
    if (g_arrQueued.empty()) {
        return;
    }
    g_arrRunning.clear();
    g_arrRunning.swap(g_arrQueued);
    g_Throttle.Reset();
    TThread::Synchronize([this] {
        for (const auto& m_doProcedure : g_arrRunning) {
            m_doProcedure();
        }
    });
    g_arrRunning.clear();
}

} // namespace morvane
