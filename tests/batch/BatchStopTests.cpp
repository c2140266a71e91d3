// Stop signals and errors in the middle of a task. The fake program holds (or breaks) the task
// right after its first record, whose line the main thread's periodic write-out brings to stdout,
// or holds a rewrite at its first write; the test reads the pipes until the line or the notice
// is there, then signals, so the signal lands at a known point.

#include "BatchTestSupport.h"

#include <gtest/gtest.h>

#include "files/u_SafeRewrite.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

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

const std::string kReplaced = "a pin in a haystack\n";
constexpr const char* kStoppingLine = "任务正在停止，请稍候...";

// A replace task over kFileCount files whose first write into a temporary file waits at a FIFO:
// the signal lands while a rewrite is half done.
class TGatedReplace {
public:
    TGatedReplace() {
        for (int m_intFile = 0; m_intFile < kFileCount; ++m_intFile) {
            g_Files.Write("d" + std::to_string(m_intFile % 7) + "/f" + std::to_string(m_intFile) +
                              ".txt",
                          kContent);
        }
        g_strFifo = g_Files.g_Tree.Path("gate").string();
        if (mkfifo(g_strFifo.c_str(), 0600) != 0) {
            throw std::runtime_error("mkfifo failed");
        }
        std::vector<std::string> m_arrArguments = g_Files.Arguments(
            {"--mode", "replace", "-e", "needle", "-r", "pin", "-y", "-g", "*.txt"});
        m_arrArguments.insert(m_arrArguments.begin(), {"gate-first-write", g_strFifo});
        g_Child = std::make_unique<TChildProcess>(kBatchFakeProgram, m_arrArguments);
    }

