#pragma once
// TThreadProcess: the worker that carries out one task. It walks the root directory, hands every
// wanted file to ProcessFile, keeps the task's counters, makes the process records (live list rows,
// log page files, page-count callback) and ends with the completion callback.

#include "core/u_Thread.h"
#include "core/u_Types.h"
#include "core/u_UiInterfaces.h"
#include "files/u_DirectoryListing.h"
#include "files/u_FileRead.h"
#include "logs/u_ProcessRecord.h"
#include "match/u_RawPrefilter.h"
#include "task/u_HandOffBatch.h"
#include "task/u_HandOffThrottle.h"
#include "task/u_ReadAhead.h"
#include "task/u_RewritePool.h"
#include "text/u_Encoding.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace morvane {

class TThreadProcess : public TThread {
public:
    // Created suspended, priority Highest, not freed when its body ends. The owner sets
    // g_pgrProgress, g_lvwFileList and the two callbacks, then calls Start.
    TThreadProcess(std::int32_t p_intMode, std::u16string p_strLogsDirectory,
                   std::u16string p_strDirectory, std::int32_t p_intEncoding,
                   std::u16string p_strOldText, std::u16string p_strNewText,
                   std::u16string p_strExtension, bool p_IsContainSubFloder, bool p_IsMatchCase);
    // Waits until the body has ended. Destroy the object only after the completion callback has
    // returned, never from inside it: the worker is still waiting there for the caller.
    ~TThreadProcess() override;

    // Counters. Written by the worker only; read by others inside the completion callback (the
    // worker then waits in Synchronize, which orders the accesses) or after the thread has ended.
    std::int32_t g_intSearchFileCount = 0;
    std::int32_t g_intMatchingFileCount = 0;
    std::int32_t g_intReplaceSuccessFileCount = 0;
    std::int32_t g_intReplaceFailureFileCount = 0;
    // Wanted files and folders that could not be read (each has a "失败" record); both modes.
    std::int32_t g_intUnprocessedFileCount = 0;

    // Task parameters, fixed at construction.
    const std::int32_t g_intMode;
    const std::u16string g_strLogsDirectory; // without a trailing separator
    const std::u16string g_strDirectory;     // ends with "/"
    const std::int32_t g_intEncoding;
    const std::u16string g_strOldText; // ASCII-upper-cased unless g_IsMatchCase
    const std::u16string g_strNewText;
    const std::u16string g_strExtension; // ASCII-upper-cased extension filter string
    const bool g_IsContainSubFloder;
    const bool g_IsMatchCase;

    // Wiring, set by the owner before Start; not owned. Used on the user-interface thread only.
    TProgressBar* g_pgrProgress = nullptr;
    TListView* g_lvwFileList = nullptr;
    TUpdatePagerInfoCallBackProcedure g_doUpdatePagerInfoCallBackProcedure;
    TCheckCompletedCallBackProcedure g_doCheckCompletedCallBackProcedure;

    // When hand-offs to the user-interface thread are due; set by the owner before Start. Empty:
    // the steady clock. Tests put a clock of their own here.
    THandOffClock g_doHandOffClock;

    // Bytes of files read ahead and not handled yet; the oldest file is always read, whatever
    // its size, so a larger one waits until it is the next to be handled. Set by the owner
    // before Start (tests make it small).
    std::uint64_t g_intReadAheadByteBudget = std::uint64_t{64} << 20;

    // Replace mode only: a preview (dry run). Files are read, matched and checked as for the
    // rewrite, and recorded and counted with the outcome the rewrite would have on the tree as it
    // is, but nothing under the root is created, renamed or removed (no temporary file, no stale
    // temporaries cleared). Set by the owner before Start.
    bool g_IsDryRun = false;

    // Optional, for window-less owners: called on the worker thread with each record as soon as
    // it is made, its log page line included (the headless runner prints it).
    std::function<void(const TProcessRecord& p_Record)> g_doProcessRecordCallBackProcedure;

