// morvane-batch as a shell runs it: the checks that stop it before anything happens, the record
// lines on stdout against the log pages, the summary on stderr and the exit statuses.

#include "BatchTestSupport.h"
#include "u_BatchRecordFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace morvane {
namespace {

using test::kBatchProgram;
using test::ReadAllPageLines;
using test::RunChild;
using test::SplitLf;
using test::TaskFolderOf;
using test::TBatchTree;
using test::TChildResult;

class BatchProcess : public ::testing::Test {
protected:
    TChildResult Run(std::vector<std::string> p_arrOptions) const {
        return RunChild(kBatchProgram, g_Files.Arguments(std::move(p_arrOptions)));
    }

    // The summary lines and the folder line of a run that reached its end.
    static void ExpectSummary(const TChildResult& p_Result,
                              const std::vector<std::string>& p_arrLinesBeforeTime) {
        const std::vector<std::string> m_arrLines = SplitLf(p_Result.g_strStderr);
        ASSERT_EQ(m_arrLines.size(), p_arrLinesBeforeTime.size() + 2) << p_Result.g_strStderr;
        for (std::size_t m_intIndex = 0; m_intIndex < p_arrLinesBeforeTime.size(); ++m_intIndex) {
            EXPECT_EQ(m_arrLines[m_intIndex], p_arrLinesBeforeTime[m_intIndex]);
        }
        EXPECT_TRUE(std::regex_match(m_arrLines[m_arrLines.size() - 2],
                                     std::regex("总计耗费时间：[0-9]+\\.[0-9][0-9]秒。")))
            << m_arrLines[m_arrLines.size() - 2];
    }

    // The folder named on stderr's last line: a new yyyyMMdd_HHmmss folder in the logs folder.
    std::string ExpectTaskFolder(const TChildResult& p_Result) const {
        const std::filesystem::path m_Folder(TaskFolderOf(p_Result));
        EXPECT_EQ(m_Folder.parent_path().string(), g_Files.LogsDir());
        EXPECT_TRUE(std::regex_match(m_Folder.filename().string(), std::regex("[0-9]{8}_[0-9]{6}")))
            << m_Folder;
        EXPECT_TRUE(std::filesystem::is_directory(m_Folder)) << m_Folder;
        return m_Folder.string();
    }

