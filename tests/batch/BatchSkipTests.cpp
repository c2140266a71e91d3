// morvane-batch with files it cannot take, and with its logs inside the tree it works on.

#include "BatchTestSupport.h"

#include "files/u_FileRead.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvane {
namespace {

using test::kBatchProgram;
using test::RunChild;
using test::SplitLf;
using test::TaskFolderOf;
using test::TBatchTree;
using test::TChildResult;

// A file that cannot be processed is a "失败" record, is counted in the summary, and makes the
// run end with status 1, in both modes.
TEST(BatchSkips, AFileThatCannotBeProcessedIsReportedAndFailsTheRun) {
    TBatchTree m_Files;
    m_Files.Write("a.txt", "needle");
    m_Files.Write("huge.txt", "");
    std::filesystem::resize_file(m_Files.TreeDir() + "/huge.txt", kMaxProcessedFileSize + 1);
    for (const char* m_strMode : {"find", "replace"}) {
        SCOPED_TRACE(m_strMode);
        const TChildResult m_Result = RunChild(
            kBatchProgram, m_Files.Arguments({"--mode", m_strMode, "--find", "needle", "--replace",
                                              "needle2", "--yes", "--ext", "*.txt"}));
        EXPECT_EQ(m_Result.g_intExitCode, 1) << m_Result.g_strStderr;
        EXPECT_NE(m_Result.g_strStdout.find("|失败|unknow|" + m_Files.TreeDir() +
                                            "/huge.txt|文件大于1 GiB，未处理。"),
                  std::string::npos)
            << m_Result.g_strStdout;
        const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStderr);
        ASSERT_GE(m_arrLines.size(), 3u);
        EXPECT_EQ(m_arrLines[m_arrLines.size() - 3], "无法处理文件：1个。");
    }
}

// With its logs inside the tree, a replace task neither counts nor rewrites any page, its own
// or an earlier task's, although every page holds the find text (in the file name).
TEST(BatchSkips, LogsInsideTheTreeAreNeverPartOfTheTask) {
    TBatchTree m_Files;
    m_Files.Write("needle.txt", "needle");
    const std::string m_strLogs = m_Files.TreeDir() + "/logs";
    const std::vector<std::string> m_arrArguments = {
        "--mode", "replace", "--find", "needle",     "--replace", "needles",
        "--yes",  "--ext",   "*.txt",  "--logs-dir", m_strLogs,   m_Files.TreeDir()};
    const TChildResult m_First = RunChild(kBatchProgram, m_arrArguments);
    ASSERT_EQ(m_First.g_intExitCode, 0) << m_First.g_strStderr;
    const std::string m_strFirstPage = TaskFolderOf(m_First) + "/000001.txt";
    const std::string m_strPageBytes = test::TTempTree::ReadBytes(m_strFirstPage);
    const TChildResult m_Second = RunChild(kBatchProgram, m_arrArguments);
    ASSERT_EQ(m_Second.g_intExitCode, 0) << m_Second.g_strStderr;
    EXPECT_NE(m_Second.g_strStderr.find("总共搜索文件：1个。"), std::string::npos)
        << m_Second.g_strStderr;
    EXPECT_EQ(test::TTempTree::ReadBytes(m_strFirstPage), m_strPageBytes);
    EXPECT_EQ(test::ReadAllPageLines(TaskFolderOf(m_Second)).size(), 1u);
    EXPECT_EQ(m_Files.Read("needle.txt"), "needless");
}

} // namespace
} // namespace morvane
