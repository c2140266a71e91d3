// Replace mode with its rewrites on helper threads: records, counters and pages stay in walk
// order whatever order the rewrites end in, every failure still is a "失败" record with its
// reason, a stop or an error finishes the rewrites begun and touches nothing else, and no more
// than a bounded number of rewrites are under way at once.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "files/u_FileSystemOps.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace morvane::test {
namespace {

using namespace std::chrono_literals;

// The real file system, thread-safe, with failures by file name: the rewrite of a file whose
// name holds "readonly" cannot open it for writing, "nosync" fails its fdatasync, "short"
// writes nothing. It also measures how many fdatasync calls overlap.
class TRewriteOps : public TFileSystemOps {
public:
    TRewriteOps() { SetFileSystemOpsForTesting(this); }
    ~TRewriteOps() override { SetFileSystemOpsForTesting(nullptr); }
    TRewriteOps(const TRewriteOps&) = delete;
    TRewriteOps& operator=(const TRewriteOps&) = delete;

    int OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags, mode_t p_intMode) override {
        const bool m_IsTrial = (p_intFlags & O_ACCMODE) == O_WRONLY && (p_intFlags & O_CREAT) == 0;
        if (m_IsTrial) {
            // One rewrite runs on one thread from its trial open to its rename.
            t_strTarget = p_strPath;
            if (t_strTarget.find("readonly") != std::string::npos) {
                errno = EACCES;
                return -1;
            }
        }
        return TFileSystemOps::OpenAt(p_intDirFd, p_strPath, p_intFlags, p_intMode);
    }
    ssize_t Write(int p_intFd, const void* p_Buffer, std::size_t p_intCount) override {
        if (t_strTarget.find("short") != std::string::npos) {
            return 0;
        }
        return TFileSystemOps::Write(p_intFd, p_Buffer, p_intCount);
    }
    int FdataSync(int p_intFd) override {
        const int m_intNow = ++g_intSyncing;
        int m_intMax = g_intMaxSyncing.load();
        while (m_intNow > m_intMax && !g_intMaxSyncing.compare_exchange_weak(m_intMax, m_intNow)) {
        }
        int m_intResult = 0;
        if (t_strTarget.find("nosync") != std::string::npos) {
            errno = EIO;
            m_intResult = -1;
        } else {
            m_intResult = TFileSystemOps::FdataSync(p_intFd);
        }
        --g_intSyncing;
        return m_intResult;
    }

    std::atomic<int> g_intMaxSyncing{0};

private:
    static thread_local std::string t_strTarget;
    std::atomic<int> g_intSyncing{0};
};

thread_local std::string TRewriteOps::t_strTarget;

class ThreadProcessRewrite : public ::testing::Test {
protected:
    // 240 files in 8 folders; every fifth one is meant to fail in one of four ways, and ".bin"
    // files are met but not wanted.
    ThreadProcessRewrite() {
        g_Tree.MakeDir("logs");
        for (int m_intIndex = 0; m_intIndex < 240; ++m_intIndex) {
            std::string m_strName = "f" + std::to_string(m_intIndex);
            std::string m_strBytes = "one needle\n";
            switch (m_intIndex % 20) {
            case 4:
                m_strName += "-readonly";
                break;
            case 9:
                m_strName += "-nosync";
                break;
            case 14:
                m_strName += "-short";
                break;
            case 19:
                m_strBytes = std::string("needle\0binary\n", 14);
                break;
            default:
                break;
            }
            m_strName += m_intIndex % 11 == 0 ? ".bin" : ".txt";
            g_Tree.WriteFile("tree/d" + std::to_string(m_intIndex % 8) + "/" + m_strName,
                             m_strBytes);
        }
    }

    TTaskParameters Parameters() const {
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = kModeReplace;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = g_Tree.RootWithSlash() + "tree/";
        return m_Parameters;
    }

    std::vector<std::string> WantedInWalkOrder() const {
        std::vector<std::string> m_arrWanted;
        for (const auto& m_strFile : WalkOrder(g_Tree.RootWithSlash() + "tree/")) {
            if (m_strFile.ends_with(".txt")) {
                m_arrWanted.push_back(m_strFile);
            }
        }
        return m_arrWanted;
    }