    TBatchTree g_Files;
};

struct TRefusedCase {
    const char* g_strWhat;
    std::vector<std::string> g_arrArguments; // "TREE" and "LOGS" stand for the two folders
    std::string g_strStderr;                 // exactly, or for usage errors the first line's start
    bool g_IsUsageError;
};

TEST_F(BatchProcess, RefusedCommandLinesExitTwoAndTouchNothing) {
    g_Files.Write("a.txt", "find me\r\n");
    g_Files.Write("sub/b.txt", "find me too\n");
    const auto m_Before = g_Files.Snapshot();
    const std::string m_strTree = g_Files.TreeDir();
    const TRefusedCase m_arrCases[] = {
        {"no such directory",
         {"--find", "find", "--ext", "*.txt", "--logs-dir", "LOGS", "TREE/nope"},
         "文件路径不存在，请重新选择路径！\n",
         false},
        {"no find text",
         {"--mode", "replace", "--yes", "--ext", "*.txt", "--logs-dir", "LOGS", "TREE"},
         "请输入需要进行查找的文字！\n",
         false},
        {"same replacement",
         {"--mode", "replace", "--find", "find", "--replace", "find", "--yes", "--ext", "*.txt",
          "--logs-dir", "LOGS", "TREE"},
         "替换文字不能与查找文字相同！\n",
         false},
        {"no pattern",
         {"--mode", "replace", "--find", "find", "--replace", "x", "--yes", "--logs-dir", "LOGS",
          "TREE"},
         "请选择文件格式！\n",
         false},
        {"replace without --yes",
         {"--mode", "replace", "--find", "find", "--replace", "x", "--ext", "*.txt", "--logs-dir",
          "LOGS", "TREE"},
         "替换模式下，将对目录中文件内容进行批量替换，替换过程不可逆。\n"
         "请务必先做好文件备份，再执行替换操作。\n"
         "(pass --yes to start the replace task)\n",
         false},
        {"missing DIRECTORY",
         {"--mode", "replace", "--find", "find", "--yes", "--ext", "*.txt", "--logs-dir", "LOGS"},
         "morvane-batch: missing DIRECTORY\n",
         true},
        {"bad encoding",
         {"--mode", "replace", "--find", "find", "--yes", "--ext", "*.txt", "--encoding", "utf7",
          "--logs-dir", "LOGS", "TREE"},
         "morvane-batch: --encoding: expected",
         true},
        {"dry run of a find",
         {"--find", "find", "--ext", "*.txt", "--dry-run", "--logs-dir", "LOGS", "TREE"},
         "morvane-batch: --dry-run needs --mode replace\n",
         true},
        {"unknown option",
         {"--find", "find", "--ext", "*.txt", "--recursive", "--logs-dir", "LOGS", "TREE"},
         "morvane-batch: unknown option --recursive\n",
         true},
    };
    for (const TRefusedCase& m_Case : m_arrCases) {
        std::vector<std::string> m_arrArguments = m_Case.g_arrArguments;
        for (std::string& m_strArgument : m_arrArguments) {
            if (m_strArgument.starts_with("TREE")) {
                m_strArgument = m_strTree + m_strArgument.substr(4);
            } else if (m_strArgument == "LOGS") {
                m_strArgument = g_Files.LogsDir();
            }
        }
        const TChildResult m_Result = RunChild(kBatchProgram, m_arrArguments);
        EXPECT_TRUE(m_Result.g_IsExited) << m_Case.g_strWhat;
        EXPECT_EQ(m_Result.g_intExitCode, 2) << m_Case.g_strWhat;
        EXPECT_EQ(m_Result.g_strStdout, "") << m_Case.g_strWhat;
        if (m_Case.g_IsUsageError) {
            EXPECT_TRUE(m_Result.g_strStderr.starts_with(m_Case.g_strStderr))
                << m_Case.g_strWhat << ": " << m_Result.g_strStderr;
            EXPECT_NE(m_Result.g_strStderr.find("--help"), std::string::npos) << m_Case.g_strWhat;
        } else {
            EXPECT_EQ(m_Result.g_strStderr, m_Case.g_strStderr) << m_Case.g_strWhat;
        }
        EXPECT_FALSE(std::filesystem::exists(g_Files.LogsDir())) << m_Case.g_strWhat;
        EXPECT_EQ(g_Files.Snapshot(), m_Before) << m_Case.g_strWhat;
    }
}

TEST_F(BatchProcess, FindTaskPrintsEachRecordLineAsItsPageHoldsIt) {
    g_Files.Write("a.txt", "say Hello\r\n");
    g_Files.Write("b.TXT", "HELLO world");
    g_Files.Write("deep/er/c.htm", "\xEF\xBB\xBFhello");
    g_Files.Write("no.txt", "goodbye");
    g_Files.Write("skip.md", "hello");
    const TChildResult m_Result = Run({"--find", "hello", "--ext", "*.txt", "--ext", "*.htm"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0) << m_Result.g_strStderr;
    ExpectSummary(m_Result,
                  {"[查找文件]操作已完成。", "", "总共搜索文件：5个。", "找到匹配文件：3个。"});
    const std::string m_strFolder = ExpectTaskFolder(m_Result);

    const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
    EXPECT_TRUE(m_Result.g_strStdout.ends_with("\n"));
    EXPECT_EQ(m_arrLines, ReadAllPageLines(m_strFolder));
    const std::string m_strTree = g_Files.TreeDir() + "/";
    const std::set<std::string> m_arrExpected = {
        "成功|UTF8无Bom|" + m_strTree + "a.txt",
        "成功|UTF8无Bom|" + m_strTree + "b.TXT",
        "成功|UTF8有Bom|" + m_strTree + "deep/er/c.htm",
    };
    std::set<std::string> m_arrSeen;
    for (std::size_t m_intIndex = 0; m_intIndex < m_arrLines.size(); ++m_intIndex) {
        const std::string m_strSequence = std::to_string(m_intIndex + 1) + "|";
        ASSERT_TRUE(m_arrLines[m_intIndex].starts_with(m_strSequence)) << m_arrLines[m_intIndex];
        m_arrSeen.insert(m_arrLines[m_intIndex].substr(m_strSequence.size()));
    }
    EXPECT_EQ(m_arrSeen, m_arrExpected);
}

TEST_F(BatchProcess, RecordsOverSeveralPagesReachStdoutInOrder) {
    // 5001 records: two pages, and far more stdout than one write buffer holds.
    for (int m_intFile = 0; m_intFile < 5001; ++m_intFile) {
        g_Files.Write("f" + std::to_string(m_intFile) + ".txt", "x");
    }
    const TChildResult m_Result = Run({"--find", "X", "--ext", "*.txt", "--no-subfolders"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0) << m_Result.g_strStderr;
    const std::string m_strFolder = ExpectTaskFolder(m_Result);
    const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
    ASSERT_EQ(m_arrLines.size(), 5001u);
    EXPECT_EQ(m_arrLines, ReadAllPageLines(m_strFolder));
    EXPECT_TRUE(m_arrLines.back().starts_with("5001|成功|"));
    EXPECT_TRUE(std::filesystem::exists(m_strFolder + "/000002.txt"));
}

TEST_F(BatchProcess, ReplaceTaskWithAFailedFileExitsOne) {
    g_Files.Write("good.txt", "old text\n");
    g_Files.Write("locked.txt", "old text\n");
    g_Files.Write("other.txt", "nothing here\n");
    chmod(g_Files.g_Tree.Path("tree/locked.txt").c_str(), 0444);
    const TChildResult m_Result =
        Run({"--mode", "replace", "--find", "OLD", "--replace", "new", "--ext", "*.txt", "--yes"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 1) << m_Result.g_strStderr;
    ExpectSummary(m_Result, {"[替换文件]操作已完成。", "", "总共搜索文件：3个。",
                             "找到匹配文件：2个。", "成功替换文件：1个。", "替换失败文件：1个。"});
    const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
    EXPECT_EQ(m_arrLines, ReadAllPageLines(ExpectTaskFolder(m_Result)));
    ASSERT_EQ(m_arrLines.size(), 2u);
    const std::string m_strTree = g_Files.TreeDir() + "/";
    const auto m_Failed =
        std::find_if(m_arrLines.begin(), m_arrLines.end(), [](const std::string& p_strLine) {
            return p_strLine.find("|失败|") != std::string::npos;
        });
    ASSERT_NE(m_Failed, m_arrLines.end());
    EXPECT_NE(m_Failed->find("|失败|UTF8无Bom|" + m_strTree + "locked.txt|"), std::string::npos);
    EXPECT_FALSE(m_Failed->ends_with("|")) << "a failed record carries its reason";
    EXPECT_EQ(g_Files.Read("good.txt"), "new text\n");
    EXPECT_EQ(g_Files.Read("locked.txt"), "old text\n");
    EXPECT_EQ(g_Files.Read("other.txt"), "nothing here\n");
}

// The preview needs no --yes, changes nothing, and prints the records the replace then makes.
TEST_F(BatchProcess, DryRunRecordsWhatTheReplaceDoesAndChangesNothing) {
    g_Files.Write("good.txt", "old text\n");
    g_Files.Write("locked.txt", "old text\n");
    g_Files.Write("other.txt", "nothing here\n");
    chmod(g_Files.g_Tree.Path("tree/locked.txt").c_str(), 0444);
    // The tree's files only: the logs folder beside it gets the preview's task folder.
    const auto m_TreeSnapshot = [this] {
        auto m_Files = g_Files.Snapshot();
        std::erase_if(m_Files, [this](const auto& p_File) {
            return !p_File.first.starts_with(g_Files.TreeDir() + "/");
        });
        return m_Files;
    };
    const auto m_Before = m_TreeSnapshot();
    ASSERT_EQ(m_Before.size(), 3u);
    const std::vector<std::string> m_arrReplace{"--mode",    "replace", "--find", "OLD",
                                                "--replace", "new",     "--ext",  "*.txt"};
    std::vector<std::string> m_arrDryRun = m_arrReplace;
    m_arrDryRun.emplace_back("--dry-run");
    const TChildResult m_Preview = Run(m_arrDryRun);

    ASSERT_TRUE(m_Preview.g_IsExited);
    EXPECT_EQ(m_Preview.g_intExitCode, 1) << m_Preview.g_strStderr;
    ExpectSummary(m_Preview, {"[替换预览]操作已完成。", "", "总共搜索文件：3个。",
                              "找到匹配文件：2个。", "可以替换文件：1个。", "替换失败文件：1个。"});
    EXPECT_EQ(SplitLf(m_Preview.g_strStdout), ReadAllPageLines(ExpectTaskFolder(m_Preview)));
    EXPECT_EQ(m_TreeSnapshot(), m_Before);

    std::vector<std::string> m_arrConfirmed = m_arrReplace;
    m_arrConfirmed.emplace_back("--yes");
    const TChildResult m_Replace = Run(m_arrConfirmed);
    EXPECT_EQ(m_Replace.g_intExitCode, 1) << m_Replace.g_strStderr;
    EXPECT_EQ(m_Replace.g_strStdout, m_Preview.g_strStdout);
    EXPECT_EQ(g_Files.Read("good.txt"), "new text\n");
}

TEST_F(BatchProcess, ReplaceTaskWithoutFailuresExitsZero) {
    g_Files.Write("one.txt", "alpha\nbeta\n");
    g_Files.Write("sub/two.txt", "gamma alpha\n");
    // Outside the tree, with a mark and the platform's LF breaks.
    g_Files.g_Tree.WriteFile("find.txt", "\xEF\xBB\xBF"
                                         "alpha\nbeta");
    const TChildResult m_Result =
        Run({"--mode", "replace", "--find-file", g_Files.g_Tree.Path("find.txt").string(),
             "--replace", "omega", "--ext", "*.txt", "--match-case", "--yes"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0) << m_Result.g_strStderr;
    ExpectSummary(m_Result, {"[替换文件]操作已完成。", "", "总共搜索文件：2个。",
                             "找到匹配文件：1个。", "成功替换文件：1个。", "替换失败文件：0个。"});
    const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
    EXPECT_EQ(m_arrLines, ReadAllPageLines(ExpectTaskFolder(m_Result)));
    EXPECT_EQ(m_arrLines,
              std::vector<std::string>{"1|成功|UTF8无Bom|" + g_Files.TreeDir() + "/one.txt|"});
    EXPECT_EQ(g_Files.Read("one.txt"), "omega\n");
    EXPECT_EQ(g_Files.Read("sub/two.txt"), "gamma alpha\n");
}

TEST_F(BatchProcess, QuietRunPrintsNoRecordsButWritesThePage) {
    g_Files.Write("a.txt", "needle");
    const TChildResult m_Result = Run({"--find", "needle", "--ext", "*.txt", "--quiet"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0);
    EXPECT_EQ(m_Result.g_strStdout, "");
    EXPECT_EQ(ReadAllPageLines(ExpectTaskFolder(m_Result)).size(), 1u);
}

TEST_F(BatchProcess, TaskWithoutMatchesLeavesNoPage) {
    g_Files.Write("a.txt", "hay");
    const TChildResult m_Result = Run({"--find", "needle", "--ext", "*.txt"});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0);
    EXPECT_EQ(m_Result.g_strStdout, "");
    ExpectSummary(m_Result,
                  {"[查找文件]操作已完成。", "", "总共搜索文件：1个。", "找到匹配文件：0个。"});
    const std::string m_strFolder = ExpectTaskFolder(m_Result);
    EXPECT_TRUE(std::filesystem::is_empty(m_strFolder));
}

TEST_F(BatchProcess, LogsFolderThatCannotBeMadeExitsThreeAndTouchesNothing) {
    g_Files.Write("a.txt", "needle");
    g_Files.g_Tree.WriteFile("blocker", "a file where a folder should go");
    const auto m_Before = g_Files.Snapshot();
    const TChildResult m_Result =
        RunChild(kBatchProgram, {"--mode", "replace", "--find", "needle", "--replace", "pin",
                                 "--ext", "*.txt", "--yes", "--logs-dir",
                                 g_Files.g_Tree.Path("blocker/logs").string(), g_Files.TreeDir()});

    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 3);
    EXPECT_EQ(m_Result.g_strStdout, "");
    EXPECT_NE(m_Result.g_strStderr.find("blocker/logs"), std::string::npos) << m_Result.g_strStderr;
    EXPECT_EQ(g_Files.Snapshot(), m_Before);
}

TEST_F(BatchProcess, VersionIsTheProjectsAndExitsZero) {
    for (const char* m_strOption : {"--version", "-V"}) {
        const TChildResult m_Result = RunChild(kBatchProgram, {m_strOption});
        ASSERT_TRUE(m_Result.g_IsExited);
        EXPECT_EQ(m_Result.g_intExitCode, 0);
        EXPECT_EQ(m_Result.g_strStdout,
                  std::string("morvane-batch ") + MORVANE_PROJECT_VERSION + "\n");
        EXPECT_EQ(m_Result.g_strStderr, "");
    }
}

TEST_F(BatchProcess, AFileOfDashIsStandardInput) {
    g_Files.Write("a.txt", "one\r\ntwo\r\n");
    g_Files.Write("b.txt", "one two");
    struct TCase {
        std::vector<std::string> g_arrOptions;
        std::string g_strStdin;
        std::string g_strA; // a.txt afterwards
    };
    const TCase m_arrCases[] = {
        {{"-f", "-"}, "one\ntwo", "one\r\ntwo\r\n"},
        {{"--mode", "replace", "-y", "-f", "-", "-r", "1\r\n2"}, "one\ntwo", "1\r\n2\r\n"},
        {{"--mode", "replace", "-y", "-e", "1", "--replace-file", "-"},
         "\xEF\xBB\xBFuno",
         "uno\r\n2\r\n"},
    };
    for (const TCase& m_Case : m_arrCases) {
        std::vector<std::string> m_arrOptions = m_Case.g_arrOptions;
        m_arrOptions.insert(m_arrOptions.end(), {"-g", "*.txt"});
        const TChildResult m_Result =
            RunChild(kBatchProgram, g_Files.Arguments(m_arrOptions), &m_Case.g_strStdin);
        ASSERT_TRUE(m_Result.g_IsExited);
        EXPECT_EQ(m_Result.g_intExitCode, 0) << m_Result.g_strStderr;
        const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
        ASSERT_EQ(m_arrLines.size(), 1u) << m_Result.g_strStdout;
        EXPECT_TRUE(m_arrLines[0].ends_with("/a.txt") || m_arrLines[0].ends_with("/a.txt|"))
            << m_arrLines[0];
        EXPECT_EQ(g_Files.Read("a.txt"), m_Case.g_strA);
        EXPECT_EQ(g_Files.Read("b.txt"), "one two");
    }
}

// Names with the bytes that a log line cannot hold as they are: --null gives them raw, --json
// as a string or, not being UTF-8, as base64.
TEST_F(BatchProcess, NullAndJsonGiveEachRecordsPathAsTheFileSystemNamesIt) {
    const std::vector<std::string> m_arrNames = {"plain.txt", "line\nbreak|bar\\.txt",
                                                 "bad\xFF\xFE.txt"};
    for (const std::string& m_strName : m_arrNames) {
        g_Files.Write(m_strName, "needle");
    }
    const std::string m_strTree = g_Files.TreeDir() + "/";

    const TChildResult m_Null = Run({"-e", "needle", "-g", "*.txt", "-0"});
    ASSERT_TRUE(m_Null.g_IsExited);
    EXPECT_EQ(m_Null.g_intExitCode, 0) << m_Null.g_strStderr;
    std::set<std::string> m_arrNullPaths;
    std::size_t m_intStart = 0;
    for (std::size_t m_intEnd;
         (m_intEnd = m_Null.g_strStdout.find('\0', m_intStart)) != std::string::npos;
         m_intStart = m_intEnd + 1) {
        m_arrNullPaths.insert(m_Null.g_strStdout.substr(m_intStart, m_intEnd - m_intStart));
    }
    EXPECT_EQ(m_intStart, m_Null.g_strStdout.size()) << "every path ends with NUL";
    std::set<std::string> m_arrExpected;
    for (const std::string& m_strName : m_arrNames) {
        m_arrExpected.insert(m_strTree + m_strName);
    }
    EXPECT_EQ(m_arrNullPaths, m_arrExpected);

    const TChildResult m_Json =
        Run({"--mode", "replace", "-y", "-e", "needle", "-r", "pin", "-g", "*.txt", "--json"});
    ASSERT_TRUE(m_Json.g_IsExited);
    EXPECT_EQ(m_Json.g_intExitCode, 0) << m_Json.g_strStderr;
    const std::vector<std::string> m_arrObjects = SplitLf(m_Json.g_strStdout);
    ASSERT_EQ(m_arrObjects.size(), 3u) << m_Json.g_strStdout;
    std::set<std::string> m_arrPaths;
    for (const std::string& m_strObject : m_arrObjects) {
        std::smatch m_Match;
        ASSERT_TRUE(std::regex_match(
            m_strObject, m_Match,
            std::regex(R"re(\{"sequence":[1-3],"status":"成功","encoding":"UTF8无Bom",)re"
                       R"re("(path|path_bytes)":"([^"]*)","reason":""\})re")))
            << m_strObject;
        m_arrPaths.insert(m_Match[1].str() + "=" + m_Match[2].str());
    }
    EXPECT_EQ(m_arrPaths,
              (std::set<std::string>{
                  "path=" + m_strTree + "plain.txt",
                  "path=" + m_strTree + "line\\nbreak|bar\\\\.txt",
                  "path_bytes=" + TBatchRecordFormat::Base64(m_strTree + "bad\xFF\xFE.txt"),
              }));
    for (const std::string& m_strName : m_arrNames) {
        EXPECT_EQ(g_Files.Read(m_strName), "pin") << m_strName;
    }
}

TEST_F(BatchProcess, HelpGoesToStdoutAndExitsZero) {
    const TChildResult m_Result = RunChild(kBatchProgram, {"--help"});
    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 0);
    EXPECT_TRUE(m_Result.g_strStdout.starts_with("Usage: morvane-batch [options] DIRECTORY\n"));
    EXPECT_EQ(m_Result.g_strStderr, "");
}

} // namespace
} // namespace morvane
