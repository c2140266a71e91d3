#pragma once
// TRewritePool: the replace-mode rewrites (SafeRewriteFile) of one task on helper threads. Each
// rewrite waits for the disk to confirm its new content (fsync) before the rename; one after the
// other those waits are most of a replace task's time, while side by side they overlap. The
// processing thread submits rewrites in walk order and takes their outcomes back in the same
// order, so it alone still makes the records and keeps the counters.

#include "files/u_FileRead.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvane {

// What became of one rewrite: empty for success, else the failure reason (UTF-8) for the record.
struct TRewriteOutcome {
    bool g_IsSucceeded = false;
    std::string g_strErrorMessage;
};

class TRewritePool {
public:
    // Up to p_intThreadCount helpers, started with the first submission (a find task starts
    // none). With p_IsCheckOnly (a replace preview) each job only makes the rewrite's checks
    // (SafeRewriteFile's check-only run) and its outcome is theirs; no file is changed.
    explicit TRewritePool(std::size_t p_intThreadCount, bool p_IsCheckOnly = false);
    // Finishes every rewrite already submitted, then ends the helpers: a submitted file is never
    // left half done.
    ~TRewritePool();
    TRewritePool(const TRewritePool&) = delete;
    TRewritePool& operator=(const TRewritePool&) = delete;

    // The methods below are called by the processing thread only.

    // Hands one rewrite over (the arguments of SafeRewriteFile). When no helper can be started
    // the rewrite runs here, before this returns.
    void Submit(std::string p_strNativePath, std::u16string p_strDisplayPath,
                const TFileIdentity& p_Original, std::string p_strBytes);
    // Submitted rewrites whose outcome has not been taken yet.
    std::size_t PendingCount() const;
    // Bytes of new content held by rewrites not yet done.
    std::size_t PendingBytes() const;
    // Whether the oldest outcome not taken yet is known. False when nothing is pending.
    bool IsFrontDone() const;
    // Waits for the oldest rewrite not taken yet and returns its outcome. Something must be
    // pending.
    TRewriteOutcome TakeFront();

    // For tests: the largest number of rewrites that were ever submitted and not yet taken.
    std::size_t MaxPendingSeen() const;

private:
    struct TJob {
        std::string g_strNativePath;
        std::u16string g_strDisplayPath;
        TFileIdentity g_Original;
        std::string g_strBytes;
        std::size_t g_intByteCount = 0;
        bool g_IsDone = false;
        TRewriteOutcome g_Outcome;
    };

    TRewriteOutcome Rewrite(TJob& p_Job) const;
    void StartHelpers();
    void HelperLoop();

    const std::size_t g_intThreadCount;
    const bool g_IsCheckOnly;
    mutable std::mutex g_Lock;
    std::condition_variable g_WorkReady; // a job was queued, or the pool ends
    std::condition_variable g_JobDone;
    std::deque<std::unique_ptr<TJob>> g_arrPending; // submission order; guarded by g_Lock
    std::deque<TJob*> g_arrQueued;                  // not started yet; guarded by g_Lock
    std::size_t g_intPendingBytes = 0;              // guarded by g_Lock
    std::size_t g_intMaxPendingSeen = 0;            // guarded by g_Lock
    bool g_IsEnding = false;                        // guarded by g_Lock
    std::vector<std::thread> g_arrThreads;          // touched by the processing thread only
};

} // namespace morvane