    // Stop request: written by the user-interface thread, polled by the worker.
    std::atomic<bool> g_IsStoped{false};
    // Set by the worker once the last page is written, just before the completion callback.
    std::atomic<bool> g_IsCompleted{false};
    // Set when an error ended the task early (a log page that cannot be written, a failed
    // hand-off); empty otherwise. Written before g_IsCompleted, read in the completion callback.
    std::u16string g_strErrorMessage;

protected:
    void Execute() override;

private:
    // The steps of Execute: the counters and state of a new task; the walk and the last page;
    // what the task held, let go whether it ended or failed.
    void ResetTask();
    void WalkTask();
    void ReleaseTask();

    // A record whose file has been handled but which is not made yet: records are made in walk
    // order, and a rewrite on a helper thread may end after those of later files.
    struct TPendingRecord {
        std::u16string g_strFileName;
        std::string g_strNativeFileName;
        TEncodingCode g_intEncoding = 0;
        bool g_IsRewrite = false; // its outcome is the rewrite pool's oldest one
        bool g_IsSucceeded = true;
        bool g_IsSkipped = false; // a file or folder that could not be read: not a match
        std::shared_ptr<const TDirectoryListing> g_Folder; // kept open for the rewrite
        std::u16string g_strErrorMessage;
    };

    // Walks one folder: the root (p_Parent null, opened by its path) or the folder p_strName of
    // p_Parent, opened relative to it. p_strNativeDirectory and p_strDirectory are its path,
    // ending with "/", for the records and the rewrites.
    void ProcessDirectory(const TDirectoryListing* p_Parent, const std::string& p_strName,
                          const std::string& p_strNativeDirectory,
                          const std::u16string& p_strDirectory);
    // Meets one entry of a listed directory: a folder is walked at once, a file is queued for
    // handling in walk order (and, when wanted, for reading ahead). False once the walk is to
    // end (a stop).
    bool ProcessDirectoryEntry(const std::shared_ptr<const TDirectoryListing>& p_Listing,
                               const std::string& p_strNativeDirectory,
                               const std::u16string& p_strDirectory,
                               const std::string& p_strEntryName,
                               TDirectoryListing::TEntryKind p_intEntryKind);
    // The "失败" record of a folder that could not be listed, after the files met before it.
    void ReportUnlistableFolder(const std::string& p_strNativeDirectory, int p_intErrorCode);
    // Handles the queued files whose reading is done, oldest first, and waits while the queue
    // is full; with p_IsDraining, handles all. After a stop, drops the rest.
    void HandleQueuedFiles(bool p_IsDraining);
    // The walk's part for one file met, in walk order: the count, the position, and for a wanted
    // file (p_Job, null otherwise) its record and rewrite.
    void HandleFile(const std::shared_ptr<TReadJob>& p_Job);
    // A wanted file, read and tested ahead: records it, rewriting it first in replace mode; a
    // file that could not be read gets its "失败" record.
    void ProcessFile(std::int32_t p_intMode, TReadJob& p_Job);
    // Replace mode: before the first rewrite in p_Folder, removes the stale rewrite temporaries
    // the walk met there (see g_arrStaleTemporaries).
    void RemoveStaleTemporaries(const TDirectoryListing& p_Folder);
    void NoteStaleTemporary(const std::shared_ptr<const TDirectoryListing>& p_Folder,
                            const std::string& p_strName);
    // Whether a folder met by the walk holds the task logs (see g_arrLogFolders).
    bool IsLogFolder(const TDirectoryListing& p_Listing) const;
    void UpdateProcessFile(const std::u16string& p_strFileName, TEncodingCode p_intEncoding,
                           const std::u16string& p_strStatus,
                           const std::u16string& p_strErrorMessage,
                           const std::string& p_strNativeFileName);
    void UpdateProgressPosition(std::int32_t p_intSearchFileCount);
    // Hands over whatever is queued, and the position when it is not the last one handed over.
    void FlushHandOffs();
    void WriteLogPage(std::int32_t p_intPageNumber);
    // Replace mode: writes the page being filled as it stands, at most once a second, so that a
    // crash loses no more than the last second's records (its pages are the only account of
    // which files were changed).
    void SaveCurrentPageIfDue();

