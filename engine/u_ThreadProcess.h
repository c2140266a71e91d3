#pragma once
// TThreadProcess: the worker that carries out one task. It walks the root directory, hands every
// wanted file to ProcessFile, keeps the task's counters, makes the process records (live list rows,
// log page files, page-count callback) and ends with the completion callback.

#include "u_Encoding.h"
#include "u_FileRead.h"
#include "u_Thread.h"
#include "u_Types.h"
#include "u_UiInterfaces.h"

#include <atomic>
#include <cstdint>
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

    // Optional, for window-less owners: called on the worker thread with each record's log page
    // line as soon as it is made (the headless runner prints it).
    std::function<void(const std::u16string& p_strLogLine)> g_doProcessRecordCallBackProcedure;

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
    void ProcessDirectory(const std::string& p_strNativeDirectory,
                          const std::u16string& p_strDirectory);
    void ProcessFile(std::int32_t p_intMode, const std::string& p_strNativeFileName,
                     const std::u16string& p_strFileName, std::int32_t p_intEncoding,
                     const std::u16string& p_strOldText, const std::u16string& p_strNewText,
                     bool p_IsMatchCase);
    void UpdateProcessFile(const std::u16string& p_strFileName, TEncodingCode p_intEncoding,
                           const std::u16string& p_strStatus,
                           const std::u16string& p_strErrorMessage);
    void UpdateProgressPosition(std::int32_t p_intSearchFileCount);
    void WriteLogPage(std::int32_t p_intPageNumber);

    std::int32_t g_intPageSize = 0;
    std::int32_t g_intPageCount = 0;
    std::int32_t g_intListViewFilePosition = 0;
    std::int32_t g_intLogsFilePosition = 0;
    std::vector<std::u16string> g_arrProcessLogs;

    // Handles one entry of a listed directory; false once a stop has been requested.
    bool ProcessDirectoryEntry(const std::string& p_strNativeDirectory,
                               const std::u16string& p_strDirectory,
                               const std::string& p_strEntryName, bool p_IsDirectory);
    // Ends a task that an error cut short; see Execute.
    void AbandonTask(const std::u16string& p_strErrorMessage);

    // Buffers of the file being processed, kept from file to file so that a tree of a million
    // files does not cost a million allocations. Touched by the worker only.
    std::string g_strNativeFileName;
    std::u16string g_strFileName;
    std::string g_strFileBytes;
    TFileIdentity g_FileIdentity;
    TDecodedText g_DecodedText;
    std::u16string g_strText;
};

} // namespace morvane
