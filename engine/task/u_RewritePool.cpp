#include "task/u_RewritePool.h"

#include "files/u_SafeRewrite.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace morvane {

TRewritePool::TRewritePool(std::size_t p_intThreadCount, bool p_IsCheckOnly)
    : g_intThreadCount(p_intThreadCount == 0 ? 1 : p_intThreadCount), g_IsCheckOnly(p_IsCheckOnly) {
}

TRewritePool::~TRewritePool() {
    {
        std::unique_lock m_Lock(g_Lock);
        g_IsEnding = true;
        if (g_arrThreads.empty()) {
            // Nothing can have been queued without a helper: Submit runs such jobs itself.
            return;
        }
    }
    g_WorkReady.notify_all();
    for (std::thread& m_Thread : g_arrThreads) {
        m_Thread.join();
    }
}

void TRewritePool::StartHelpers() {
    for (std::size_t m_intIndex = 0; m_intIndex < g_intThreadCount; ++m_intIndex) {
        try {
            g_arrThreads.emplace_back(&TRewritePool::HelperLoop, this);
        } catch (const std::system_error&) {
            // Fewer helpers only means less overlap.
            break;
        }
    }
}

void TRewritePool::Submit(std::string p_strNativePath, std::u16string p_strDisplayPath,
                          const TFileIdentity& p_Original, std::string p_strBytes) {
    if (g_arrThreads.empty()) {
        StartHelpers();
    }
    auto m_Job = std::make_unique<TJob>();
    m_Job->g_strNativePath = std::move(p_strNativePath);
    m_Job->g_strDisplayPath = std::move(p_strDisplayPath);
    m_Job->g_Original = p_Original;
    m_Job->g_intByteCount = p_strBytes.size();
    m_Job->g_strBytes = std::move(p_strBytes);
    if (g_arrThreads.empty()) {
        m_Job->g_Outcome = Rewrite(*m_Job);
        m_Job->g_IsDone = true;
        std::lock_guard m_Lock(g_Lock);
        g_arrPending.push_back(std::move(m_Job));
        g_intMaxPendingSeen = std::max(g_intMaxPendingSeen, g_arrPending.size());
        return;
    }
    {
        std::lock_guard m_Lock(g_Lock);
        g_intPendingBytes += m_Job->g_intByteCount;
        g_arrQueued.push_back(m_Job.get());
        g_arrPending.push_back(std::move(m_Job));
        g_intMaxPendingSeen = std::max(g_intMaxPendingSeen, g_arrPending.size());
    }
    g_WorkReady.notify_one();
}

std::size_t TRewritePool::PendingCount() const {
    std::lock_guard m_Lock(g_Lock);
    return g_arrPending.size();
}

std::size_t TRewritePool::PendingBytes() const {
    std::lock_guard m_Lock(g_Lock);
    return g_intPendingBytes;
}

bool TRewritePool::IsFrontDone() const {
    std::lock_guard m_Lock(g_Lock);
    return !g_arrPending.empty() && g_arrPending.front()->g_IsDone;
}

std::size_t TRewritePool::MaxPendingSeen() const {
    std::lock_guard m_Lock(g_Lock);
    return g_intMaxPendingSeen;
}

TRewriteOutcome TRewritePool::TakeFront() {
    std::unique_lock m_Lock(g_Lock);
    g_JobDone.wait(m_Lock, [this] { return g_arrPending.front()->g_IsDone; });
    TRewriteOutcome m_Outcome = std::move(g_arrPending.front()->g_Outcome);
    g_arrPending.pop_front();
    return m_Outcome;
}

TRewriteOutcome TRewritePool::Rewrite(TJob& p_Job) const {
    TRewriteOutcome m_Outcome;
    try {
        SafeRewriteFile(p_Job.g_strNativePath, p_Job.g_strDisplayPath, p_Job.g_Original,
                        p_Job.g_strBytes, g_IsCheckOnly);
        m_Outcome.g_IsSucceeded = true;
    } catch (const std::exception& m_Error) {
        m_Outcome.g_strErrorMessage = m_Error.what();
    } catch (...) {
        m_Outcome.g_strErrorMessage = "Unknown error";
    }
    // The new content is on disk or refused; its memory goes now, not when the record is made.
    std::string().swap(p_Job.g_strBytes);
    return m_Outcome;
}

// Runs queued rewrites until the pool ends and nothing is queued any more.
void TRewritePool::HelperLoop() {
    std::unique_lock m_Lock(g_Lock);
    for (;;) {
        g_WorkReady.wait(m_Lock, [this] { return g_IsEnding || !g_arrQueued.empty(); });
        if (g_arrQueued.empty()) {
            return;
        }
        TJob* m_Job = g_arrQueued.front();
        g_arrQueued.pop_front();
        m_Lock.unlock();
        TRewriteOutcome m_Outcome = Rewrite(*m_Job);
        m_Lock.lock();
        m_Job->g_Outcome = std::move(m_Outcome);
        m_Job->g_IsDone = true;
        g_intPendingBytes -= m_Job->g_intByteCount;
        g_JobDone.notify_all();
    }
}

} // namespace morvane
