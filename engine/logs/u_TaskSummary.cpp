#include "logs/u_TaskSummary.h"

#include "text/u_TextConvert.h"

#include <chrono>
#include <cstdio>

namespace morvane {

std::u16string BuildTaskSummary(const TTaskSummaryInput& p_Input) {
    const bool m_IsReplace = p_Input.g_intMode == 1;
    if (!m_IsReplace && p_Input.g_intMode != 2) {
        return {};
    }
    const bool m_IsPreview = m_IsReplace && p_Input.g_IsPreview;
    const std::u16string m_strKind =
        m_IsPreview ? u"[替换预览]" : (m_IsReplace ? u"[替换文件]" : u"[查找文件]");
    std::u16string m_strText = m_strKind;
    if (!p_Input.g_strErrorMessage.empty()) {
        m_strText += u"操作因错误中止。";
    } else if (p_Input.g_IsStoped) {
        m_strText += u"操作已被用户停止，任务取消。";
    } else {
        m_strText += u"操作已完成。";
    }
    m_strText += u"\r\r总共搜索文件：" + IntToText(p_Input.g_intSearchFileCount) + u"个。";
    m_strText += u"\r找到匹配文件：" + IntToText(p_Input.g_intMatchingFileCount) + u"个。";
    if (m_IsReplace) {
        // A preview replaced nothing: its successes are the files a replace could rewrite.
        m_strText += (m_IsPreview ? u"\r可以替换文件：" : u"\r成功替换文件：") +
                     IntToText(p_Input.g_intReplaceSuccessFileCount) + u"个。";
        m_strText +=
            u"\r替换失败文件：" + IntToText(p_Input.g_intReplaceFailureFileCount) + u"个。";
    }
    if (p_Input.g_intUnprocessedFileCount > 0) {
        m_strText += u"\r无法处理文件：" + IntToText(p_Input.g_intUnprocessedFileCount) + u"个。";
    }
    m_strText += u"\r总计耗费时间：" + p_Input.g_strElapsedSeconds + u"秒。";
    if (!p_Input.g_strErrorMessage.empty()) {
        m_strText += u"\r错误信息：" + p_Input.g_strErrorMessage;
    }
    return m_strText;
}

std::u16string FormatElapsedSeconds(std::uint32_t p_intBeginTime, std::uint32_t p_intEndTime,
                                    char16_t p_chrDecimalSeparator) {
    // The tick counter may wrap during a task: the difference modulo 2^32 is still right.
    const auto m_intElapsed = static_cast<std::int32_t>(p_intEndTime - p_intBeginTime);
    char m_arrBuffer[32];
    std::snprintf(m_arrBuffer, sizeof m_arrBuffer, "%.2f", m_intElapsed / 1000.0);
    std::u16string m_strText;
    for (const char* m_pChar = m_arrBuffer; *m_pChar != '\0'; ++m_pChar) {
        m_strText += *m_pChar == '.' ? p_chrDecimalSeparator : static_cast<char16_t>(*m_pChar);
    }
    return m_strText;
}

std::uint32_t GetTickCount32() {
    const auto m_Now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(m_Now).count());
}

} // namespace morvane
