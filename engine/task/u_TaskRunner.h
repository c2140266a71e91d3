#pragma once
// TTaskRunner: runs one task from its task parameters, under any front-end. It makes the task's
// own log folder, starts the file count pass and the processing thread, passes stop requests on to
// both, knows when and how the task has ended, and gives the numbers of its summary. What the task
// shows reaches the front-end through the wiring below; the runner touches no user interface.
//
// A front-end with a dispatcher (TThread::SetMainThreadDispatcher) hears of the end through the
// completion callback on its user-interface thread. One without a dispatcher plays that thread
// itself: it waits for g_doTaskEndedProcedure, calls WaitFor, then SettleEnd.

#include "core/u_Types.h"
#include "core/u_UiInterfaces.h"
#include "logs/u_ProcessRecord.h"
#include "logs/u_TaskSummary.h"
#include "task/u_HandOffThrottle.h"
#include "task/u_TaskParameters.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace morvane {

class TThreadSearch;

enum class TTaskState : std::uint8_t {
    Created,  // Start not called yet
    Running,  // from Start until the end is known
    Finished, // the walk ran out of files
    Stopped,  // a stop was requested and honoured
    Failed,   // an error ended the task, or it could not start
};

class TTaskRunner {
public:
    explicit TTaskRunner(TTaskParameters p_Parameters);
    // Stops the task and waits for its threads. Where the user-interface thread serves their
    // hand-offs, destroy the runner there only once IsAlive is false.
    ~TTaskRunner();
    TTaskRunner(const TTaskRunner&) = delete;
    TTaskRunner& operator=(const TTaskRunner&) = delete;

    // Wiring, set before Start; none of it owned. The controls and the first two callbacks are
    // used as TThreadProcess uses them.
    TProgressBar* g_pgrProgress = nullptr;
    TListView* g_lvwFileList = nullptr;
    TUpdatePagerInfoCallBackProcedure g_doUpdatePagerInfoCallBackProcedure;
    std::function<void(const TProcessRecord& p_Record)> g_doProcessRecordCallBackProcedure;
    // Called once per task, when its end is known (IsEnded is true and SummaryInput complete):
    // from the processing thread's last hand-off, from Start when the task could not start, or
    // from SettleEnd.
    TCheckCompletedCallBackProcedure g_doCheckCompletedCallBackProcedure;
    // Called once per task as soon as its processing has ended, whatever ended it: on the
    // processing thread as its very last act, or within Start when the task could not start. It
    // must neither block nor wait for the user-interface thread (a window posts itself a notice,
    // the headless runner wakes its main thread); the owner then calls SettleEnd there.
    std::function<void()> g_doTaskEndedProcedure;
    // When hand-offs are due; empty: the steady clock. Tests put a clock of their own here.
    THandOffClock g_doHandOffClock;

    // Makes the task log folder, then creates the two workers suspended, wires them, starts the
    // count pass, takes the start time and starts the processing thread. Never throws: a task
    // that cannot start ends at once as Failed (IsStartFailed). Called once, on the
    // user-interface thread.
    void Start();
    // Sets the stop flags of both workers; before Start, the task then ends at once when started,
    // with nothing listed. No waiting; from any thread, also from the workers' callbacks.
    void RequestStop();
    // Terminate requests to both workers (flags only), for a window that closes after the end.
    void RequestTerminate();
    // After g_doTaskEndedProcedure, on the user-interface thread: a processing thread that ended
    // without its completion hand-off (an error escaped it) ends the task as Failed here, and the
    // completion callback is called. Returns whether it did; false once the end is known.
    bool SettleEnd();
    // Joins both workers. Only where no worker waits for the user-interface thread.
    void WaitFor();

    TTaskState State() const { return g_State.load(); }
    bool IsEnded() const;
    bool IsStartFailed() const { return g_IsStartFailed; }
    // Whether a stop was requested, as the processing thread's g_IsStoped says.
    bool IsStoped() const;
    // Whether either worker's body still runs.
    bool IsAlive() const;
    const TTaskParameters& Parameters() const { return g_Parameters; }
    // The task log folder, without a trailing separator; empty until Start has made it. Safe to
    // read from the workers.
    const std::u16string& TaskLogsDirectory() const { return g_strTaskLogsDirectory; }
    // Why the task failed; empty unless State is Failed. Read once the end is known.
    const std::u16string& ErrorMessage() const { return g_strErrorMessage; }
    // The summary's numbers and texts, the elapsed time with p_chrDecimalSeparator. Read inside
    // the completion callback or once the task has ended.
    TTaskSummaryInput SummaryInput(char16_t p_chrDecimalSeparator = u'.') const;

private:
    class TRunnerThreadProcess;

    void CreateWorkers();
    void StartWorkers();
    void FailStart(const std::u16string& p_strErrorMessage);
    // The processing thread's completion hand-off: on the user-interface thread (or, without a
    // dispatcher, on the worker under the hand-off lock).
    void OnProcessCompleted();
    // On the processing thread, as its last act.
    void OnProcessEnded(const std::u16string& p_strFatalMessage);
    // Ends the count pass, takes the end time and passes the end on.
    void EndTask(TTaskState p_State, const std::u16string& p_strErrorMessage);

    const TTaskParameters g_Parameters;
    std::u16string g_strTaskLogsDirectory;
    std::unique_ptr<TThreadSearch> g_trdThreadSearch;
    std::unique_ptr<TRunnerThreadProcess> g_trdThreadProcess;
    std::uint32_t g_intBeginTime = 0;
    std::uint32_t g_intEndTime = 0;
    std::atomic<TTaskState> g_State{TTaskState::Created};
    std::atomic<bool> g_IsStopRequested{false};
    bool g_IsStartFailed = false;
    std::u16string g_strErrorMessage;
    // Written by the processing thread before g_IsProcessEnded, read after it.
    std::u16string g_strFatalMessage;
    std::atomic<bool> g_IsProcessEnded{false};
};

} // namespace morvane