    // The status and reason a file's record must carry; empty reason for success.
    static std::pair<std::string, std::string> ExpectedOutcome(const std::string& p_strFile) {
        if (p_strFile.find("readonly") != std::string::npos) {
            return {"失败", "Cannot create file \"" + p_strFile + "\". "};
        }
        if (p_strFile.find("nosync") != std::string::npos) {
            return {"失败", SystemErrorText(EIO)};
        }
        if (p_strFile.find("short") != std::string::npos) {
            return {"失败", "Stream write error"};
        }
        const std::string m_strBytes = TTempTree::ReadBytes(p_strFile);
        if (m_strBytes.find('\0') != std::string::npos) {
            return {"失败", "文件包含空字符，可能是二进制文件，未替换。"};
        }
        return {"成功", ""};
    }

    static bool IsUnchanged(const std::string& p_strBytes) {
        return p_strBytes == "one needle\n" || p_strBytes == std::string("needle\0binary\n", 14);
    }

    // Checks the records of the first p_intCount wanted files, and that the others are untouched.
    void CheckRecords(const TTaskHarness& p_Harness, std::size_t p_intCount) {
        const std::vector<std::string> m_arrWanted = WantedInWalkOrder();
        ASSERT_LE(p_intCount, m_arrWanted.size());
        ASSERT_EQ(p_Harness.g_arrRecordLines.size(), p_intCount);
        std::vector<std::string> m_arrPageLines = ReadPageLines(g_Tree.Path("logs/000001.txt"));
        ASSERT_EQ(m_arrPageLines.size(), p_intCount);
        int m_intSucceeded = 0;
        for (std::size_t m_intFile = 0; m_intFile < m_arrWanted.size(); ++m_intFile) {
            const std::string& m_strFile = m_arrWanted[m_intFile];
            const std::string m_strBytes = TTempTree::ReadBytes(m_strFile);
            if (m_intFile >= p_intCount) {
                EXPECT_TRUE(IsUnchanged(m_strBytes)) << "touched after the stop: " << m_strFile;
                continue;
            }
            const auto [m_strStatus, m_strReason] = ExpectedOutcome(m_strFile);
            const std::string m_strLine = Utf16ToUtf8(p_Harness.g_arrRecordLines[m_intFile]);
            const std::string m_strHead =
                std::to_string(m_intFile + 1) + "|" + m_strStatus + "|UTF8无Bom|" + m_strFile + "|";
            EXPECT_TRUE(m_strLine.starts_with(m_strHead)) << m_strLine << " / " << m_strHead;
            EXPECT_TRUE(m_strLine.substr(std::min(m_strLine.size(), m_strHead.size()))
                            .starts_with(m_strReason))
                << m_strLine;
            if (m_strStatus == "成功") {
                EXPECT_TRUE(m_strReason.empty());
                EXPECT_EQ(m_strLine.size(), m_strHead.size());
                EXPECT_EQ(m_strBytes, "one pin\n") << m_strFile;
                ++m_intSucceeded;
            } else {
                EXPECT_TRUE(IsUnchanged(m_strBytes)) << m_strFile;
            }
            EXPECT_EQ(m_arrPageLines[m_intFile], m_strLine);
        }
        const TThreadProcess& m_Thread = const_cast<TTaskHarness&>(p_Harness).Thread();
        EXPECT_EQ(m_Thread.g_intMatchingFileCount, static_cast<int>(p_intCount));
        EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount, m_intSucceeded);
        EXPECT_EQ(m_Thread.g_intReplaceFailureFileCount,
                  static_cast<int>(p_intCount) - m_intSucceeded);
        // No temporary file is left anywhere.
        for (const auto& m_strFile : WalkOrder(g_Tree.RootWithSlash() + "tree/")) {
            EXPECT_EQ(m_strFile.find("/.~mv"), std::string::npos) << m_strFile;
        }
    }

    TTempTree g_Tree;
};

