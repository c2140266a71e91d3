// The summary message of a task as its runner reports it, with the elapsed time formatted.

#include "CaseName.h"
#include "core/u_Types.h"
#include "logs/u_TaskSummary.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane {
namespace {

TTaskSummaryInput EndedTask(std::int32_t p_intMode, bool p_IsStoped, std::uint32_t p_intBeginTime,
                            std::uint32_t p_intEndTime, char16_t p_chrSeparator = u'.') {
    TTaskSummaryInput m_Input;
    m_Input.g_intMode = p_intMode;
    m_Input.g_IsStoped = p_IsStoped;
    m_Input.g_intSearchFileCount = 120;
    m_Input.g_intMatchingFileCount = 15;
    m_Input.g_intReplaceSuccessFileCount = 14;
    m_Input.g_intReplaceFailureFileCount = 1;
    m_Input.g_strElapsedSeconds =
        FormatElapsedSeconds(p_intBeginTime, p_intEndTime, p_chrSeparator);
    return m_Input;
}

std::vector<std::string> Lines(const std::u16string& p_strText) {
    std::vector<std::string> m_arrLines(1);
    for (const char m_chrCurrent : Utf16ToUtf8(p_strText)) {
        if (m_chrCurrent == '\r') {
            m_arrLines.emplace_back();
        } else {
            m_arrLines.back() += m_chrCurrent;
        }
    }
    return m_arrLines;
}

struct TSummaryCase {
    const char* g_strName;
    std::int32_t g_intMode;
    bool g_IsStoped;
    std::u16string g_strExpected;
    bool g_IsPreview = false;
};

class TaskSummaryTest : public ::testing::TestWithParam<TSummaryCase> {};

TEST_P(TaskSummaryTest, LinesJoinedBySingleCarriageReturns) {
    const TSummaryCase& m_Case = GetParam();
    TTaskSummaryInput m_Input = EndedTask(m_Case.g_intMode, m_Case.g_IsStoped, 1000, 2234);
    m_Input.g_IsPreview = m_Case.g_IsPreview;
    EXPECT_EQ(BuildTaskSummary(m_Input), m_Case.g_strExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TaskSummaryTest,
    ::testing::Values(TSummaryCase{"ReplaceFinished", kModeReplace, false,
                                   (u"[替换文件]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r成功替换文件：14个。\r"
                                    "替换失败文件：1个。\r总计耗费时间：1.23秒。")},
                      TSummaryCase{"ReplaceStopped", kModeReplace, true,
                                   (u"[替换文件]操作已被用户停止，任务取消。\r\r"
                                    "总共搜索文件：120个。\r找到匹配文件：15个。\r"
                                    "成功替换文件：14个。\r替换失败文件：1个。\r"
                                    "总计耗费时间：1.23秒。")},
                      TSummaryCase{"FindFinished", kModeFind, false,
                                   (u"[查找文件]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r总计耗费时间：1.23秒。")},
                      TSummaryCase{"FindStopped", kModeFind, true,
                                   (u"[查找文件]操作已被用户停止，任务取消。\r\r"
                                    "总共搜索文件：120个。\r找到匹配文件：15个。\r"
                                    "总计耗费时间：1.23秒。")},
                      TSummaryCase{"PreviewFinished", kModeReplace, false,
                                   (u"[替换预览]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r可以替换文件：14个。\r"
                                    "替换失败文件：1个。\r总计耗费时间：1.23秒。"),
                                   true},
                      TSummaryCase{"PreviewStopped", kModeReplace, true,
                                   (u"[替换预览]操作已被用户停止，任务取消。\r\r"
                                    "总共搜索文件：120个。\r找到匹配文件：15个。\r"
                                    "可以替换文件：14个。\r替换失败文件：1个。\r"
                                    "总计耗费时间：1.23秒。"),
                                   true},
                      TSummaryCase{"FindIsNeverAPreview", kModeFind, false,
                                   (u"[查找文件]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r总计耗费时间：1.23秒。"),
                                   true},
                      TSummaryCase{"OtherModeHasNoMessage", 3, false, std::u16string()}),
    test::TCaseNameFromName());

TEST(TaskSummary, ErrorEndedTaskNamesTheError) {
    for (const std::int32_t m_intMode : {kModeReplace, kModeFind}) {
        SCOPED_TRACE(m_intMode);
        TTaskSummaryInput m_Input = EndedTask(m_intMode, false, 0, 0);
        m_Input.g_strErrorMessage = u"cannot write /logs/x/000001.txt: No space left";
        const std::vector<std::string> m_arrLines = Lines(BuildTaskSummary(m_Input));
        ASSERT_GE(m_arrLines.size(), 3u);
        EXPECT_EQ(m_arrLines.front(), m_intMode == kModeReplace ? "[替换文件]操作因错误中止。"
                                                                : "[查找文件]操作因错误中止。");
        EXPECT_EQ(m_arrLines.at(2), "总共搜索文件：120个。");
        EXPECT_EQ(m_arrLines.back(), "错误信息：cannot write /logs/x/000001.txt: No space left");
    }
}

struct TElapsedCase {
    std::uint32_t g_intBeginTime;
    std::uint32_t g_intEndTime;
    char16_t g_chrSeparator;
    const char* g_strExpectedLastLine;
};

class TaskSummaryElapsedTest : public ::testing::TestWithParam<TElapsedCase> {};

TEST_P(TaskSummaryElapsedTest, TwoDecimalsInTheUsersSeparator) {
    const TElapsedCase& m_Case = GetParam();
    const std::u16string m_strMessage = BuildTaskSummary(EndedTask(
        kModeFind, false, m_Case.g_intBeginTime, m_Case.g_intEndTime, m_Case.g_chrSeparator));
    EXPECT_EQ(Lines(m_strMessage).back(), m_Case.g_strExpectedLastLine);
}

INSTANTIATE_TEST_SUITE_P(Cases, TaskSummaryElapsedTest,
                         ::testing::Values(TElapsedCase{1000, 2234, u'.', "总计耗费时间：1.23秒。"},
                                           TElapsedCase{5, 5, u'.', "总计耗费时间：0.00秒。"},
                                           TElapsedCase{1000, 2234, u',', "总计耗费时间：1,23秒。"},
                                           // The tick counter wrapped during the task.
                                           TElapsedCase{0xFFFFFF00u, 0xFFFFFF00u + 1234u, u'.',
                                                        "总计耗费时间：1.23秒。"}),
                         [](const ::testing::TestParamInfo<TElapsedCase>& p_Info) {
                             const TElapsedCase& m_Case = p_Info.param;
                             return test::CaseName(
                                 "From" + std::to_string(m_Case.g_intBeginTime) + "To" +
                                 std::to_string(m_Case.g_intEndTime) +
                                 (m_Case.g_chrSeparator == u'.' ? "Dot" : "Comma"));
                         });

} // namespace
} // namespace morvane

namespace morvane {
namespace {

// Files that could not be processed get a line of their own before the time, in both modes, and
// only when there are any.
TEST(TaskSummary, NamesTheFilesThatCouldNotBeProcessed) {
    for (const std::int32_t m_intMode : {kModeReplace, kModeFind}) {
        for (const std::int32_t m_intCount : {0, 3}) {
            SCOPED_TRACE(std::to_string(m_intMode) + " " + std::to_string(m_intCount));
            TTaskSummaryInput m_Input = EndedTask(m_intMode, false, 1000, 2234);
            m_Input.g_intUnprocessedFileCount = m_intCount;
            std::vector<std::string> m_arrLines = Lines(BuildTaskSummary(m_Input));
            EXPECT_EQ(m_arrLines.back(), "总计耗费时间：1.23秒。");
            m_arrLines.pop_back();
            if (m_intCount == 0) {
                EXPECT_NE(m_arrLines.back().rfind("无法处理文件", 0), 0u);
            } else {
                EXPECT_EQ(m_arrLines.back(), "无法处理文件：3个。");
            }
        }
    }
}

} // namespace
} // namespace morvane
