// The summary message, built from a processing thread as CheckCompleted finds it. The thread
// objects are never started: only their public counters and flags are read.

#include "QtPrinters.h"
#include "core/u_Types.h"
#include "task/u_ThreadProcess.h"
#include "u_CompletionSummary.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace morvane {
namespace {

std::unique_ptr<TThreadProcess> MakeEndedThread(std::int32_t p_intMode, bool p_IsStoped) {
    auto m_trdThread = std::make_unique<TThreadProcess>(p_intMode, u"/logs/x", u"/root/", 0, u"abc",
                                                        u"xyz", u"*.TXT|", true, false);
    m_trdThread->g_intSearchFileCount = 120;
    m_trdThread->g_intMatchingFileCount = 15;
    m_trdThread->g_intReplaceSuccessFileCount = 14;
    m_trdThread->g_intReplaceFailureFileCount = 1;
    m_trdThread->g_IsStoped.store(p_IsStoped);
    m_trdThread->g_IsCompleted.store(true);
    return m_trdThread;
}

struct TSummaryCase {
    const char* g_strName;
    std::int32_t g_intMode;
    bool g_IsStoped;
    QString g_strExpected;
};

class CompletionMessageTest : public ::testing::TestWithParam<TSummaryCase> {};

TEST_P(CompletionMessageTest, LinesJoinedBySingleCarriageReturns) {
    const TSummaryCase& m_Case = GetParam();
    const auto m_trdThread = MakeEndedThread(m_Case.g_intMode, m_Case.g_IsStoped);
    EXPECT_EQ(BuildCompletionMessage(*m_trdThread, m_Case.g_intMode, 1000, 2234, u'.'),
              m_Case.g_strExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompletionMessageTest,
    ::testing::Values(
        TSummaryCase{"ReplaceFinished", kModeReplace, false,
                     QStringLiteral("[替换文件]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r成功替换文件：14个。\r"
                                    "替换失败文件：1个。\r总计耗费时间：1.23秒。")},
        TSummaryCase{"ReplaceStopped", kModeReplace, true,
                     QStringLiteral("[替换文件]操作已被用户停止，任务取消。\r\r"
                                    "总共搜索文件：120个。\r找到匹配文件：15个。\r"
                                    "成功替换文件：14个。\r替换失败文件：1个。\r"
                                    "总计耗费时间：1.23秒。")},
        TSummaryCase{"FindFinished", kModeFind, false,
                     QStringLiteral("[查找文件]操作已完成。\r\r总共搜索文件：120个。\r"
                                    "找到匹配文件：15个。\r总计耗费时间：1.23秒。")},
        TSummaryCase{"FindStopped", kModeFind, true,
                     QStringLiteral("[查找文件]操作已被用户停止，任务取消。\r\r"
                                    "总共搜索文件：120个。\r找到匹配文件：15个。\r"
                                    "总计耗费时间：1.23秒。")},
        TSummaryCase{"OtherModeHasNoMessage", 3, false, QString()}),
    [](const ::testing::TestParamInfo<TSummaryCase>& p_Info) { return p_Info.param.g_strName; });

TEST(CompletionMessage, ErrorEndedTaskNamesTheError) {
    for (const std::int32_t m_intMode : {kModeReplace, kModeFind}) {
        SCOPED_TRACE(m_intMode);
        auto m_trdThread = MakeEndedThread(m_intMode, false);
        m_trdThread->g_strErrorMessage = u"cannot write /logs/x/000001.txt: No space left";
        const QString m_strMessage = BuildCompletionMessage(*m_trdThread, m_intMode, 0, 0, u'.');
        const QStringList m_arrLines = m_strMessage.split(u'\r');
        ASSERT_GE(m_arrLines.size(), 2);
        EXPECT_EQ(m_arrLines.first(), m_intMode == kModeReplace
                                          ? QStringLiteral("[替换文件]操作因错误中止。")
                                          : QStringLiteral("[查找文件]操作因错误中止。"));
        EXPECT_EQ(m_arrLines.at(2), QStringLiteral("总共搜索文件：120个。"));
        EXPECT_EQ(m_arrLines.last(),
                  QStringLiteral("错误信息：cannot write /logs/x/000001.txt: No space left"));
    }
}

struct TElapsedCase {
    std::uint32_t g_intBeginTime;
    std::uint32_t g_intEndTime;
    QChar g_chrSeparator;
    QString g_strExpectedLastLine;
};

class CompletionElapsedTest : public ::testing::TestWithParam<TElapsedCase> {};

TEST_P(CompletionElapsedTest, TwoDecimalsInTheUsersSeparator) {
    const TElapsedCase& m_Case = GetParam();
    const auto m_trdThread = MakeEndedThread(kModeFind, false);
    const QString m_strMessage = BuildCompletionMessage(
        *m_trdThread, kModeFind, m_Case.g_intBeginTime, m_Case.g_intEndTime, m_Case.g_chrSeparator);
    EXPECT_EQ(m_strMessage.split(u'\r').last(), m_Case.g_strExpectedLastLine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompletionElapsedTest,
    ::testing::Values(TElapsedCase{1000, 2234, u'.', QStringLiteral("总计耗费时间：1.23秒。")},
                      TElapsedCase{5, 5, u'.', QStringLiteral("总计耗费时间：0.00秒。")},
                      TElapsedCase{1000, 2234, u',', QStringLiteral("总计耗费时间：1,23秒。")},
                      // The tick counter wrapped during the task.
                      TElapsedCase{0xFFFFFF00u, 0xFFFFFF00u + 1234u, u'.',
                                   QStringLiteral("总计耗费时间：1.23秒。")}));

} // namespace
} // namespace morvane
