#include "task/u_TaskRunner.h"

#include "logs/u_TaskLogsFolder.h"
#include "task/u_ThreadProcess.h"
#include "task/u_ThreadSearch.h"
#include "text/u_TextConvert.h"

#include <exception>
#include <utility>

namespace morvane {

namespace {

const std::u16string kUnknownError = u"Unknown error";
const std::u16string kEndedEarly = u"The processing thread ended before the task was complete";

} // namespace

// The processing thread as the runner starts it: the engine's own body, and after it, whatever
// ended it, one call that lets the owner know. An error that escapes the body is kept here, so
// that it is known before the owner hears of the end.
class TTaskRunner::TRunnerThreadProcess final : public TThreadProcess {
public:
    TRunnerThreadProcess(TTaskRunner& p_Runner, const TTaskParameters& p_Task,
                         const std::u16string& p_strTaskLogsDirectory)
        : TThreadProcess(p_Task.g_intMode, p_strTaskLogsDirectory, p_Task.g_strDirectory,
                         p_Task.g_intEncoding, p_Task.g_strOldText, p_Task.g_strNewText,
                         p_Task.g_strExtension, p_Task.g_IsContainSubFloder, p_Task.g_IsMatchCase),
          g_Runner(p_Runner) {}

protected:
    void Execute() override {
        std::u16string m_strFatalMessage;
        try {
            TThreadProcess::Execute();
        } catch (const std::exception& m_Error) {
            m_strFatalMessage = Utf8ToUtf16Lenient(m_Error.what());
        } catch (...) {
            m_strFatalMessage = kUnknownError;
        }
        g_Runner.OnProcessEnded(m_strFatalMessage);
    }

private:
    TTaskRunner& g_Runner;
};

TTaskRunner::TTaskRunner(TTaskParameters p_Parameters) : g_Parameters(std::move(p_Parameters)) {}

TTaskRunner::~TTaskRunner() {
    RequestStop();
    // Joined here, while the whole runner still exists: the processing thread's last act uses it.
    WaitFor();
}

void TTaskRunner::Start() {
    if (g_State.load() != TTaskState::Created) {
        return;
    }
    g_State.store(TTaskState::Running);
    // Taken again just before the processing thread starts; this one serves a task that cannot.
    g_intBeginTime = GetTickCount32();
    try {
        g_strTaskLogsDirectory = CreateTaskLogsFolder(g_Parameters.g_strLogsFileDirectory.empty()
                                                          ? DefaultLogsDirectory()
                                                          : g_Parameters.g_strLogsFileDirectory);
        CreateWorkers();
        StartWorkers();
    } catch (const std::exception& m_Error) {
        FailStart(Utf8ToUtf16Lenient(m_Error.what()));
    } catch (...) {
        FailStart(kUnknownError);
    }
}

void TTaskRunner::CreateWorkers() {
    const bool m_IsPreview = g_Parameters.g_Kind == TTaskKind::ReplacePreview;
    if (g_Parameters.g_Kind != TTaskKind::FindReplace && !m_IsPreview) {
        throw TEngineError("Unknown task kind");
    }
    // A preview of anything but a replace would be a find task under another name.
    if (m_IsPreview && g_Parameters.g_intMode != kModeReplace) {
        throw TEngineError("A replace preview needs replace mode");
    }
    g_trdThreadSearch = std::make_unique<TThreadSearch>(g_Parameters.g_strDirectory,
                                                        g_Parameters.g_IsContainSubFloder);
    g_trdThreadSearch->g_pgrProgress = g_pgrProgress;
    g_trdThreadSearch->g_doHandOffClock = g_doHandOffClock;
    g_trdThreadSearch->g_strLogsDirectory = g_strTaskLogsDirectory;

    g_trdThreadProcess =
        std::make_unique<TRunnerThreadProcess>(*this, g_Parameters, g_strTaskLogsDirectory);
    g_trdThreadProcess->g_pgrProgress = g_pgrProgress;
    g_trdThreadProcess->g_lvwFileList = g_lvwFileList;
    g_trdThreadProcess->g_doUpdatePagerInfoCallBackProcedure = g_doUpdatePagerInfoCallBackProcedure;
    g_trdThreadProcess->g_doProcessRecordCallBackProcedure = g_doProcessRecordCallBackProcedure;
    g_trdThreadProcess->g_doCheckCompletedCallBackProcedure = [this] {
        OnProcessCompleted();
    };
    g_trdThreadProcess->g_doHandOffClock = g_doHandOffClock;
    g_trdThreadProcess->g_IsDryRun = m_IsPreview;

    // A stop that came before the workers existed: they end at their first check.
    if (g_IsStopRequested.load()) {
        g_trdThreadSearch->g_IsStoped.store(true);
        g_trdThreadProcess->g_IsStoped.store(true);
    }
}

void TTaskRunner::StartWorkers() {
    g_trdThreadSearch->Start();
    // Taken before the processing thread starts: without a dispatcher its completion takes the
    // end time on the worker, which may be done with a small task before this thread goes on.
    g_intBeginTime = GetTickCount32();
    try {
        g_trdThreadProcess->Start();
    } catch (...) {
        g_trdThreadSearch->g_IsStoped.store(true);
        throw;
    }
}

void TTaskRunner::FailStart(const std::u16string& p_strErrorMessage) {
    g_IsStartFailed = true;
    EndTask(TTaskState::Failed, p_strErrorMessage.empty() ? kUnknownError : p_strErrorMessage);
    if (g_doTaskEndedProcedure) {
        g_doTaskEndedProcedure();
    }
}

void TTaskRunner::OnProcessCompleted() {
    if (!g_trdThreadProcess->g_IsCompleted.load() || IsEnded()) {
        return;
    }
    const std::u16string& m_strErrorMessage = g_trdThreadProcess->g_strErrorMessage;
    if (!m_strErrorMessage.empty()) {
        EndTask(TTaskState::Failed, m_strErrorMessage);
    } else {
        EndTask(g_trdThreadProcess->g_IsStoped.load() ? TTaskState::Stopped : TTaskState::Finished,
                std::u16string());
    }
}

void TTaskRunner::OnProcessEnded(const std::u16string& p_strFatalMessage) {
    // Whatever ended the processing, counting on is of no use: an owner that joins both workers
    // before SettleEnd must not wait for the count.
    g_trdThreadSearch->g_IsStoped.store(true);
    g_strFatalMessage = p_strFatalMessage;
    g_IsProcessEnded.store(true);
    if (g_doTaskEndedProcedure) {
        g_doTaskEndedProcedure();
    }
}

bool TTaskRunner::SettleEnd() {
    if (g_State.load() != TTaskState::Running || !g_IsProcessEnded.load()) {
        return false;
    }
    std::u16string m_strErrorMessage = g_strFatalMessage;
    if (m_strErrorMessage.empty()) {
        m_strErrorMessage = g_trdThreadProcess->g_strErrorMessage;
    }
    EndTask(TTaskState::Failed, m_strErrorMessage.empty() ? kEndedEarly : m_strErrorMessage);
    return true;
}

void TTaskRunner::EndTask(TTaskState p_State, const std::u16string& p_strErrorMessage) {
    // The count pass may still be counting when the processing thread is done.
    if (g_trdThreadSearch != nullptr) {
        g_trdThreadSearch->g_IsStoped.store(true);
        g_trdThreadSearch->g_IsCompleted.store(true);
    }
    g_intEndTime = GetTickCount32();
    g_strErrorMessage = p_strErrorMessage;
    g_State.store(p_State);
    if (g_doCheckCompletedCallBackProcedure) {
        g_doCheckCompletedCallBackProcedure();
    }
}

void TTaskRunner::RequestStop() {
    g_IsStopRequested.store(true);
    if (g_trdThreadProcess != nullptr) {
        g_trdThreadProcess->g_IsStoped.store(true);
    }
    if (g_trdThreadSearch != nullptr) {
        g_trdThreadSearch->g_IsStoped.store(true);
    }
}

void TTaskRunner::RequestTerminate() {
    if (g_trdThreadProcess != nullptr) {
        g_trdThreadProcess->Terminate();
    }
    if (g_trdThreadSearch != nullptr) {
        g_trdThreadSearch->Terminate();
    }
}

void TTaskRunner::WaitFor() {
    if (g_trdThreadProcess != nullptr) {
        g_trdThreadProcess->WaitFor();
    }
    if (g_trdThreadSearch != nullptr) {
        g_trdThreadSearch->WaitFor();
    }
}

bool TTaskRunner::IsEnded() const {
    const TTaskState m_State = g_State.load();
    return m_State != TTaskState::Created && m_State != TTaskState::Running;
}

bool TTaskRunner::IsStoped() const {
    return g_trdThreadProcess != nullptr ? g_trdThreadProcess->g_IsStoped.load()
                                         : g_IsStopRequested.load();
}

bool TTaskRunner::IsAlive() const {
    return IsThreadAlive(g_trdThreadSearch.get()) || IsThreadAlive(g_trdThreadProcess.get());
}

TTaskSummaryInput TTaskRunner::SummaryInput(char16_t p_chrDecimalSeparator) const {
    TTaskSummaryInput m_Input;
    m_Input.g_intMode = g_Parameters.g_intMode;
    m_Input.g_IsPreview = g_Parameters.g_Kind == TTaskKind::ReplacePreview;
    m_Input.g_IsStoped = IsStoped();
    m_Input.g_strErrorMessage = g_strErrorMessage;
    if (g_trdThreadProcess != nullptr) {
        m_Input.g_intSearchFileCount = g_trdThreadProcess->g_intSearchFileCount;
        m_Input.g_intMatchingFileCount = g_trdThreadProcess->g_intMatchingFileCount;
        m_Input.g_intReplaceSuccessFileCount = g_trdThreadProcess->g_intReplaceSuccessFileCount;
        m_Input.g_intReplaceFailureFileCount = g_trdThreadProcess->g_intReplaceFailureFileCount;
        m_Input.g_intUnprocessedFileCount = g_trdThreadProcess->g_intUnprocessedFileCount;
    }
    m_Input.g_strElapsedSeconds =
        FormatElapsedSeconds(g_intBeginTime, g_intEndTime, p_chrDecimalSeparator);
    return m_Input;
}

} // namespace morvane
