#include "u_BatchRunner.h"

#include "logs/u_TaskSummary.h"
#include "task/u_TaskRunner.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_TextConvert.h"
#include "u_BatchRecordFormat.h"
#include "u_BatchStopSignal.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace morvane {

namespace {

// The result window's answer to a close while the task is stopping; here, to the stop signal.
constexpr const char* kStoppingMessage = "任务正在停止，请稍候...";

// The pipe through which the processing thread tells the main thread that it has ended.
struct TEndedPipe {
    TEndedPipe() {
        int m_arrFds[2];
        if (pipe(m_arrFds) == -1) {
            throw std::system_error(errno, std::generic_category(), "pipe");
        }
        g_intReadFd = m_arrFds[0];
        g_intWriteFd = m_arrFds[1];
        fcntl(g_intReadFd, F_SETFD, FD_CLOEXEC);
        fcntl(g_intWriteFd, F_SETFD, FD_CLOEXEC);
    }
    ~TEndedPipe() {
        close(g_intReadFd);
        close(g_intWriteFd);
    }
    TEndedPipe(const TEndedPipe&) = delete;
    TEndedPipe& operator=(const TEndedPipe&) = delete;

    int g_intReadFd = -1;
    int g_intWriteFd = -1;
};

} // namespace

TBatchRunner::TBatchRunner(TBatchOptions p_Options, TBatchOutput& p_Output)
    : g_Options(std::move(p_Options)), g_Output(p_Output), g_pgrProgress(p_Output) {}

TBatchRunner::~TBatchRunner() = default;

int TBatchRunner::ExitCode(bool p_IsError, bool p_IsStoped, std::int32_t p_intFailureCount,
                           int p_intStopSignal) {
    if (p_IsError) {
        return kBatchExitError;
    }
    if (p_IsStoped) {
        return p_intStopSignal > 0 ? kBatchExitSignalBase + p_intStopSignal : kBatchExitStopped;
    }
    return p_intFailureCount > 0 ? kBatchExitFailures : kBatchExitDone;
}

const std::u16string& TBatchRunner::TaskLogsDirectory() const {
    static const std::u16string kNone;
    return g_TaskRunner != nullptr ? g_TaskRunner->TaskLogsDirectory() : kNone;
}

void TBatchRunner::RequestStop() {
    {
        std::lock_guard m_Lock(g_StopLock);
        g_IsStopRequested = true;
    }
    if (g_TaskRunner != nullptr) {
        g_TaskRunner->RequestStop();
    }
    g_StopRequested.notify_all();
}

void TBatchRunner::WaitForStopRequest() {
    std::unique_lock m_Lock(g_StopLock);
    g_StopRequested.wait(m_Lock, [this] { return g_IsStopRequested; });
}

void TBatchRunner::OnRecord(const TProcessRecord& p_Record) {
    const std::int32_t m_intRecordNumber = g_intRecordCount.fetch_add(1) + 1;
    if (!g_Options.g_IsQuiet) {
        g_Output.WriteRecord(TBatchRecordFormat::Format(g_Options.g_RecordFormat,
                                                        g_Options.g_Task.g_intMode, p_Record));
    }
    if (g_doAfterRecordProcedure) {
        g_doAfterRecordProcedure(m_intRecordNumber);
    }
}

bool TBatchRunner::SelectAnsiCodePage() {
    try {
        if (g_Options.g_intAnsiCodePage != 0) {
            SetAnsiCodePage(g_Options.g_intAnsiCodePage);
        }
        return true;
    } catch (const std::exception& m_Error) {
        g_Output.WriteMessage(m_Error.what());
        return false;
    }
}

