#include "u_CompletionSummary.h"

#include "logs/u_TaskSummary.h"
#include "task/u_ThreadProcess.h"
#include "u_QtText.h"

namespace morvane {

QString BuildCompletionMessage(const TThreadProcess& p_trdThreadProcess, std::int32_t p_intMode,
                               std::uint32_t p_intBeginTime, std::uint32_t p_intEndTime,
                               QChar p_chrDecimalSeparator) {
    TTaskSummaryInput m_Input;
    m_Input.g_intMode = p_intMode;
    m_Input.g_IsStoped = p_trdThreadProcess.g_IsStoped.load();
    m_Input.g_strErrorMessage = p_trdThreadProcess.g_strErrorMessage;
    m_Input.g_intSearchFileCount = p_trdThreadProcess.g_intSearchFileCount;
    m_Input.g_intMatchingFileCount = p_trdThreadProcess.g_intMatchingFileCount;
    m_Input.g_intReplaceSuccessFileCount = p_trdThreadProcess.g_intReplaceSuccessFileCount;
    m_Input.g_intReplaceFailureFileCount = p_trdThreadProcess.g_intReplaceFailureFileCount;
    m_Input.g_strElapsedSeconds =
        FormatElapsedSeconds(p_intBeginTime, p_intEndTime, p_chrDecimalSeparator.unicode());
    return ToQString(BuildTaskSummary(m_Input));
}

} // namespace morvane
