#include "u_BatchProgram.h"

#include "u_BatchOptions.h"
#include "u_BatchOutput.h"
#include "u_BatchRunner.h"
#include "u_BatchStopSignal.h"

#include <csignal>
#include <exception>

namespace morvane {

int RunBatchProgram(const std::vector<std::string>& p_arrArguments, int p_intStdoutFd,
                    int p_intStderrFd,
                    const std::function<void(TBatchRunner& p_Runner,
                                             std::int32_t p_intRecordNumber)>& p_doAfterRecord) {
    // A reader that goes away (| head) must not kill the process in the middle of a rewrite; a
    // failed write is noticed and reported instead.
    std::signal(SIGPIPE, SIG_IGN);

    TBatchOutput m_Output(p_intStdoutFd, p_intStderrFd);
    const TBatchParseResult m_Parsed = ParseBatchOptions(p_arrArguments);
    if (m_Parsed.g_Options.g_IsHelp && m_Parsed.g_strErrorMessage.empty()) {
        m_Output.WriteText(BatchUsageText());
        return kBatchExitDone;
    }
    if (m_Parsed.g_Options.g_IsVersion && m_Parsed.g_strErrorMessage.empty()) {
        m_Output.WriteText(std::string("morvane-batch ") + MORVANE_PROJECT_VERSION + "\n");
        return kBatchExitDone;
    }
    if (!m_Parsed.g_strErrorMessage.empty()) {
        if (m_Parsed.g_IsUsageError) {
            m_Output.WriteMessage("morvane-batch: " + m_Parsed.g_strErrorMessage +
                                  "\nTry 'morvane-batch --help' for more information.");
        } else {
            m_Output.WriteMessage(m_Parsed.g_strErrorMessage);
        }
        return kBatchExitUsage;
    }

    try {
        TBatchStopSignal m_StopSignal;
        TBatchRunner m_Runner(m_Parsed.g_Options, m_Output);
        if (p_doAfterRecord) {
            m_Runner.g_doAfterRecordProcedure = [&m_Runner,
                                                 &p_doAfterRecord](std::int32_t p_intRecord) {
                p_doAfterRecord(m_Runner, p_intRecord);
            };
        }
        return m_Runner.Run(&m_StopSignal);
    } catch (const std::exception& m_Error) {
        m_Output.WriteMessage(std::string("morvane-batch: ") + m_Error.what());
        return kBatchExitError;
    }
}

} // namespace morvane