void TBatchRunner::WireTask(int p_intEndedFd) {
    TTaskRunner& m_Task = *g_TaskRunner;
    m_Task.g_pgrProgress = &g_pgrProgress;
    m_Task.g_lvwFileList = &g_lvwFileList;
    m_Task.g_doUpdatePagerInfoCallBackProcedure = [this](std::int32_t p_intRecordCount,
                                                         std::int32_t, std::int32_t) {
        g_pgrProgress.SetRecordCount(p_intRecordCount);
    };
    m_Task.g_doProcessRecordCallBackProcedure = [this](const TProcessRecord& p_Record) {
        OnRecord(p_Record);
    };
    // What the result window does on completion, less the message box: the summary is printed
    // by the main thread once the workers are joined, after the last record line.
    m_Task.g_doCheckCompletedCallBackProcedure = [this] {
        if (!g_TaskRunner->IsStoped()) {
            g_pgrProgress.SetPosition(g_pgrProgress.Max());
        }
    };
    // Without a window there is no event loop to hear of the end otherwise.
    m_Task.g_doTaskEndedProcedure = [p_intEndedFd] {
        const char m_chrByte = 'E';
        while (write(p_intEndedFd, &m_chrByte, 1) == -1 && errno == EINTR) {
        }
    };
}

int TBatchRunner::Run(TBatchStopSignal* p_StopSignal) {
    if (!SelectAnsiCodePage()) {
        return kBatchExitError;
    }
    TEndedPipe m_EndedPipe;
    g_TaskRunner = std::make_unique<TTaskRunner>(g_Options.g_Task);
    WireTask(m_EndedPipe.g_intWriteFd);
    TBatchStopSignal::WithSignalBlocked([this] { g_TaskRunner->Start(); });
    if (g_TaskRunner->IsStartFailed()) {
        g_Output.WriteMessage(Utf16ToUtf8(g_TaskRunner->ErrorMessage()));
        return kBatchExitError;
    }
    WaitForTaskEnd(m_EndedPipe.g_intReadFd, p_StopSignal);
    g_TaskRunner->WaitFor();
    g_TaskRunner->SettleEnd();
    return Report(p_StopSignal != nullptr ? TBatchStopSignal::FirstSignal() : 0);
}

// The part of the user-interface thread: wait for the processing thread's end, turning a stop
// signal into a stop request meanwhile.
void TBatchRunner::WaitForTaskEnd(int p_intEndedFd, TBatchStopSignal* p_StopSignal) {
    const int m_intStopFd = p_StopSignal != nullptr ? p_StopSignal->ReadFd() : -1;
    pollfd m_arrWait[2] = {{p_intEndedFd, POLLIN, 0}, {m_intStopFd, POLLIN, 0}};
    for (;;) {
        // Woken in time to write out buffered records, however long a file takes.
        const int m_intReady = poll(m_arrWait, m_intStopFd >= 0 ? 2 : 1, g_Output.FlushDelayMs());
        g_Output.FlushIfDue();
        if (m_intReady < 0) {
            if (errno == EINTR) {
                continue;
            }
            break; // no more stop requests can be heard; the join still waits for the end
        }
        if (m_intStopFd >= 0 && (m_arrWait[1].revents & POLLIN) != 0 && p_StopSignal->Drain() > 0) {
            RequestStop();
            g_Output.WriteMessage(kStoppingMessage);
        }
        if ((m_arrWait[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            break;
        }
    }
}

// The summary as the result window's message shows it, after the last record line.
int TBatchRunner::Report(int p_intStopSignal) {
    const TTaskSummaryInput m_Summary = g_TaskRunner->SummaryInput(u'.');
    g_Output.ClearProgress();
    g_Output.Flush();
    if (g_Output.IsStdoutBroken()) {
        g_Output.WriteMessage("morvane-batch: writing to stdout failed; the records are complete "
                              "in the log page files");
    }
    g_Output.WriteMessage(TBatchOutput::MessageText(BuildTaskSummary(m_Summary)));
    g_Output.WriteMessage(Utf16ToUtf8(g_TaskRunner->TaskLogsDirectory()));
    return ExitCode(!m_Summary.g_strErrorMessage.empty(), m_Summary.g_IsStoped,
                    m_Summary.g_intReplaceFailureFileCount + m_Summary.g_intUnprocessedFileCount,
                    p_intStopSignal);
}

} // namespace morvane
