#include "u_BatchRunner.h"

#include "logs/u_TaskSummary.h"
#include "task/u_ThreadSearch.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_TextConvert.h"
#include "u_BatchLogsFolder.h"
#include "u_BatchStopSignal.h"
#include "u_BatchThreadProcess.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace morvane {

namespace {

// The result window's answer to a close while the task is stopping; here, to every Ctrl-C.
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

int TBatchRunner::ExitCode(bool p_IsError, bool p_IsStoped, std::int32_t p_intFailureCount) {
    if (p_IsError) {
        return kBatchExitError;
    }
    if (p_IsStoped) {
        return kBatchExitStopped;
    }
    return p_intFailureCount > 0 ? kBatchExitFailures : kBatchExitDone;
}

std::string TBatchRunner::SummaryText(const std::u16string& p_strSummary) {
    std::string m_strText = Utf16ToUtf8(p_strSummary);
    for (char& m_chrCurrent : m_strText) {
        if (m_chrCurrent == '\r') {
            m_chrCurrent = '\n';
        }
    }
    return m_strText;
}

void TBatchRunner::RequestStop() {
    {
        std::lock_guard m_Lock(g_StopLock);
        g_IsStopRequested = true;
    }
    if (g_doStopWorkers) {
        g_doStopWorkers();
    }
    g_StopRequested.notify_all();
}

void TBatchRunner::WaitForStopRequest() {
    std::unique_lock m_Lock(g_StopLock);
    g_StopRequested.wait(m_Lock, [this] { return g_IsStopRequested; });
}

void TBatchRunner::OnRecord(const std::u16string& p_strLogLine) {
    const std::int32_t m_intRecordNumber = g_intRecordCount.fetch_add(1) + 1;
    if (!g_Options.g_IsQuiet) {
        g_Output.WriteRecordLine(p_strLogLine);
    }
    if (g_doAfterRecordProcedure) {
        g_Output.Flush();
        g_doAfterRecordProcedure(m_intRecordNumber);
    }
}

int TBatchRunner::Run(TBatchStopSignal* p_StopSignal) {
    try {
        if (g_Options.g_intAnsiCodePage != 0) {
            SetAnsiCodePage(g_Options.g_intAnsiCodePage);
        }
        g_strTaskLogsDirectory = CreateTaskLogsFolder(g_Options.g_strLogsDirectory.empty()
                                                          ? DefaultLogsDirectory()
                                                          : g_Options.g_strLogsDirectory);
    } catch (const std::exception& m_Error) {
        g_Output.WriteMessage(m_Error.what());
        return kBatchExitError;
    }

    TEndedPipe m_EndedPipe;
    auto m_trdThreadSearch =
        std::make_unique<TThreadSearch>(g_Options.g_strDirectory, g_Options.g_IsContainSubFloder);
    auto m_trdThreadProcess = std::make_unique<TBatchThreadProcess>(
        m_EndedPipe.g_intWriteFd, g_Options.g_intMode, g_strTaskLogsDirectory,
        g_Options.g_strDirectory, g_Options.g_intEncoding, g_Options.g_strOldText,
        g_Options.g_strNewText, g_Options.g_strExtension, g_Options.g_IsContainSubFloder,
        g_Options.g_IsMatchCase);
    TThreadSearch* m_trdSearch = m_trdThreadSearch.get();
    TBatchThreadProcess* m_trdProcess = m_trdThreadProcess.get();

    m_trdSearch->g_pgrProgress = &g_pgrProgress;
    m_trdProcess->g_pgrProgress = &g_pgrProgress;
    m_trdProcess->g_lvwFileList = &g_lvwFileList;
    m_trdProcess->g_doUpdatePagerInfoCallBackProcedure = [this](std::int32_t p_intRecordCount,
                                                                std::int32_t, std::int32_t) {
        g_pgrProgress.SetRecordCount(p_intRecordCount);
    };
    // What the result window does on completion, less the message box: the summary is printed
    // by the main thread once the workers are joined, after the last record line.
    m_trdProcess->g_doCheckCompletedCallBackProcedure = [this, m_trdSearch, m_trdProcess] {
        if (!m_trdProcess->g_IsCompleted.load()) {
            return;
        }
        m_trdSearch->g_IsStoped.store(true);
        m_trdSearch->g_IsCompleted.store(true);
        if (!m_trdProcess->g_IsStoped.load()) {
            g_pgrProgress.SetPosition(g_pgrProgress.Max());
        }
        g_intEndTime.store(GetTickCount32());
        g_IsEndTimeTaken.store(true);
    };
    m_trdProcess->g_doProcessRecordCallBackProcedure = [this](const std::u16string& p_strLogLine) {
        OnRecord(p_strLogLine);
    };
    g_doStopWorkers = [m_trdSearch, m_trdProcess] {
        m_trdProcess->g_IsStoped.store(true);
        m_trdSearch->g_IsStoped.store(true);
    };

    // Taken before the start: the completion callback takes the end time on the processing
    // thread, which may finish a small task before this thread would otherwise get here.
    const std::uint32_t m_intBeginTime = GetTickCount32();
    std::string m_strStartError;
    TBatchStopSignal::WithSignalBlocked([&] {
        try {
            m_trdSearch->Start();
            m_trdProcess->Start();
        } catch (const std::exception& m_Error) {
            m_strStartError = m_Error.what();
        }
    });
    if (!m_strStartError.empty()) {
        g_doStopWorkers();
        m_trdSearch->WaitFor();
        m_trdProcess->WaitFor();
        g_doStopWorkers = nullptr;
        g_Output.WriteMessage(m_strStartError);
        return kBatchExitError;
    }

    WaitForTaskEnd(m_EndedPipe.g_intReadFd, p_StopSignal);
    m_trdProcess->WaitFor();
    m_trdSearch->g_IsStoped.store(true);
    m_trdSearch->WaitFor();
    g_doStopWorkers = nullptr;

    return Report(*m_trdProcess, m_intBeginTime);
}

// The part of the user-interface thread: wait for the processing thread's end, turning each
// Ctrl-C into a stop request meanwhile.
void TBatchRunner::WaitForTaskEnd(int p_intEndedFd, TBatchStopSignal* p_StopSignal) {
    const int m_intStopFd = p_StopSignal != nullptr ? p_StopSignal->ReadFd() : -1;
    pollfd m_arrWait[2] = {{p_intEndedFd, POLLIN, 0}, {m_intStopFd, POLLIN, 0}};
    for (;;) {
        const int m_intReady = poll(m_arrWait, m_intStopFd >= 0 ? 2 : 1, -1);
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
int TBatchRunner::Report(const TBatchThreadProcess& p_trdProcess, std::uint32_t p_intBeginTime) {
    std::u16string m_strErrorMessage = p_trdProcess.g_strErrorMessage;
    if (m_strErrorMessage.empty() && !p_trdProcess.FatalMessage().empty()) {
        m_strErrorMessage = Utf8ToUtf16Lenient(p_trdProcess.FatalMessage());
    }
    if (m_strErrorMessage.empty() && !p_trdProcess.g_IsCompleted.load()) {
        m_strErrorMessage = u"The processing thread ended before the task was complete";
    }
    const std::uint32_t m_intEndTime =
        g_IsEndTimeTaken.load() ? g_intEndTime.load() : GetTickCount32();

    TTaskSummaryInput m_Summary;
    m_Summary.g_intMode = g_Options.g_intMode;
    m_Summary.g_IsStoped = p_trdProcess.g_IsStoped.load();
    m_Summary.g_strErrorMessage = m_strErrorMessage;
    m_Summary.g_intSearchFileCount = p_trdProcess.g_intSearchFileCount;
    m_Summary.g_intMatchingFileCount = p_trdProcess.g_intMatchingFileCount;
    m_Summary.g_intReplaceSuccessFileCount = p_trdProcess.g_intReplaceSuccessFileCount;
    m_Summary.g_intReplaceFailureFileCount = p_trdProcess.g_intReplaceFailureFileCount;
    m_Summary.g_strElapsedSeconds = FormatElapsedSeconds(p_intBeginTime, m_intEndTime, u'.');

    g_Output.ClearProgress();
    g_Output.Flush();
    if (g_Output.IsStdoutBroken()) {
        g_Output.WriteMessage("morvane-batch: writing to stdout failed; the records are complete "
                              "in the log page files");
    }
    g_Output.WriteMessage(SummaryText(BuildTaskSummary(m_Summary)));
    g_Output.WriteMessage(Utf16ToUtf8(g_strTaskLogsDirectory));
    return ExitCode(!m_strErrorMessage.empty(), m_Summary.g_IsStoped,
                    m_Summary.g_intReplaceFailureFileCount);
}

} // namespace morvane
