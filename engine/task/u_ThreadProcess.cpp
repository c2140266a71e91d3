#include "task/u_ThreadProcess.h"

#include "files/u_DirectoryListing.h"
#include "files/u_FileSystemOps.h"
#include "files/u_RewriteLeftovers.h"
#include "files/u_SafeRewrite.h"
#include "logs/u_LogPage.h"
#include "logs/u_NameEscape.h"
#include "text/u_ExtensionFilter.h"
#include "text/u_TextConvert.h"

#include <chrono>
#include <exception>
#include <string>
#include <thread>
#include <utility>

#ifdef __linux__
#include <unistd.h>
#endif

namespace morvane {

namespace {

constexpr std::int32_t kPageSize = 5000;
constexpr std::chrono::milliseconds kPageSaveInterval{1000};
// Rewrites side by side: enough for the disk to confirm many in one go, few enough that a stop
// leaves little to finish.
constexpr std::size_t kRewriteThreads = 16;
constexpr std::size_t kMaxRewritesInFlight = 16;
// New content held for rewrites not yet done; a single larger file is still taken alone.
constexpr std::size_t kMaxRewriteBytesInFlight = std::size_t{32} << 20;
// Folders noted for their rewrite temporaries before those of closed folders are forgotten.
constexpr std::size_t kMaxFoldersWithTemporaries = 256;
// Records that wait for an older file's rewrite.
constexpr std::size_t kMaxPendingRecords = 256;
// Files met and not handled yet: how far reading runs ahead of the walk's handling.
constexpr std::size_t kMaxQueuedFiles = 128;

const std::u16string kStatusSuccess = u"成功";
const std::u16string kStatusFailure = u"失败";
const std::string kUnlistableFolderPrefix = "无法打开文件夹：";

#ifdef __linux__
bool IsOpenFolderPathAvailable() {
    static const bool s_IsAvailable = access("/proc/self/fd", X_OK) == 0;
    return s_IsAvailable;
}
#endif

// The path by which a rewrite finds the file: through the walk's open folder where the system
// names open folders (Linux), so that, as for reading, nothing below the root is looked up from
// the root again; a folder swapped for a link meanwhile is not followed, and a path longer than
// the system's limit still works. Elsewhere the full path; the rewrite then still refuses a file
// that is not the one that was read.
std::string RewritePath(const TReadJob& p_Job) {
#ifdef __linux__
    if (p_Job.g_Folder != nullptr && p_Job.g_Folder->DirectoryFd() >= 0 &&
        IsOpenFolderPathAvailable()) {
        return "/proc/self/fd/" + std::to_string(p_Job.g_Folder->DirectoryFd()) + "/" +
               p_Job.g_strEntryName;
    }
#endif
    return p_Job.g_strNativeFileName;
}

// One reader per core: reading a file is mostly system calls, which overlap well across cores,
// and more readers than cores would only take turns.
std::size_t ReaderThreadCount() {
    const unsigned m_intCores = std::thread::hardware_concurrency();
    return m_intCores < 2 ? 2 : (m_intCores > 4 ? 4 : m_intCores);
}

} // namespace

TThreadProcess::TThreadProcess(std::int32_t p_intMode, std::u16string p_strLogsDirectory,
                               std::u16string p_strDirectory, std::int32_t p_intEncoding,
                               std::u16string p_strOldText, std::u16string p_strNewText,
                               std::u16string p_strExtension, bool p_IsContainSubFloder,
                               bool p_IsMatchCase)
    : g_intMode(p_intMode), g_strLogsDirectory(std::move(p_strLogsDirectory)),
      g_strDirectory(std::move(p_strDirectory)), g_intEncoding(p_intEncoding),
      // From here on the find text arrives at ProcessFile already folded when case is ignored.
      g_strOldText(p_IsMatchCase ? std::move(p_strOldText) : AsciiUpperCase(p_strOldText)),
      g_strNewText(std::move(p_strNewText)), g_strExtension(AsciiUpperCase(p_strExtension)),
      g_IsContainSubFloder(p_IsContainSubFloder), g_IsMatchCase(p_IsMatchCase),
      g_RawPrefilter(g_strOldText, g_IsMatchCase) {
    SetPriority(TThreadPriority::Highest);
    SetFreeOnTerminate(false);
}

// The body reads this object's members until its last hand-off: it must have ended before they
// go. The owner destroys the object only once the completion callback has returned, so this
// join does not wait for the user-interface thread.
TThreadProcess::~TThreadProcess() {
    WaitFor();
}

void TThreadProcess::Execute() {
    ResetTask();
    // An error that escapes the walk (a page that cannot be written, a failed hand-off) must
    // still end the task with the completion callback: the result window leaves its running
    // state only through it.
    try {
        WalkTask();
    } catch (const std::exception& m_Error) {
        AbandonTask(Utf8ToUtf16Lenient(m_Error.what()));
    } catch (...) {
        AbandonTask(u"Unknown error");
    }
    ReleaseTask();
    g_IsCompleted.store(true);
    if (g_doCheckCompletedCallBackProcedure) {
        Synchronize([this] { g_doCheckCompletedCallBackProcedure(); });
    }
}

void TThreadProcess::ResetTask() {
    g_intSearchFileCount = 0;
    g_intMatchingFileCount = 0;
    g_intReplaceSuccessFileCount = 0;
    g_intReplaceFailureFileCount = 0;
    g_intUnprocessedFileCount = 0;
    g_intPageSize = kPageSize;
    g_intListViewFilePosition = 0;
    g_intLogsFilePosition = 0;
    g_arrProcessLogs.clear();
    g_arrProcessLogs.reserve(static_cast<std::size_t>(g_intPageSize));
    g_HandOffBatch = THandOffBatch(g_doHandOffClock);
    g_ProgressThrottle = THandOffThrottle(g_doHandOffClock);
    g_PageSaveThrottle = THandOffThrottle(g_doHandOffClock, kPageSaveInterval);
    g_intSavedLineCount = 0;
    g_intPublishedPosition = 0;
    g_intHandedPosition = 0;
    g_arrPendingRecords.clear();
    g_arrQueuedFiles.clear();
    g_IsWalkEnding = false;
    g_arrLogFolders = FolderAndParentIdentities(Utf16ToUtf8(g_strLogsDirectory));
    g_arrStaleTemporaries.clear();
    g_intTaskStartNs = WallClockNs();
}

void TThreadProcess::WalkTask() {
    if (g_intMode == kModeReplace) {
        g_RewritePool = std::make_unique<TRewritePool>(kRewriteThreads, g_IsDryRun);
    }
    TReadAheadTask m_ReadAheadTask;
    m_ReadAheadTask.g_RawPrefilter = &g_RawPrefilter;
    m_ReadAheadTask.g_intEncoding = g_intEncoding;
    m_ReadAheadTask.g_strOldText = &g_strOldText;
    m_ReadAheadTask.g_strNewText = &g_strNewText;
    m_ReadAheadTask.g_IsMatchCase = g_IsMatchCase;
    m_ReadAheadTask.g_IsReplacing = g_intMode == kModeReplace;
    g_ReadAhead = std::make_unique<TReadAhead>(ReaderThreadCount(), m_ReadAheadTask,
                                               g_intReadAheadByteBudget);
    ProcessDirectory(nullptr, std::string(), Utf16ToUtf8(g_strDirectory), g_strDirectory);
    HandleQueuedFiles(true);
    // Files begun are finished and recorded, after a stop too.
    MakeAllPendingRecords();
    // Rows before the page that holds them, and the final position before the completion
    // callback, as if every call had been handed over on its own.
    FlushHandOffs();
    if (!g_arrProcessLogs.empty()) {
        WriteLogPage(g_intPageCount);
    }
}

void TThreadProcess::ReleaseTask() {
    // Files read ahead but never handled (after a stop or an error) are dropped unseen. The
    // rewrites end before the records that keep their folders open go.
    g_arrQueuedFiles.clear();
    g_ReadAhead.reset();
    g_RewritePool.reset();
    g_arrPendingRecords.clear();
    g_arrStaleTemporaries.clear();
    std::vector<std::u16string>().swap(g_arrProcessLogs);
}

void TThreadProcess::AbandonTask(const std::u16string& p_strErrorMessage) {
    g_strErrorMessage = p_strErrorMessage.empty() ? u"Unknown error" : p_strErrorMessage;
    // The buffered lines, as the page their sequence numbers say: the error may have struck
    // before the page count was brought up to date, or while the page was being written.
    const auto m_doWriteBufferedLines = [this] {
        if (g_arrProcessLogs.empty()) {
            return;
        }
        try {
            WriteLogPage((g_intLogsFilePosition - 1) / g_intPageSize + 1);
        } catch (...) {
            // The first error is the one reported; the lines of this page are lost.
        }
        g_arrProcessLogs.clear();
    };
    if (static_cast<std::int32_t>(g_arrProcessLogs.size()) >= g_intPageSize) {
        m_doWriteBufferedLines();
    }
    // Rewrites already begun still end, and are counted and logged, but nothing more is handed
    // to the user interface: that may be what failed.
    while (!g_arrPendingRecords.empty()) {
        const TPendingRecord m_Record = TakeOldestPendingRecord();
        CountRecordOutcome(m_Record);
        ++g_intListViewFilePosition;
        ++g_intLogsFilePosition;
        g_arrProcessLogs.push_back(
            BuildLogLine(g_intMode, g_intLogsFilePosition,
                         m_Record.g_IsSucceeded ? kStatusSuccess : kStatusFailure,
                         GetEncodingName(m_Record.g_intEncoding), m_Record.g_strFileName,
                         m_Record.g_strErrorMessage));
        if (static_cast<std::int32_t>(g_arrProcessLogs.size()) >= g_intPageSize) {
            m_doWriteBufferedLines();
        }
    }
    // Calls queued before the error still reach the user interface; when the error came from a
    // hand-off, its batch is gone and nothing is tried twice.
    try {
        FlushHandOffs();
    } catch (...) {
        // The first error is the one reported.
    }
    m_doWriteBufferedLines();
}

void TThreadProcess::ProcessDirectory(const TDirectoryListing* p_Parent,
                                      const std::string& p_strName,
                                      const std::string& p_strNativeDirectory,
                                      const std::u16string& p_strDirectory) {
    if (g_IsStoped.load() || g_IsWalkEnding) {
        return;
    }
    // Shared with the files read ahead, which open their names relative to the listed folder:
    // the path is not looked up again for each, and the folder stays open until they are read.
    const auto m_Listing = p_Parent != nullptr
                               ? std::make_shared<TDirectoryListing>(*p_Parent, p_strName)
                               : std::make_shared<TDirectoryListing>(p_strNativeDirectory);
    if (m_Listing->IsNotFollowed() || (p_Parent != nullptr && IsLogFolder(*m_Listing))) {
        return;
    }
    if (g_intMode != kModeReplace) {
        while (m_Listing->Next()) {
            if (!ProcessDirectoryEntry(m_Listing, p_strNativeDirectory, p_strDirectory,
                                       m_Listing->EntryName(), m_Listing->EntryKind())) {
                return;
            }
        }
    } else {
        // A rewrite renames a new file onto the old name. Some file systems then list that name
        // again later in the same listing, which would replace in the file a second time; so in
        // replace mode the folder's entries are taken first, in the listing's order, and handled
        // afterwards.
        // A rewrite's temporary file met here was left by a rewrite that died, unless another
        // task is rewriting beside this one; the first rewrite in the folder clears them.
        std::vector<std::pair<std::string, TDirectoryListing::TEntryKind>> m_arrEntries;
        while (m_Listing->Next()) {
            m_arrEntries.emplace_back(m_Listing->EntryName(), m_Listing->EntryKind());
            if (IsRewriteTemporaryName(m_Listing->EntryName())) {
                NoteStaleTemporary(m_Listing, m_Listing->EntryName());
            }
        }
        for (const auto& [m_strEntryName, m_intEntryKind] : m_arrEntries) {
            if (!ProcessDirectoryEntry(m_Listing, p_strNativeDirectory, p_strDirectory,
                                       m_strEntryName, m_intEntryKind)) {
                return;
            }
        }
    }
    if (m_Listing->ErrorCode() != 0) {
        ReportUnlistableFolder(p_strNativeDirectory, m_Listing->ErrorCode());
    }
}

void TThreadProcess::ReportUnlistableFolder(const std::string& p_strNativeDirectory,
                                            int p_intErrorCode) {
    // Records are made in walk order: the files met before the folder come first.
    HandleQueuedFiles(true);
    if (g_IsWalkEnding || g_IsStoped.load()) {
        return;
    }
    TPendingRecord m_Record;
    std::string m_strFolder = p_strNativeDirectory;
    if (m_strFolder.size() > 1 && m_strFolder.back() == '/') {
        m_strFolder.pop_back();
    }
    m_Record.g_strFileName = EscapeName(m_strFolder);
    m_Record.g_IsSucceeded = false;
    m_Record.g_IsSkipped = true;
    m_Record.g_strErrorMessage =
        EscapeName(kUnlistableFolderPrefix + SystemErrorText(p_intErrorCode));
    RecordInWalkOrder(std::move(m_Record));
}

bool TThreadProcess::ProcessDirectoryEntry(
    const std::shared_ptr<const TDirectoryListing>& p_Listing,
    const std::string& p_strNativeDirectory, const std::u16string& p_strDirectory,
    const std::string& p_strEntryName, TDirectoryListing::TEntryKind p_intEntryKind) {
    if (p_intEntryKind == TDirectoryListing::TEntryKind::Directory) {
        if (g_IsContainSubFloder) {
            ProcessDirectory(p_Listing.get(), p_strEntryName,
                             p_strNativeDirectory + p_strEntryName + '/',
                             p_strDirectory + Utf8ToUtf16Lenient(p_strEntryName) + u'/');
        }
    } else if (!IsRewriteTemporaryName(p_strEntryName)) {
        // (A rewrite's temporary file is none of the user's: never searched or counted.)
        std::shared_ptr<TReadJob> m_Job;
        std::u16string m_strName = Utf8ToUtf16Lenient(p_strEntryName);
        // A forced code out of range reads no file at all. A FIFO, socket or device is met and
        // counted, but never opened.
        const bool m_IsReadable =
            (g_intEncoding == kEncodingAuto || IsProcessedEncoding(g_intEncoding)) &&
            p_intEntryKind == TDirectoryListing::TEntryKind::RegularFile;
        if (m_IsReadable && PassesExtensionFilter(m_strName, g_strExtension)) {
            m_Job = std::make_shared<TReadJob>();
            m_Job->g_Folder = p_Listing;
            m_Job->g_strEntryName = p_strEntryName;
            m_Job->g_strNativeFileName = p_strNativeDirectory + p_strEntryName;
            // The record's name comes straight from the bytes, escaped: it must lead back to
            // this very file whatever the name holds.
            m_Job->g_strFileName = EscapeName(m_Job->g_strNativeFileName);
            g_ReadAhead->Submit(m_Job);
        }
        g_arrQueuedFiles.push_back(std::move(m_Job));
        HandleQueuedFiles(false);
    }
    return !g_IsWalkEnding && !g_IsStoped.load();
}

void TThreadProcess::NoteStaleTemporary(const std::shared_ptr<const TDirectoryListing>& p_Folder,
                                        const std::string& p_strName) {
    // Folders whose listings are gone had no rewrite: their names are of no more use.
    if (g_arrStaleTemporaries.size() >= kMaxFoldersWithTemporaries) {
        std::erase_if(g_arrStaleTemporaries,
                      [](const auto& p_Entry) { return p_Entry.second.g_Folder.expired(); });
    }
    TStaleTemporaries& m_Stale = g_arrStaleTemporaries[p_Folder.get()];
    if (m_Stale.g_Folder.lock() != p_Folder) {
        // A folder listed earlier at the same address, gone since.
        m_Stale = TStaleTemporaries{p_Folder, {}};
    }
    m_Stale.g_arrNames.push_back(p_strName);
}

void TThreadProcess::RemoveStaleTemporaries(const TDirectoryListing& p_Folder) {
    const auto m_It = g_arrStaleTemporaries.find(&p_Folder);
    // A live entry under this address is this folder's: the folder is open.
    if (m_It == g_arrStaleTemporaries.end() || m_It->second.g_Folder.expired()) {
        return;
    }
    RemoveStaleRewriteTemporaries(p_Folder, m_It->second.g_arrNames, g_intTaskStartNs);
    g_arrStaleTemporaries.erase(m_It);
}

bool TThreadProcess::IsLogFolder(const TDirectoryListing& p_Listing) const {
    return IsOneOfFolders(p_Listing, g_arrLogFolders);
}

void TThreadProcess::HandleQueuedFiles(bool p_IsDraining) {
    while (!g_arrQueuedFiles.empty()) {
        // The stop is honoured between two files handled, as a walk without reading ahead
        // would: the file being handled is finished, no later one is begun.
        if (g_IsStoped.load()) {
            g_IsWalkEnding = true;
        }
        if (g_IsWalkEnding) {
            // After a stop the files met later were never met, as far as the task goes.
            g_ReadAhead->DropQueued();
            g_arrQueuedFiles.clear();
            return;
        }
        const std::shared_ptr<TReadJob>& m_Front = g_arrQueuedFiles.front();
        if (!p_IsDraining && m_Front && !g_ReadAhead->IsDone(*m_Front)) {
            if (g_arrQueuedFiles.size() < kMaxQueuedFiles) {
                return;
            }
            // Full: wait until about half the queue is read, then handle that part in one go,
            // rather than waking for every single file.
            for (std::size_t m_intIndex = kMaxQueuedFiles / 2; m_intIndex > 0; --m_intIndex) {
                if (g_arrQueuedFiles[m_intIndex]) {
                    g_ReadAhead->WaitForLaterOrRoom(*m_Front, *g_arrQueuedFiles[m_intIndex]);
                    break;
                }
            }
            // Woken for the later file, the oldest one has been started before it and ends on
            // its own (the oldest file never waits for room).
        }
        const std::shared_ptr<TReadJob> m_Job = m_Front;
        g_arrQueuedFiles.pop_front();
        HandleFile(m_Job);
    }
}

void TThreadProcess::HandleFile(const std::shared_ptr<TReadJob>& p_Job) {
    ++g_intSearchFileCount;
    UpdateProgressPosition(g_intSearchFileCount);
    SaveCurrentPageIfDue();
    if (!p_Job) {
        return;
    }
    g_ReadAhead->Wait(*p_Job);
    ProcessFile(g_intMode, *p_Job);
}

void TThreadProcess::ProcessFile(std::int32_t p_intMode, TReadJob& p_Job) {
    if (!p_Job.g_IsMatched) {
        g_ReadAhead->Release(p_Job);
        if (!p_Job.g_strSkipReason.empty()) {
            TPendingRecord m_Record;
            m_Record.g_strFileName = p_Job.g_strFileName;
            m_Record.g_IsSucceeded = false;
            m_Record.g_IsSkipped = true;
            m_Record.g_strErrorMessage = EscapeName(p_Job.g_strSkipReason);
            RecordInWalkOrder(std::move(m_Record));
        }
        return;
    }
    TPendingRecord m_Record;
    m_Record.g_strFileName = p_Job.g_strFileName;
    m_Record.g_strNativeFileName = p_Job.g_strNativeFileName;
    m_Record.g_intEncoding = p_Job.g_intEncoding;
    // Only replace mode exactly ever writes; any other mode number only reports.
    if (p_intMode != kModeReplace) {
        g_ReadAhead->Release(p_Job);
        RecordInWalkOrder(std::move(m_Record));
        return;
    }
    // A failure here or in the rewrite is this file's "失败" record; the record itself is made
    // outside, so that its own errors (a log page that cannot be written) reach Execute.
    if (p_Job.g_IsRewriteRefused) {
        g_ReadAhead->Release(p_Job);
        m_Record.g_IsSucceeded = false;
        m_Record.g_strErrorMessage = EscapeName(p_Job.g_strRewriteError);
        RecordInWalkOrder(std::move(m_Record));
        return;
    }
    if (p_Job.g_Folder != nullptr && !g_IsDryRun) {
        RemoveStaleTemporaries(*p_Job.g_Folder);
    }
    MakeRoomForRewrite(p_Job.g_strNewBytes.size());
    // The reason quotes the name as text; the record escapes the whole reason afterwards.
    g_RewritePool->Submit(RewritePath(p_Job), Utf8ToUtf16Lenient(p_Job.g_strNativeFileName),
                          p_Job.g_Identity, std::move(p_Job.g_strNewBytes));
    g_ReadAhead->Release(p_Job);
    m_Record.g_IsRewrite = true;
    // The rewrite may find its folder through the walk's open listing; kept open until then.
    m_Record.g_Folder = p_Job.g_Folder;
    g_arrPendingRecords.push_back(std::move(m_Record));
    MakeFinishedRecords();
}

void TThreadProcess::RecordInWalkOrder(TPendingRecord p_Record) {
    if (g_arrPendingRecords.empty()) {
        CountAndMakeRecord(p_Record);
        return;
    }
    while (g_arrPendingRecords.size() >= kMaxPendingRecords) {
        MakeOldestPendingRecord();
    }
    g_arrPendingRecords.push_back(std::move(p_Record));
    MakeFinishedRecords();
}

void TThreadProcess::MakeRoomForRewrite(std::size_t p_intByteCount) {
    while (g_RewritePool->PendingCount() >= kMaxRewritesInFlight ||
           (g_RewritePool->PendingBytes() > 0 &&
            g_RewritePool->PendingBytes() + p_intByteCount > kMaxRewriteBytesInFlight)) {
        MakeOldestPendingRecord();
    }
}

void TThreadProcess::MakeFinishedRecords() {
    while (!g_arrPendingRecords.empty()) {
        if (g_arrPendingRecords.front().g_IsRewrite && !g_RewritePool->IsFrontDone()) {
            return;
        }
        MakeOldestPendingRecord();
    }
}

void TThreadProcess::MakeAllPendingRecords() {
    while (!g_arrPendingRecords.empty()) {
        MakeOldestPendingRecord();
    }
}

void TThreadProcess::MakeOldestPendingRecord() {
    // Taken off first: should making the record fail, it is not made twice.
    CountAndMakeRecord(TakeOldestPendingRecord());
}

TThreadProcess::TPendingRecord TThreadProcess::TakeOldestPendingRecord() {
    TPendingRecord m_Record = std::move(g_arrPendingRecords.front());
    g_arrPendingRecords.pop_front();
    if (m_Record.g_IsRewrite) {
        const TRewriteOutcome m_Outcome = g_RewritePool->TakeFront();
        m_Record.g_IsSucceeded = m_Outcome.g_IsSucceeded;
        m_Record.g_strErrorMessage = EscapeName(m_Outcome.g_strErrorMessage);
    }
    return m_Record;
}

void TThreadProcess::CountRecordOutcome(const TPendingRecord& p_Record) {
    if (p_Record.g_IsSkipped) {
        ++g_intUnprocessedFileCount;
        return;
    }
    ++g_intMatchingFileCount;
    if (g_intMode == kModeReplace) {
        ++(p_Record.g_IsSucceeded ? g_intReplaceSuccessFileCount : g_intReplaceFailureFileCount);
    }
}

void TThreadProcess::CountAndMakeRecord(const TPendingRecord& p_Record) {
    CountRecordOutcome(p_Record);
    UpdateProcessFile(p_Record.g_strFileName, p_Record.g_intEncoding,
                      p_Record.g_IsSucceeded ? kStatusSuccess : kStatusFailure,
                      p_Record.g_strErrorMessage, p_Record.g_strNativeFileName);
}

void TThreadProcess::UpdateProcessFile(const std::u16string& p_strFileName,
                                       TEncodingCode p_intEncoding,
                                       const std::u16string& p_strStatus,
                                       const std::u16string& p_strErrorMessage,
                                       const std::string& p_strNativeFileName) {
    ++g_intListViewFilePosition;
    const std::u16string m_strEncodingName = GetEncodingName(p_intEncoding);

    // The live list holds page 1 only; later records are reached through the pager. The row is
    // built from copies: it may run in a later batch.
    if (g_intListViewFilePosition <= g_intPageSize && g_lvwFileList != nullptr) {
        std::vector<std::u16string> m_arrSubItems;
        m_arrSubItems.reserve(5);
        m_arrSubItems.emplace_back(); // the row number, known on the user-interface thread
        m_arrSubItems.push_back(p_strStatus);
        m_arrSubItems.push_back(m_strEncodingName);
        m_arrSubItems.push_back(p_strFileName);
        // Find mode's rows have a reason only where a file could not be read.
        if (g_intMode == kModeReplace || !p_strErrorMessage.empty()) {
            m_arrSubItems.push_back(p_strErrorMessage);
        }
        const int m_intImageIndex = p_strStatus == kStatusSuccess ? 0 : 1;
        g_HandOffBatch.Add(
            [this, m_arrSubItems = std::move(m_arrSubItems), m_intImageIndex]() mutable {
                m_arrSubItems[0] = IntToText(g_lvwFileList->RowCount() + 1);
                g_lvwFileList->AddRow(std::u16string(), m_intImageIndex, m_arrSubItems);
            });
    }

    ++g_intLogsFilePosition;
    g_arrProcessLogs.push_back(BuildLogLine(g_intMode, g_intLogsFilePosition, p_strStatus,
                                            m_strEncodingName, p_strFileName, p_strErrorMessage));
    if (g_doProcessRecordCallBackProcedure) {
        g_doProcessRecordCallBackProcedure(TProcessRecord{
            g_intLogsFilePosition, p_strStatus, m_strEncodingName, p_strFileName,
            p_strNativeFileName, g_intMode == kModeReplace ? p_strErrorMessage : std::u16string(),
            g_arrProcessLogs.back()});
    }

    if (static_cast<std::int32_t>(g_arrProcessLogs.size()) % g_intPageSize == 0) {
        // The page's file appears only once all its rows are in the list.
        g_HandOffBatch.Flush();
        // Still the page count from before this record: the number of the page just filled.
        WriteLogPage(g_intPageCount);
        g_arrProcessLogs.clear();
        g_intSavedLineCount = 0;
    }
    SaveCurrentPageIfDue();

    // Pages hold records, and not every record is a match: a file that could not be read has
    // one too.
    g_intPageCount = g_intLogsFilePosition / g_intPageSize +
                     (g_intLogsFilePosition % g_intPageSize != 0 ? 1 : 0);

    if (g_doUpdatePagerInfoCallBackProcedure) {
        // The counts as they stand now, whenever the batch runs.
        g_HandOffBatch.Add([this, m_intRecordCount = g_intLogsFilePosition,
                            m_intPageSize = g_intPageSize, m_intPageCount = g_intPageCount] {
            g_doUpdatePagerInfoCallBackProcedure(m_intRecordCount, m_intPageSize, m_intPageCount);
        });
    }
}

// The position is published for every file met but handed over at a steady rate; the latest
// one always reaches the bar before the completion callback (FlushHandOffs).
void TThreadProcess::UpdateProgressPosition(std::int32_t p_intSearchFileCount) {
    if (g_pgrProgress == nullptr) {
        g_HandOffBatch.FlushIfDue();
        return;
    }
    g_intPublishedPosition = p_intSearchFileCount;
    if (!g_ProgressThrottle.IsDue()) {
        g_HandOffBatch.FlushIfDue();
        return;
    }
    g_ProgressThrottle.Restart();
    g_intHandedPosition = p_intSearchFileCount;
    g_HandOffBatch.Add(
        [this, p_intSearchFileCount] { g_pgrProgress->SetPosition(p_intSearchFileCount); });
    g_HandOffBatch.Flush();
}

void TThreadProcess::FlushHandOffs() {
    if (g_pgrProgress != nullptr && g_intPublishedPosition != g_intHandedPosition) {
        const std::int32_t m_intPosition = g_intPublishedPosition;
        g_intHandedPosition = m_intPosition;
        g_HandOffBatch.Add([this, m_intPosition] { g_pgrProgress->SetPosition(m_intPosition); });
    }
    g_HandOffBatch.Flush();
}

void TThreadProcess::SaveCurrentPageIfDue() {
    if (g_intMode != kModeReplace || g_arrProcessLogs.size() == g_intSavedLineCount ||
        !g_PageSaveThrottle.IsDue()) {
        return;
    }
    g_PageSaveThrottle.Restart();
    // Rows before the page that holds them, as for a full page.
    g_HandOffBatch.Flush();
    WriteLogPage((g_intLogsFilePosition - 1) / g_intPageSize + 1);
    g_intSavedLineCount = g_arrProcessLogs.size();
}

void TThreadProcess::WriteLogPage(std::int32_t p_intPageNumber) {
    WriteLogPageFile(LogPageFileName(g_strLogsDirectory, p_intPageNumber), g_arrProcessLogs,
                     g_intMode == kModeReplace);
}

} // namespace morvane
