// Wanted files and folders the task cannot take are reported, not passed over: each gets a "失败"
// record with the reason, in both modes, and counts as a file that could not be processed.

#include "../files/RewriteTestSupport.h"
#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "files/u_FileRead.h"
#include "files/u_FileSystemOps.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <sstream>

namespace morvane::test {
namespace {

// Appends to the file named p_strName once its first read has begun, as a writer would while
// the task reads it. Safe for the read-ahead helpers, which call it side by side.
class TGrowingFileOps : public TFileSystemOps {
public:
    explicit TGrowingFileOps(std::string p_strName, std::string p_strPath)
        : g_strName(std::move(p_strName)), g_strPath(std::move(p_strPath)) {}

    int OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags, mode_t p_intMode) override {
        const int m_intFd = TFileSystemOps::OpenAt(p_intDirFd, p_strPath, p_intFlags, p_intMode);
        if (m_intFd >= 0 && g_strName == p_strPath) {
            g_intFd.store(m_intFd);
        }
        return m_intFd;
    }
    ssize_t Read(int p_intFd, void* p_Buffer, std::size_t p_intCount) override {
        if (p_intFd == g_intFd.load() && !g_IsGrown.exchange(true)) {
            std::ofstream(g_strPath, std::ios::app) << "more";
        }
        return TFileSystemOps::Read(p_intFd, p_Buffer, p_intCount);
    }

private:
    const std::string g_strName;
    const std::string g_strPath;
    std::atomic<int> g_intFd{-2};
    std::atomic<bool> g_IsGrown{false};
};

struct TSkipCase {
    const char* g_strPath; // relative to the tree
    const char* g_strReason;
};

const TSkipCase kSkipCases[] = {
    {"locked.txt", "Permission denied"},
    {"huge.txt", "文件大于1 GiB，未处理。"},
    {"grows.txt", "文件在读取时被修改，未处理。"},
    {"closed", "无法打开文件夹：Permission denied"},
    {"unsearchable/inner.txt", "Permission denied"},
};

class ThreadProcessSkips : public ::testing::Test {
protected:
    ThreadProcessSkips() {
        g_Tree.MakeDir("logs");
        g_Tree.WriteFiles({{"tree/hit.txt", "needle"},
                           {"tree/locked.txt", "needle"},
                           {"tree/grows.txt", "needle"},
                           {"tree/closed/x.txt", "needle"},
                           {"tree/unsearchable/inner.txt", "needle"}});
        const auto m_Huge = g_Tree.WriteFile("tree/huge.txt", "");
        // Sparse: no disk space and no time.
        std::filesystem::resize_file(m_Huge, kMaxProcessedFileSize + 1);
        // Another user runs the task when the tests run as root.
        for (const char* m_strFolder : {"logs", "tree"}) {
            chmod(g_Tree.Path(m_strFolder).c_str(), 0777);
        }
        for (const char* m_strFile : {"tree/hit.txt", "tree/grows.txt"}) {
            chmod(g_Tree.Path(m_strFile).c_str(), 0666);
        }
        chmod(g_Tree.Path("tree/locked.txt").c_str(), 0);
        chmod(g_Tree.Path("tree/closed").c_str(), 0);
        chmod(g_Tree.Path("tree/unsearchable").c_str(), 0666);
    }

    // Runs the task and tells what it did: the counters, then its records without their sequence
    // numbers, sorted (the listing's order is not the point here), then the live rows' images
    // (with "r" for a row with a reason), sorted too.
    std::string RunTask(std::int32_t p_intMode) {
        TGrowingFileOps m_Ops("grows.txt", g_Tree.Path("tree/grows.txt").string());
        SetFileSystemOpsForTesting(&m_Ops);
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = p_intMode;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = g_Tree.RootWithSlash() + "tree/";
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        SetFileSystemOpsForTesting(nullptr);
        const TThreadProcess& m_Thread = m_Harness.Thread();
        std::ostringstream m_Out;
        m_Out << m_Thread.g_intSearchFileCount << ' ' << m_Thread.g_intMatchingFileCount << ' '
              << m_Thread.g_intReplaceFailureFileCount << ' ' << m_Thread.g_intUnprocessedFileCount
              << '\n';
        std::vector<std::string> m_arrLines;
        for (const auto& m_strLine : m_Harness.g_arrRecordLines) {
            const std::string m_strText = Utf16ToUtf8(m_strLine);
            m_arrLines.push_back(m_strText.substr(m_strText.find('|') + 1));
        }
        std::sort(m_arrLines.begin(), m_arrLines.end());
        for (const auto& m_strLine : m_arrLines) {
            m_Out << m_strLine << '\n';
        }
        std::vector<std::string> m_arrRows;
        for (const auto& m_Row : m_Harness.g_lvwFileList.g_arrRows) {
            m_arrRows.push_back(std::to_string(m_Row.g_intImageIndex) +
                                (m_Row.g_arrSubItems.size() == 5 ? "r " : " "));
        }
        std::sort(m_arrRows.begin(), m_arrRows.end());
        for (const auto& m_strRow : m_arrRows) {
            m_Out << m_strRow;
        }
        return m_Out.str();
    }

    // What RunTask should tell: met are hit, locked, huge, grows and inner (the closed folder
    // is not opened); only hit matches.
    std::string Expected(std::int32_t p_intMode) const {
        const std::string m_strRoot = g_Tree.RootWithSlash() + "tree/";
        std::vector<std::string> m_arrLines = {"成功|UTF8无Bom|" + m_strRoot + "hit.txt" +
                                               (p_intMode == kModeReplace ? "|" : "")};
        for (const auto& m_Case : kSkipCases) {
            m_arrLines.push_back("失败|unknow|" + m_strRoot + m_Case.g_strPath + "|" +
                                 m_Case.g_strReason);
        }
        std::sort(m_arrLines.begin(), m_arrLines.end());
        std::ostringstream m_Out;
        m_Out << "5 1 0 " << std::size(kSkipCases) << '\n';
        for (const auto& m_strLine : m_arrLines) {
            m_Out << m_strLine << '\n';
        }
        return m_Out.str();
    }

    TTempTree g_Tree;
};

TEST_F(ThreadProcessSkips, EveryFileOrFolderThatCannotBeReadGetsAFailureRecord) {
    for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
        SCOPED_TRACE(m_intMode);
        // Root reads whatever it likes: the task then runs as another user.
        const std::string m_strResult = geteuid() != 0 ? RunTask(m_intMode) : RunInChild([&] {
            return BecomeNobody() ? RunTask(m_intMode) : std::string("cannot drop root");
        });
        if (m_strResult == "cannot drop root") {
            GTEST_SKIP() << "running as root without leave to become another user, so no "
                            "permission refusal can be seen";
        }
        const std::size_t m_intRows = m_strResult.rfind('\n');
        ASSERT_NE(m_intRows, std::string::npos) << m_strResult;
        EXPECT_EQ(m_strResult.substr(0, m_intRows + 1), Expected(m_intMode));
        // One row per record; a failure shows image 1, and carries its reason in find mode too.
        EXPECT_EQ(m_strResult.substr(m_intRows + 1),
                  m_intMode == kModeReplace ? "0r 1r 1r 1r 1r 1r " : "0 1r 1r 1r 1r 1r ");
    }
}

} // namespace
} // namespace morvane::test