    // Lets the waiting write go on.
    void OpenGate() const {
        const int m_intGate = open(g_strFifo.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(m_intGate, 0);
        EXPECT_EQ(write(m_intGate, "g", 1), 1);
        close(m_intGate);
    }

    // Every file is whole, old or new, and no temporary file is left; returns the new ones.
    std::set<std::string> ExpectNoTemporaryFileAndEachFileOldOrNew() const {
        std::set<std::string> m_arrReplaced;
        for (const auto& m_Entry :
             std::filesystem::recursive_directory_iterator(g_Files.TreeDir())) {
            const std::string m_strName = m_Entry.path().filename().string();
            EXPECT_FALSE(IsRewriteTemporaryName(m_strName)) << m_Entry.path();
            if (!m_Entry.is_regular_file()) {
                continue;
            }
            const std::string m_strBytes = test::TTempTree::ReadBytes(m_Entry.path());
            EXPECT_TRUE(m_strBytes == kContent || m_strBytes == kReplaced) << m_Entry.path();
            if (m_strBytes == kReplaced) {
                m_arrReplaced.insert(m_Entry.path().string());
            }
        }
        return m_arrReplaced;
    }

    TBatchTree g_Files;
    std::string g_strFifo;
    std::unique_ptr<TChildProcess> g_Child;
};

TEST(BatchStop, TermAndHupStopLikeCtrlCAndExitWith128PlusTheirNumber) {
    for (const auto& [m_intSignal, m_intExitCode] : {std::pair{SIGTERM, 143}, {SIGHUP, 129}}) {
        TGatedReplace m_Task;
        ASSERT_TRUE(m_Task.g_Child->ReadUntilStderrContains("gate\n")) << m_intSignal;
        m_Task.g_Child->Signal(m_intSignal);
        ASSERT_TRUE(m_Task.g_Child->ReadUntilStderrContains(kStoppingLine)) << m_intSignal;
        m_Task.OpenGate();
        const TChildResult m_Result = m_Task.g_Child->Finish();

        ASSERT_TRUE(m_Result.g_IsExited) << m_intSignal;
        EXPECT_EQ(m_Result.g_intExitCode, m_intExitCode) << m_Result.g_strStderr;
        EXPECT_NE(m_Result.g_strStderr.find("[替换文件]操作已被用户停止，任务取消。"),
                  std::string::npos)
            << m_Result.g_strStderr;
        // The files begun were finished and recorded, the page written, nothing else touched.
        const std::vector<std::string> m_arrLines = SplitLf(m_Result.g_strStdout);
        ASSERT_GE(m_arrLines.size(), 1u) << m_intSignal;
        EXPECT_LT(m_arrLines.size(), static_cast<std::size_t>(kFileCount)) << m_intSignal;
        EXPECT_EQ(m_arrLines, ReadAllPageLines(TaskFolderOf(m_Result)));
        std::set<std::string> m_arrRecorded;
        for (const std::string& m_strLine : m_arrLines) {
            // sequence|status|encoding|path|reason, the reason empty
            const std::size_t m_intPathStart = m_strLine.find(m_Task.g_Files.TreeDir());
            ASSERT_NE(m_intPathStart, std::string::npos) << m_strLine;
            m_arrRecorded.insert(
                m_strLine.substr(m_intPathStart, m_strLine.size() - 1 - m_intPathStart));
        }
        EXPECT_EQ(m_Task.ExpectNoTemporaryFileAndEachFileOldOrNew(), m_arrRecorded);
    }
}

TEST(BatchStop, ASecondSignalEndsAtOnceAndLeavesNoTemporaryFile) {
    struct TCase {
        int g_intFirst;
        int g_intSecond;
        int g_intExitCode; // 128 + the second signal
    };
    const TCase m_arrCases[] = {
        {SIGTERM, SIGINT, 130}, {SIGHUP, SIGTERM, 143}, {SIGINT, SIGHUP, 129}};
    // Ending at once leaves the workers unjoined by design; under ThreadSanitizer that would be
    // reported as a leak and change the exit status the test is about.
    const char* m_strOldTsanOptions = std::getenv("TSAN_OPTIONS");
    const std::string m_strKeptTsanOptions = m_strOldTsanOptions ? m_strOldTsanOptions : "";
    setenv("TSAN_OPTIONS", (m_strKeptTsanOptions + " report_thread_leaks=0").c_str(), 1);
    for (const TCase& m_Case : m_arrCases) {
        TGatedReplace m_Task;
        ASSERT_TRUE(m_Task.g_Child->ReadUntilStderrContains("gate\n"));
        m_Task.g_Child->Signal(m_Case.g_intFirst);
        ASSERT_TRUE(m_Task.g_Child->ReadUntilStderrContains(kStoppingLine));
        // The gate stays shut: the rewrite under way never ends by itself.
        m_Task.g_Child->Signal(m_Case.g_intSecond);
        const TChildResult m_Result = m_Task.g_Child->Finish();

        ASSERT_TRUE(m_Result.g_IsExited) << m_Case.g_intSecond;
        EXPECT_EQ(m_Result.g_intExitCode, m_Case.g_intExitCode) << m_Result.g_strStderr;
        const std::set<std::string> m_arrReplaced =
            m_Task.ExpectNoTemporaryFileAndEachFileOldOrNew();
        EXPECT_LT(m_arrReplaced.size(), static_cast<std::size_t>(kFileCount));
    }
    if (m_strOldTsanOptions) {
        setenv("TSAN_OPTIONS", m_strKeptTsanOptions.c_str(), 1);
    } else {
        unsetenv("TSAN_OPTIONS");
    }
}

// Under nohup SIGHUP arrives ignored, and must stay so: the shell here ignores it before it
// starts the program, so the SIGHUP sent is dropped and the SIGTERM after it is the stop.
TEST(BatchStop, ASignalIgnoredOnEntryStaysIgnored) {
    TBatchTree m_Files;
    m_Files.Write("a.txt", kContent);
    m_Files.Write("b.txt", kContent);
    std::vector<std::string> m_arrArguments = m_Files.Arguments({"-e", "needle", "-g", "*.txt"});
    m_arrArguments.insert(m_arrArguments.begin(), {"-c", "trap '' HUP; exec \"$0\" \"$@\"",
                                                   kBatchFakeProgram, "hold-until-stop"});
    TChildProcess m_Child("/bin/sh", m_arrArguments);
    ASSERT_TRUE(m_Child.ReadUntilStdoutContains("\n"));
    m_Child.Signal(SIGHUP);
    m_Child.Signal(SIGTERM);
    const TChildResult m_Result = m_Child.Finish();
    ASSERT_TRUE(m_Result.g_IsExited);
    EXPECT_EQ(m_Result.g_intExitCode, 143) << m_Result.g_strStderr;
    // A SIGHUP taken would have made the SIGTERM a second signal, ending the program at once.
    const std::vector<std::string> m_arrErr = SplitLf(m_Result.g_strStderr);
    ASSERT_GE(m_arrErr.size(), 2u) << m_Result.g_strStderr;
    EXPECT_EQ(m_arrErr[0], kStoppingLine);
    EXPECT_EQ(m_arrErr[1], "[查找文件]操作已被用户停止，任务取消。");
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