    // A record of a file handled without a rewrite: made at once, or queued behind the pending
    // ones, so records keep walk order; see TPendingRecord.
    void RecordInWalkOrder(TPendingRecord p_Record);
    // Makes the pending records whose rewrites have ended, oldest first, up to the first one
    // still under way.
    void MakeFinishedRecords();
    // Makes every pending record, waiting for their rewrites.
    void MakeAllPendingRecords();
    // Makes the oldest pending record, waiting for its rewrite if need be.
    void MakeOldestPendingRecord();
    // Takes the oldest pending record off the queue, with its rewrite's outcome (waited for).
    TPendingRecord TakeOldestPendingRecord();
    // The task's counters for one record.
    void CountRecordOutcome(const TPendingRecord& p_Record);
    // Counts the record and makes it (UpdateProcessFile).
    void CountAndMakeRecord(const TPendingRecord& p_Record);
    // Waits until one more rewrite of p_intByteCount bytes keeps within the pool's bounds.
    void MakeRoomForRewrite(std::size_t p_intByteCount);
    // Ends a task that an error cut short; see Execute.
    void AbandonTask(const std::u16string& p_strErrorMessage);

    std::int32_t g_intPageSize = 0;
    std::int32_t g_intPageCount = 0;
    std::int32_t g_intListViewFilePosition = 0;
    std::int32_t g_intLogsFilePosition = 0;
    std::vector<std::u16string> g_arrProcessLogs;

    // Hand-offs to the user-interface thread, batched; see Execute. Touched by the worker only.
    THandOffBatch g_HandOffBatch;
    THandOffThrottle g_ProgressThrottle;
    THandOffThrottle g_PageSaveThrottle;
    std::size_t g_intSavedLineCount = 0;     // lines of the page being filled already on disk
    std::int32_t g_intPublishedPosition = 0; // files met so far, as the bar should show it
    std::int32_t g_intHandedPosition = 0;    // the position last handed over

    // Turns most non-matching files away before detection and decoding; fixed at construction.
    const TRawPrefilter g_RawPrefilter;
    // Reading ahead, and the files met but not handled yet (null: not wanted), in walk order.
    // Touched by the worker only (the reader has threads of its own).
    std::unique_ptr<TReadAhead> g_ReadAhead;
    std::deque<std::shared_ptr<TReadJob>> g_arrQueuedFiles;
    bool g_IsWalkEnding = false; // a stop was seen after a file was handled
    // The task's log folder and the folder that holds the task log folders: never entered, so
    // that no task searches or rewrites its own records, wherever they lie in the tree.
    std::vector<TFolderIdentity> g_arrLogFolders;
    // Replace mode: the rewrite temporaries met in folders with no rewrite yet, by folder (not
    // kept open: the weak reference tells a live folder from an earlier one at the same
    // address); see RemoveStaleTemporaries. Worker only.
    struct TStaleTemporaries {
        std::weak_ptr<const TDirectoryListing> g_Folder;
        std::vector<std::string> g_arrNames;
    };
    std::map<const TDirectoryListing*, TStaleTemporaries> g_arrStaleTemporaries;
    std::int64_t g_intTaskStartNs = 0; // wall clock, as file times are kept
    // Replace mode: the rewrites begun, and the records waiting for them. Touched by the worker
    // only (the pool has threads of its own).
    std::unique_ptr<TRewritePool> g_RewritePool;
    std::deque<TPendingRecord> g_arrPendingRecords;
};

} // namespace morvane
