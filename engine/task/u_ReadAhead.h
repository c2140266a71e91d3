#pragma once
// TReadAhead: reads and tests the files the walk meets on helper threads, ahead of the processing
// thread, which takes the results in walk order. A find task spends most of its time in the
// system calls that open and read each file; on helper threads these overlap with each other and
// with the walk. Only reading happens ahead: counting, records and rewrites stay with the
// processing thread, in walk order, so a stop still ends the task after the file being handled.
//
// Memory stays bounded: the caller keeps at most a fixed number of files queued, and a file may
// be read only while the bytes of the files read but not yet handled stay within a budget, or
// when it is the oldest file not handled (so the task always moves on, one large file at a time).

#include "files/u_DirectoryListing.h"
#include "files/u_FileRead.h"
#include "match/u_FileMatcher.h"
#include "match/u_RawPrefilter.h"
#include "text/u_Encoding.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvane {

// One file met by the walk, and what became of it.
struct TReadJob {
    // Set before submission, then read-only. The listing keeps the folder open for reading
    // relative to it.
    std::shared_ptr<const TDirectoryListing> g_Folder;
    std::string g_strEntryName;
    std::string g_strNativeFileName;
    std::u16string g_strFileName; // the record's name: the native one escaped (EscapeName)

    // Results; valid once TReadAhead::Wait has returned.
    bool g_IsMatched = false;
    // Not matched because the file could not be taken (TFileSkipError, or no memory for it):
    // the reason its "失败" record gives. Empty otherwise.
    std::string g_strSkipReason;
    TEncodingCode g_intEncoding = 0;
    TFileIdentity g_Identity;
    // Replace mode, matched: the content to write, or (non-empty) why the file cannot be
    // rewritten.
    std::string g_strNewBytes;
    bool g_IsRewriteRefused = false;
    std::string g_strRewriteError;

private:
    friend class TReadAhead;
    std::uint64_t g_intSequence = 0;
    std::uint64_t g_intReserved = 0; // bytes counted against the budget until Release
    bool g_IsDone = false;
};

// The task's parameters as the helpers need them; the referenced objects must outlive the
// TReadAhead.
struct TReadAheadTask {
    const TRawPrefilter* g_RawPrefilter = nullptr;
    std::int32_t g_intEncoding = 0;
    const std::u16string* g_strOldText = nullptr;
    const std::u16string* g_strNewText = nullptr;
    bool g_IsMatchCase = false;
    bool g_IsReplacing = false;
};

class TReadAhead {
public:
    TReadAhead(std::size_t p_intThreadCount, TReadAheadTask p_Task, std::uint64_t p_intByteBudget);
    // Drops the files not started, waits for those being read, ends the helpers.
    ~TReadAhead();
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The methods below are called by the processing thread only.

    // Queues a file; the job's fields before the results must be set. Files are started in the
    // order submitted. When no helper can be started the file is read here, at once.
    void Submit(const std::shared_ptr<TReadJob>& p_Job);
    bool IsDone(const TReadJob& p_Job) const;
    // Waits until the job is done. Handing files over one by one would wake a thread per file;
    // helpers are woken for a batch of files (or when the caller is about to wait), and the
    // caller only for the job it waits for.
    void Wait(const TReadJob& p_Job);
    // Waits until p_Later is done, or until p_Oldest is done while a helper waits for room in
    // the budget, which only handling p_Oldest (and what follows it) can make.
    void WaitForLaterOrRoom(const TReadJob& p_Oldest, const TReadJob& p_Later);
    // The processing thread is done with the oldest job (this one): its bytes leave the budget.
    void Release(TReadJob& p_Job);
    // Drops every file not started yet; a helper waiting for the budget gives up its file.
    void DropQueued();

private:
    void StartHelpers();
    void HelperLoop();
    void RunJob(TFileMatcher& p_Matcher, TReadJob& p_Job);
    // The reason for the record of a file that could not be read, from what its read threw;
    // empty when that is nothing to report.
    static std::string SkipReason(const std::exception_ptr& p_Failure);
    // Called by a helper once the file's size is known; waits for room in the budget for what
    // the file costs.
    void Reserve(TReadJob& p_Job, std::uint64_t p_intFileSize);

    const std::size_t g_intThreadCount;
    const TReadAheadTask g_Task;
    const std::uint64_t g_intByteBudget;

    mutable std::mutex g_Lock;
    std::condition_variable g_WorkReady; // a job was queued, or the end
    std::condition_variable g_JobDone;
    std::condition_variable g_BudgetFreed;             // bytes released, or jobs dropped
    std::deque<std::shared_ptr<TReadJob>> g_arrQueued; // guarded by g_Lock
    std::uint64_t g_intNextSequence = 0;               // processing thread only
    std::uint64_t g_intOldestUnreleased = 0;           // guarded by g_Lock
    std::uint64_t g_intReservedBytes = 0;              // guarded by g_Lock
    bool g_IsDropping = false;                         // guarded by g_Lock
    std::size_t g_intIdleHelpers = 0;                  // guarded by g_Lock
    const TReadJob* g_WaitedJob = nullptr;             // guarded by g_Lock
    std::size_t g_intWaitingForRoom = 0;               // helpers in Reserve; guarded by g_Lock
    bool g_IsEnding = false;                           // guarded by g_Lock
    std::vector<std::thread> g_arrThreads;             // processing thread only
    std::unique_ptr<TFileMatcher> g_InlineMatcher;     // when no helper could be started
};

} // namespace morvane
