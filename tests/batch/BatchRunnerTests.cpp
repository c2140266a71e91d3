// The runner's parts in-process: the exit status, the summary text, the streams and one whole
// run with its record hook.

#include "BatchTestSupport.h"
#include "core/u_Types.h"
#include "u_BatchOptions.h"
#include "u_BatchOutput.h"
#include "u_BatchProgressBar.h"
#include "u_BatchRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace morvane {
namespace {

using test::ReadAllPageLines;
using test::SplitLf;
using test::TBatchTree;
using test::TTempTree;

TEST(BatchRunner, ExitStatusWeighsErrorOverStopOverFailures) {
    struct TCase {
        bool g_IsError;
        bool g_IsStoped;
        std::int32_t g_intFailures;
        int g_intSignal;
        int g_intExitCode;
    };
    const TCase m_arrCases[] = {
        {false, false, 0, 0, 0},        {false, false, 1, 0, 1},
        {false, false, 7, 0, 1},        {false, true, 0, 0, 130},
        {false, true, 3, 0, 130},       {false, true, 0, SIGINT, 130},
        {false, true, 2, SIGTERM, 143}, {false, true, 0, SIGHUP, 129},
        {false, false, 0, SIGTERM, 0},  {true, false, 0, 0, 3},
        {true, true, 2, SIGTERM, 3},
    };
    for (const TCase& m_Case : m_arrCases) {
        EXPECT_EQ(TBatchRunner::ExitCode(m_Case.g_IsError, m_Case.g_IsStoped, m_Case.g_intFailures,
                                         m_Case.g_intSignal),
                  m_Case.g_intExitCode)
            << m_Case.g_IsError << m_Case.g_IsStoped << m_Case.g_intFailures << m_Case.g_intSignal;
    }
}

TEST(BatchRunner, SummaryLinesAreSeparatedByLf) {
    EXPECT_EQ(TBatchOutput::MessageText(u"[查找文件]操作已完成。\r\r总共搜索文件：3个。"),
              "[查找文件]操作已完成。\n\n总共搜索文件：3个。");
    EXPECT_EQ(TBatchProgressBar::ProgressText(12, 340, 5), "12/340 个文件，匹配 5 个");
}

class BatchOutput : public ::testing::Test {
protected:
    int Open(const char* p_strName) {
        return open(g_Tree.Path(p_strName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    TTempTree g_Tree;
};

TEST_F(BatchOutput, RecordLinesAreUtf8WithLfAndReachTheFileByTheEnd) {
    const int m_intOut = Open("out");
    const int m_intErr = Open("err");
    {
        TBatchOutput m_Output(m_intOut, m_intErr);
        EXPECT_FALSE(m_Output.IsProgressShown());
        m_Output.WriteRecordLine(u"1|成功|ANSI|/a/b.txt");
        m_Output.ShowProgress("not on a file");
        m_Output.WriteRecordLine(u"2|成功|UTF16LE|/a/c.txt");
        m_Output.WriteMessage("a message");
    } // the end flushes what is buffered
    close(m_intOut);
    close(m_intErr);
    EXPECT_EQ(g_Tree.ReadFile("out"), "1|成功|ANSI|/a/b.txt\n2|成功|UTF16LE|/a/c.txt\n");
    EXPECT_EQ(g_Tree.ReadFile("err"), "a message\n");
}

TEST_F(BatchOutput, AFailedStdoutIsNoticedAndDoesNotStopTheRest) {
    const int m_intReadOnly = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int m_intErr = Open("err");
    {
        TBatchOutput m_Output(m_intReadOnly, m_intErr);
        m_Output.WriteRecordLine(u"1|成功|ANSI|/a/b.txt");
        m_Output.Flush();
        EXPECT_TRUE(m_Output.IsStdoutBroken());
        m_Output.WriteRecordLine(u"2|成功|ANSI|/a/c.txt");
        m_Output.WriteMessage("still here");
    }
    close(m_intReadOnly);
    close(m_intErr);
    EXPECT_EQ(g_Tree.ReadFile("err"), "still here\n");
}

// Into a file or a pipe, records wait in the buffer, but never longer than the flush interval:
// a write after it, or the main thread's wake-up, writes them out.
TEST_F(BatchOutput, BufferedRecordsGoOutOnceTheIntervalHasPassed) {
    enum TStep { Write, Wake, End };
    struct TCase {
        int g_intAtMs;
        TStep g_Step;
        std::string g_strOut; // the file's content afterwards
        int g_intDelayMs;     // FlushDelayMs afterwards; the whole interval when nothing waits
    };
    const TCase m_arrSteps[] = {
        {10, Write, "", 90},
        {60, Wake, "", 40},
        {99, Wake, "", 1},
        {100, Wake, "1\n", 100},
        {150, Write, "1\n", 50},
        {199, Write, "1\n", 1},
        {200, Write, "1\n2\n3\n4\n", 100},
        {420, Write, "1\n2\n3\n4\n5\n", 100},
        {430, Write, "1\n2\n3\n4\n5\n", 90},
        {431, End, "1\n2\n3\n4\n5\n6\n", 100},
    };
    const int m_intOut = Open("out");
    const int m_intErr = Open("err");
    std::chrono::steady_clock::time_point m_Now{};
    auto m_Output = std::make_unique<TBatchOutput>(m_intOut, m_intErr, [&m_Now] { return m_Now; });
    int m_intRecord = 0;
    for (const TCase& m_Case : m_arrSteps) {
        m_Now =
            std::chrono::steady_clock::time_point{} + std::chrono::milliseconds(m_Case.g_intAtMs);
        if (m_Case.g_Step == Write) {
            m_Output->WriteRecord(std::to_string(++m_intRecord) + "\n");
        } else if (m_Case.g_Step == Wake) {
            m_Output->FlushIfDue();
        } else {
            m_Output.reset();
        }
        EXPECT_EQ(g_Tree.ReadFile("out"), m_Case.g_strOut) << m_Case.g_intAtMs;
        if (m_Output != nullptr) {
            EXPECT_EQ(m_Output->FlushDelayMs(), m_Case.g_intDelayMs) << m_Case.g_intAtMs;
        }
    }
    close(m_intOut);
    close(m_intErr);
}

TEST(BatchRunnerRun, RunsTheTaskAndCallsTheHookForEveryRecord) {
    TBatchTree m_Files;
    m_Files.Write("a.txt", "Needle");
    m_Files.Write("b/c.txt", "needle");
    m_Files.Write("b/d.txt", "thread");
    const TBatchParseResult m_Parsed =
        ParseBatchOptions(m_Files.Arguments({"--find", "NEEDLE", "--ext", "*.txt"}));
    ASSERT_EQ(m_Parsed.g_strErrorMessage, "");
    const int m_intOut =
        open(m_Files.g_Tree.Path("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int m_intErr =
        open(m_Files.g_Tree.Path("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<std::int32_t> m_arrHookCalls;
    int m_intExitCode = -1;
    std::u16string m_strFolder;
    {
        TBatchOutput m_Output(m_intOut, m_intErr);
        TBatchRunner m_Runner(m_Parsed.g_Options, m_Output);
        m_Runner.g_doAfterRecordProcedure = [&](std::int32_t p_intRecord) {
            m_arrHookCalls.push_back(p_intRecord);
        };
        m_intExitCode = m_Runner.Run(nullptr);
        m_strFolder = m_Runner.TaskLogsDirectory();
    }
    close(m_intOut);
    close(m_intErr);

    EXPECT_EQ(m_intExitCode, 0);
    EXPECT_EQ(m_arrHookCalls, (std::vector<std::int32_t>{1, 2}));
    const std::vector<std::string> m_arrLines = SplitLf(m_Files.g_Tree.ReadFile("out"));
    EXPECT_EQ(m_arrLines.size(), 2u);
    EXPECT_EQ(m_arrLines, ReadAllPageLines(Utf16ToUtf8(m_strFolder)));
    const std::vector<std::string> m_arrErr = SplitLf(m_Files.g_Tree.ReadFile("err"));
    ASSERT_EQ(m_arrErr.size(), 6u);
    EXPECT_EQ(m_arrErr[0], "[查找文件]操作已完成。");
    EXPECT_EQ(m_arrErr[2], "总共搜索文件：3个。");
    EXPECT_EQ(m_arrErr[3], "找到匹配文件：2个。");
    EXPECT_EQ(m_arrErr[5], Utf16ToUtf8(m_strFolder));
}

} // namespace
} // namespace morvane
