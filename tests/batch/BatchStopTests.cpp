// Ctrl-C and errors in the middle of a task. The fake program holds (or breaks) the task right
// after its first record line has reached stdout, so the signal lands at a known point: the
// test reads the pipe until that line is there, then signals.

#include "BatchTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace morvane {
namespace {

using test::kBatchFakeProgram;
using test::ReadAllPageLines;
using test::SplitLf;
using test::TaskFolderOf;
using test::TBatchTree;
using test::TChildProcess;
using test::TChildResult;

constexpr int kFileCount = 200;
const std::string kContent = "a needle in a haystack\n";

struct TStopCase {
    std::vector<std::string> g_arrModeOptions;
    const char* g_strFirstLine;
    std::string g_strContentAfterFirst; // what each recorded file holds afterwards
    // Replace mode rewrites on helper threads: when the stop comes, up to 16 later rewrites may
    // have begun, and those are finished and recorded too.
    std::size_t g_intMaxRecords;
};

TEST(BatchStop, CtrlCFinishesTheCurrentFileWritesThePageAndExits130) {
    const TStopCase m_arrCases[] = {
        {{"--find", "needle"}, "[查找文件]操作已被用户停止，任务取消。", kContent, 1},
        {{"--mode", "replace", "--find", "needle", "--replace", "pin", "--yes"},
         "[替换文件]操作已被用户停止，任务取消。",
         "a pin in a haystack\n",
         17},
    };
    for (const TStopCase& m_Case : m_arrCases) {
        TBatchTree m_Files;
        for (int m_intFile = 0; m_intFile < kFileCount; ++m_intFile) {
            m_Files.Write("d" + std::to_string(m_intFile % 7) + "/f" + std::to_string(m_intFile) +
                              ".txt",
                          kContent);
        }
        std::vector<std::string> m_arrOptions = m_Case.g_arrModeOptions;
        m_arrOptions.insert(m_arrOptions.end(), {"--ext", "*.txt"});
        std::vector<std::string> m_arrArguments = m_Files.Arguments(m_arrOptions);
        m_arrArguments.insert(m_arrArguments.begin(), "hold-until-stop");

        TChildProcess m_Child(kBatchFakeProgram, m_arrArguments);
        ASSERT_TRUE(m_Child.ReadUntilStdoutContains("\n")) << m_Case.g_strFirstLine;
        m_Child.Signal(SIGINT);
        const TChildResult m_Result = m_Child.Finish();

        ASSERT_TRUE(m_Result.g_IsExited) << "the signal must not kill the program";
        EXPECT_EQ(m_Result.g_intExitCode, 130) << m_Result.g_strStderr;
        const std::vector<std::string> m_arrErr = SplitLf(m_Result.g_strStderr);
        ASSERT_GE(m_arrErr.size(), 6u) << m_Result.g_strStderr;
        EXPECT_EQ(m_arrErr[0], "任务正在停止，请稍候...");
        EXPECT_EQ(m_arrErr[1], m_Case.g_strFirstLine);
        // The files begun were finished and recorded; the page holds what stdout showed.
        const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
        ASSERT_GE(m_arrLines.size(), 1u);
        ASSERT_LE(m_arrLines.size(), m_Case.g_intMaxRecords);
        EXPECT_EQ(m_arrErr[4], "找到匹配文件：" + std::to_string(m_arrLines.size()) + "个。");
        EXPECT_EQ(m_arrLines, ReadAllPageLines(TaskFolderOf(m_Result)));
        const std::string m_strTreePrefix = m_Files.TreeDir() + "/";
        std::vector<std::string> m_arrRecorded;
        for (const std::string& m_strLine : m_arrLines) {
            const std::size_t m_intPathStart = m_strLine.find(m_strTreePrefix);
            ASSERT_NE(m_intPathStart, std::string::npos) << m_strLine;
            std::string m_strRecorded = m_strLine.substr(m_intPathStart + m_strTreePrefix.size());
            if (m_strRecorded.ends_with("|")) {
                m_strRecorded.pop_back();
            }
            m_arrRecorded.push_back(m_strRecorded);
        }
        int m_intChanged = 0;
        for (const auto& m_Entry :
             std::filesystem::recursive_directory_iterator(m_Files.TreeDir())) {
            if (!m_Entry.is_regular_file()) {
                continue;
            }
            const std::string m_strRelative =
                std::filesystem::relative(m_Entry.path(), m_Files.TreeDir()).string();
            const std::string m_strBytes = test::TTempTree::ReadBytes(m_Entry.path());
            if (std::find(m_arrRecorded.begin(), m_arrRecorded.end(), m_strRelative) !=
                m_arrRecorded.end()) {
                EXPECT_EQ(m_strBytes, m_Case.g_strContentAfterFirst);
            } else if (m_strBytes != kContent) {
                ++m_intChanged;
            }
        }
        EXPECT_EQ(m_intChanged, 0) << "no file after the stop may be touched";
    }
}

TEST(BatchStop, AnErrorThatEndsTheTaskExitsThreeWithItsMessage) {
    TBatchTree m_Files;
    m_Files.Write("a.txt", kContent);
    m_Files.Write("b.txt", kContent);
    std::vector<std::string> m_arrArguments =
        m_Files.Arguments({"--find", "needle", "--ext", "*.txt"});
    m_arrArguments.insert(m_arrArguments.begin(), "remove-logs-after-first");
    const TChildResult m_Result = test::RunChild(kBatchFakeProgram, m_arrArguments);

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 3) << m_Result.g_strStderr;
    EXPECT_EQ(SplitLf(m_Result.g_strStdout).size(), 2u) << "records made before the end are shown";
    const std::vector<std::string> m_arrErr = SplitLf(m_Result.g_strStderr);
    ASSERT_FALSE(m_arrErr.empty());
    EXPECT_EQ(m_arrErr[0], "[查找文件]操作因错误中止。");
    // The reason names the page that could not be written.
    EXPECT_NE(m_Result.g_strStderr.find("错误信息："), std::string::npos);
    EXPECT_NE(m_Result.g_strStderr.find("000001.txt"), std::string::npos) << m_Result.g_strStderr;
    EXPECT_FALSE(std::filesystem::exists(TaskFolderOf(m_Result)));
}

} // namespace
} // namespace morvane
