#pragma once
// TBatchRunner: runs one checked task to its end without a window, through the engine's
// TTaskRunner, and reports it as the result window does: the record lines as they are made, then
// the completion summary. Its main thread plays the user-interface thread: it waits for the end
// of the task and turns a stop request into the workers' flags.

#include "u_BatchListView.h"
#include "u_BatchOptions.h"
#include "u_BatchOutput.h"
#include "u_BatchProgressBar.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace morvane {

class TBatchStopSignal;
class TTaskRunner;
struct TProcessRecord;

// Exit statuses of morvane-batch.
inline constexpr int kBatchExitDone = 0;
inline constexpr int kBatchExitFailures = 1;
inline constexpr int kBatchExitUsage = 2;
inline constexpr int kBatchExitError = 3;
// A stop by a signal exits with 128 + its number (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP), as a shell
// reports a program that the signal ended.
inline constexpr int kBatchExitSignalBase = 128;
inline constexpr int kBatchExitStopped = kBatchExitSignalBase + SIGINT; // also a stop by no signal

class TBatchRunner {
public:
    TBatchRunner(TBatchOptions p_Options, TBatchOutput& p_Output);
    ~TBatchRunner();
    TBatchRunner(const TBatchRunner&) = delete;
    TBatchRunner& operator=(const TBatchRunner&) = delete;

    // Creates the task log folder, runs the task and prints its summary; returns the exit status.
    // p_StopSignal (may be null) is the source of stop requests. Called once.
    int Run(TBatchStopSignal* p_StopSignal);

    // Blocks the calling thread until a stop has been requested (for the hook below).
    void WaitForStopRequest();

    // Called on the processing thread after each record line, with the record's sequence number.
    // The line may still be buffered; the main thread writes it out within kFlushInterval. Lets a
    // test hold the task at a known record.
    std::function<void(std::int32_t p_intRecordNumber)> g_doAfterRecordProcedure;

    // The task log folder, once Run has created it; also on the processing thread.
    const std::u16string& TaskLogsDirectory() const;

    // The exit status for a task that ended as given: an error outweighs a stop, a stop
    // outweighs failed files. p_intStopSignal: the signal that asked for the stop, 0 for none.
    static int ExitCode(bool p_IsError, bool p_IsStoped, std::int32_t p_intFailureCount,
                        int p_intStopSignal = 0);

private:
    bool SelectAnsiCodePage();
    // The task's controls and callbacks; p_intEndedFd hears of the end of the processing.
    void WireTask(int p_intEndedFd);
    void RequestStop();
    void OnRecord(const TProcessRecord& p_Record);
    void WaitForTaskEnd(int p_intEndedFd, TBatchStopSignal* p_StopSignal);
    int Report(int p_intStopSignal);

    const TBatchOptions g_Options;
    TBatchOutput& g_Output;
    TBatchProgressBar g_pgrProgress;
    TBatchListView g_lvwFileList;
    // Made by Run before the workers start, kept afterwards for its folder and summary.
    std::unique_ptr<TTaskRunner> g_TaskRunner;

    std::atomic<std::int32_t> g_intRecordCount{0};

    std::mutex g_StopLock; // guards g_IsStopRequested for the condition variable
    std::condition_variable g_StopRequested;
    bool g_IsStopRequested = false;
};

} // namespace morvane