TEST_F(ThreadProcessRewrite, RecordsFollowTheWalkWhateverOrderTheRewritesEndIn) {
    TRewriteOps m_Ops;
    TTaskHarness m_Harness(Parameters(), 0ms);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 240);
    CheckRecords(m_Harness, WantedInWalkOrder().size());
    EXPECT_GE(m_Ops.g_intMaxSyncing.load(), 1);
    EXPECT_LE(m_Ops.g_intMaxSyncing.load(), 16);
    EXPECT_TRUE(m_Harness.Thread().g_strErrorMessage.empty());
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
}

// A stop is honoured after the file whose progress position asked for it; the files before it
// are rewritten and recorded in order, those after it are never touched.
TEST_F(ThreadProcessRewrite, AStopFinishesTheRewritesBegunAndTouchesNothingElse) {
    TRewriteOps m_Ops;
    TTaskHarness m_Harness(Parameters());
    TThreadProcess* m_trdProcess = &m_Harness.Thread();
    const std::vector<std::string> m_arrAll = WalkOrder(g_Tree.RootWithSlash() + "tree/");
    // The position of the 100th wanted file.
    std::int32_t m_intStopPosition = 0;
    std::size_t m_intWantedSeen = 0;
    for (std::size_t m_intIndex = 0; m_intIndex < m_arrAll.size() && m_intWantedSeen < 100;
         ++m_intIndex) {
        m_intWantedSeen += m_arrAll[m_intIndex].ends_with(".txt") ? 1 : 0;
        m_intStopPosition = static_cast<std::int32_t>(m_intIndex + 1);
    }
    m_Harness.g_pgrProgress.g_doOnPosition = [m_trdProcess,
                                              m_intStopPosition](std::int32_t p_intPosition) {
        if (p_intPosition == m_intStopPosition) {
            m_trdProcess->g_IsStoped = true;
        }
    };
    m_Harness.Run();
    EXPECT_TRUE(m_trdProcess->g_IsStoped);
    EXPECT_EQ(m_trdProcess->g_intSearchFileCount, m_intStopPosition);
    CheckRecords(m_Harness, 100);
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
}

// An error that ends the task (here the record callback fails at the first record, while later
// rewrites are under way) still lets every rewrite begun end whole, and counts and logs it.
TEST_F(ThreadProcessRewrite, AnErrorStillFinishesTheRewritesBegun) {
    TRewriteOps m_Ops;
    TTaskHarness m_Harness(Parameters(), 0ms);
    m_Harness.g_doOnRecord = [](const std::u16string&) {
        throw std::runtime_error("hand-off failed");
    };
    m_Harness.Run();
    const TThreadProcess& m_Thread = m_Harness.Thread();
    EXPECT_EQ(m_Thread.g_strErrorMessage, u"hand-off failed");
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
    const std::vector<std::string> m_arrPageLines = ReadPageLines(g_Tree.Path("logs/000001.txt"));
    const int m_intRecords = m_Thread.g_intMatchingFileCount;
    ASSERT_GE(m_intRecords, 1);
    EXPECT_EQ(m_arrPageLines.size(), static_cast<std::size_t>(m_intRecords));
    EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount + m_Thread.g_intReplaceFailureFileCount,
              m_intRecords);
    // Rewritten are exactly the successes recorded, all among the first files of the walk.
    const std::vector<std::string> m_arrWanted = WantedInWalkOrder();
    int m_intRewritten = 0;
    for (std::size_t m_intFile = 0; m_intFile < m_arrWanted.size(); ++m_intFile) {
        if (TTempTree::ReadBytes(m_arrWanted[m_intFile]) == "one pin\n") {
            ++m_intRewritten;
            EXPECT_LT(m_intFile, static_cast<std::size_t>(m_intRecords));
        }
    }
    EXPECT_EQ(m_intRewritten, m_Thread.g_intReplaceSuccessFileCount);
    for (const auto& m_strFile : WalkOrder(g_Tree.RootWithSlash() + "tree/")) {
        EXPECT_EQ(m_strFile.find("/.~mv"), std::string::npos) << m_strFile;
    }
}

} // namespace
} // namespace morvane::test
