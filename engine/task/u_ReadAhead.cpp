#include "task/u_ReadAhead.h"

#include "core/u_Types.h"
#include "files/u_FileSystemOps.h"

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

namespace morvane {

namespace {

// Idle helpers are woken once this many files wait, or when the processing thread is about to
// wait; a wake-up per file costs more than reading a small file.
constexpr std::size_t kWakeBatch = 16;
constexpr std::uint64_t kFindCostFactor = 3;
constexpr std::uint64_t kReplaceCostFactor = 4;

} // namespace

TReadAhead::TReadAhead(std::size_t p_intThreadCount, TReadAheadTask p_Task,
                       std::uint64_t p_intByteBudget)
    : g_intThreadCount(p_intThreadCount), g_Task(p_Task), g_intByteBudget(p_intByteBudget) {}

TReadAhead::~TReadAhead() {
    {
        std::lock_guard m_Lock(g_Lock);
        g_IsEnding = true;
        g_IsDropping = true;
        g_arrQueued.clear();
    }
    g_WorkReady.notify_all();
    g_BudgetFreed.notify_all();
    for (std::thread& m_Thread : g_arrThreads) {
        m_Thread.join();
    }
}

void TReadAhead::StartHelpers() {
    for (std::size_t m_intIndex = 0; m_intIndex < g_intThreadCount; ++m_intIndex) {
        try {
            g_arrThreads.emplace_back(&TReadAhead::HelperLoop, this);
        } catch (const std::system_error&) {
            // Fewer helpers only means less overlap.
            break;
        }
    }
    if (g_arrThreads.empty()) {
        g_InlineMatcher = std::make_unique<TFileMatcher>(*g_Task.g_RawPrefilter);
    }
}

void TReadAhead::Submit(const std::shared_ptr<TReadJob>& p_Job) {
    if (g_arrThreads.empty() && !g_InlineMatcher) {
        StartHelpers();
    }
    p_Job->g_intSequence = g_intNextSequence++;
    if (g_InlineMatcher) {
        RunJob(*g_InlineMatcher, *p_Job);
        std::lock_guard m_Lock(g_Lock);
        p_Job->g_IsDone = true;
        return;
    }
    std::lock_guard m_Lock(g_Lock);
    g_arrQueued.push_back(p_Job);
    if (g_intIdleHelpers > 0 && g_arrQueued.size() >= kWakeBatch) {
        g_WorkReady.notify_all();
    }
}

bool TReadAhead::IsDone(const TReadJob& p_Job) const {
    std::lock_guard m_Lock(g_Lock);
    return p_Job.g_IsDone;
}

void TReadAhead::Wait(const TReadJob& p_Job) {
    std::unique_lock m_Lock(g_Lock);
    if (p_Job.g_IsDone) {
        return;
    }
    if (g_intIdleHelpers > 0 && !g_arrQueued.empty()) {
        g_WorkReady.notify_all();
    }
    g_WaitedJob = &p_Job;
    g_JobDone.wait(m_Lock, [&p_Job] { return p_Job.g_IsDone; });
    g_WaitedJob = nullptr;
}

void TReadAhead::WaitForLaterOrRoom(const TReadJob& p_Oldest, const TReadJob& p_Later) {
    std::unique_lock m_Lock(g_Lock);
    if (g_intIdleHelpers > 0 && !g_arrQueued.empty()) {
        g_WorkReady.notify_all();
    }
    g_WaitedJob = &p_Later;
    g_JobDone.wait(m_Lock, [this, &p_Oldest, &p_Later] {
        return p_Later.g_IsDone || (p_Oldest.g_IsDone && g_intWaitingForRoom > 0);
    });
    g_WaitedJob = nullptr;
}

void TReadAhead::Release(TReadJob& p_Job) {
    {
        std::lock_guard m_Lock(g_Lock);
        g_intReservedBytes -= p_Job.g_intReserved;
        p_Job.g_intReserved = 0;
        g_intOldestUnreleased = p_Job.g_intSequence + 1;
    }
    g_BudgetFreed.notify_all();
}

void TReadAhead::DropQueued() {
    {
        std::lock_guard m_Lock(g_Lock);
        g_IsDropping = true;
        g_arrQueued.clear();
    }
    g_BudgetFreed.notify_all();
}

void TReadAhead::Reserve(TReadJob& p_Job, std::uint64_t p_intFileSize) {
    if (g_InlineMatcher) {
        // Read on the processing thread, nothing can free the budget while it waits here.
        return;
    }
    // What a file costs while it is tested (and rewritten) is some times its size: the bytes,
    // and the text where it must be decoded.
    const std::uint64_t m_intCost =
        p_intFileSize * (g_Task.g_IsReplacing ? kReplaceCostFactor : kFindCostFactor);
    std::unique_lock m_Lock(g_Lock);
    const auto m_IsRoom = [this, &p_Job, m_intCost] {
        return g_IsDropping || p_Job.g_intSequence == g_intOldestUnreleased ||
               g_intReservedBytes + m_intCost <= g_intByteBudget;
    };
    if (!m_IsRoom()) {
        // The processing thread may be waiting for a later file: it must hear of this, or it
        // would wait for a file that waits for it.
        ++g_intWaitingForRoom;
        g_JobDone.notify_all();
        g_BudgetFreed.wait(m_Lock, m_IsRoom);
        --g_intWaitingForRoom;
    }
    if (g_IsDropping) {
        throw TEngineError("dropped");
    }
    g_intReservedBytes += m_intCost;
    p_Job.g_intReserved = m_intCost;
}

void TReadAhead::RunJob(TFileMatcher& p_Matcher, TReadJob& p_Job) {
    try {
#ifdef _WIN32
        const int m_intDirectoryFd = -1;
#else
        const int m_intDirectoryFd = p_Job.g_Folder ? p_Job.g_Folder->DirectoryFd() : -1;
#endif
        p_Job.g_IsMatched = p_Matcher.Match(
            TMatchRequest{.g_intDirectoryFd = m_intDirectoryFd,
                          .g_strEntryName = p_Job.g_strEntryName.c_str(),
                          .g_strNativeFileName = p_Job.g_strNativeFileName,
                          .g_strFileName = p_Job.g_strFileName,
                          .g_intEncoding = g_Task.g_intEncoding,
                          .g_strOldText = *g_Task.g_strOldText,
                          .g_IsMatchCase = g_Task.g_IsMatchCase,
                          .g_IsKeepingText = g_Task.g_IsReplacing,
                          .g_doBeforeRead = [this, &p_Job](std::uint64_t p_intSize) {
                              Reserve(p_Job, p_intSize);
                          }});
        if (!p_Job.g_IsMatched) {
            p_Job.g_strSkipReason = SkipReason(p_Matcher.ReadFailure());
            return;
        }
        p_Job.g_intEncoding = p_Matcher.Encoding();
        p_Job.g_Identity = p_Matcher.Identity();
        if (!g_Task.g_IsReplacing) {
            return;
        }
        try {
            p_Job.g_strNewBytes = p_Matcher.BuildRewrite(*g_Task.g_strOldText, *g_Task.g_strNewText,
                                                         g_Task.g_IsMatchCase);
        } catch (const std::exception& m_Error) {
            p_Job.g_IsRewriteRefused = true;
            p_Job.g_strRewriteError = m_Error.what();
        }
    } catch (...) {
        // Whatever else fails on the way means the file is not processed, as a failed read.
        p_Job.g_IsMatched = false;
        p_Job.g_strSkipReason = SkipReason(std::current_exception());
    }
}

std::string TReadAhead::SkipReason(const std::exception_ptr& p_Failure) {
    if (!p_Failure) {
        return {};
    }
    try {
        std::rethrow_exception(p_Failure);
    } catch (const TFileSkipError& m_Error) {
        return m_Error.what();
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryUntestedMessage;
    } catch (...) {
        // Not followed (a link or a non-regular file in a file's place), or dropped after a
        // stop: nothing to report.
    }
    return {};
}

void TReadAhead::HelperLoop() {
    TFileMatcher m_Matcher(*g_Task.g_RawPrefilter);
    std::unique_lock m_Lock(g_Lock);
    for (;;) {
        ++g_intIdleHelpers;
        g_WorkReady.wait(m_Lock, [this] { return g_IsEnding || !g_arrQueued.empty(); });
        --g_intIdleHelpers;
        if (g_arrQueued.empty()) {
            return;
        }
        std::shared_ptr<TReadJob> m_Job = std::move(g_arrQueued.front());
        g_arrQueued.pop_front();
        m_Lock.unlock();
        RunJob(m_Matcher, *m_Job);
        m_Lock.lock();
        m_Job->g_IsDone = true;
        if (g_WaitedJob == m_Job.get() || g_intWaitingForRoom > 0) {
            g_JobDone.notify_all();
        }
    }
}

} // namespace morvane
