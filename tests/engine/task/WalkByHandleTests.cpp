// Both walks find every folder and file through the open folder above it, never through a link:
// folders swapped for links are not followed, paths of any length work, FIFOs are never opened,
// and the log folders and rewrite temporaries are passed over by both passes alike.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "files/u_FileSystemOps.h"
#include "task/u_ThreadSearch.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <functional>
#include <thread>

#include <sys/stat.h>

namespace morvane::test {
namespace {

// The real calls, with a hook before each open of a name (safe for the read-ahead helpers).
class TOpenHookOps : public TFileSystemOps {
public:
    std::function<void(const char* p_strName, int p_intFlags)> g_doBeforeOpen;
    std::atomic<int> g_intPipeOpens{0};

    int OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags, mode_t p_intMode) override {
        if (std::strcmp(p_strPath, "pipe.txt") == 0) {
            ++g_intPipeOpens;
        }
        if (g_doBeforeOpen) {
            g_doBeforeOpen(p_strPath, p_intFlags);
        }
        return TFileSystemOps::OpenAt(p_intDirFd, p_strPath, p_intFlags, p_intMode);
    }
};

class TScopedOps {
public:
    explicit TScopedOps(TFileSystemOps& p_Ops) { SetFileSystemOpsForTesting(&p_Ops); }
    ~TScopedOps() { SetFileSystemOpsForTesting(nullptr); }
    TScopedOps(const TScopedOps&) = delete;
    TScopedOps& operator=(const TScopedOps&) = delete;
};

class WalkByHandle : public ::testing::Test {
protected:
    WalkByHandle() { g_Tree.MakeDir("logs"); }

    TTaskParameters Parameters(std::int32_t p_intMode) const {
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = p_intMode;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = g_Tree.RootWithSlash() + "tree/";
        return m_Parameters;
    }

    // The count pass over the same tree: its last maximum.
    std::int32_t CountPass(const std::string& p_strLogsDirectory) {
        TFakeProgressBar m_pgrProgress;
        TFakeClock m_Clock{std::chrono::seconds(1)};
        TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(g_Tree.RootWithSlash() + "tree/"), true);
        m_trdSearch.g_pgrProgress = &m_pgrProgress;
        m_trdSearch.g_doHandOffClock = m_Clock.Clock();
        m_trdSearch.g_strLogsDirectory = Utf8ToUtf16Lenient(p_strLogsDirectory);
        m_trdSearch.Start();
        m_trdSearch.WaitFor();
        return m_pgrProgress.g_arrMaxima.empty() ? 0 : m_pgrProgress.g_arrMaxima.back();
    }

    TTempTree g_Tree;
};

// A folder replaced by a link after it was listed and before it is opened is not followed: what
// the link leads to is neither searched nor rewritten, and nothing is reported.
TEST_F(WalkByHandle, AFolderSwappedForALinkIsNotFollowed) {
    for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
        SCOPED_TRACE(m_intMode);
        std::filesystem::remove_all(g_Tree.Path("tree"));
        g_Tree.WriteFiles({{"tree/a.txt", "needle"},
                           {"tree/swap/b.txt", "needle"},
                           {"outside/far.txt", "needle"}});
        TOpenHookOps m_Ops;
        m_Ops.g_doBeforeOpen = [this](const char* p_strName, int p_intFlags) {
            if (std::strcmp(p_strName, "swap") == 0 && (p_intFlags & O_DIRECTORY) != 0) {
                std::filesystem::rename(g_Tree.Path("tree/swap"), g_Tree.Path("tree/moved"));
                std::filesystem::create_directory_symlink(g_Tree.Path("outside"),
                                                          g_Tree.Path("tree/swap"));
            }
        };
        TScopedOps m_Scope(m_Ops);
        TTaskHarness m_Harness(Parameters(m_intMode));
        m_Harness.Run();
        EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 1);
        EXPECT_EQ(m_Harness.Thread().g_intUnprocessedFileCount, 0);
        EXPECT_EQ(m_Harness.g_arrRecordLines.size(), 1u);
        EXPECT_EQ(g_Tree.ReadFile("outside/far.txt"), "needle");
    }
}

// A FIFO is recognised from the listing and never opened, so a writer waiting for a reader
// stays blocked; a socket is never opened either.
TEST_F(WalkByHandle, AFifoIsNeverOpenedAndItsWriterStaysBlocked) {
    g_Tree.WriteFile("tree/a.txt", "needle");
    const std::string m_strPipe = g_Tree.Path("tree/pipe.txt").string();
    ASSERT_EQ(mkfifo(m_strPipe.c_str(), 0644), 0);
    std::atomic<bool> m_IsWriterOpen{false};
    std::thread m_Writer([&] {
        const int m_intFd = open(m_strPipe.c_str(), O_WRONLY | O_CLOEXEC);
        m_IsWriterOpen.store(true);
        if (m_intFd >= 0) {
            close(m_intFd);
        }
    });
    TOpenHookOps m_Ops;
    {
        TScopedOps m_Scope(m_Ops);
        for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
            TTaskHarness m_Harness(Parameters(m_intMode));
            m_Harness.Run();
            EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 2);
            EXPECT_EQ(m_Harness.Thread().g_intUnprocessedFileCount, 0);
        }
        EXPECT_EQ(CountPass(std::string()), 2);
    }
    EXPECT_EQ(m_Ops.g_intPipeOpens.load(), 0);
    EXPECT_FALSE(m_IsWriterOpen.load());
    // Lets the writer go.
    const int m_intReader = open(m_strPipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_Writer.join();
    close(m_intReader);
}

// Folders nested far beyond the system's path length limit are walked, searched and rewritten:
// no path below the root is looked up from the root.
TEST_F(WalkByHandle, PathsLongerThanTheSystemLimitWork) {
    // Made, read and taken down level by level through open folders: the path is too long for
    // any call that takes a path.
    const std::string m_strLevel(200, 'd');
    g_Tree.MakeDir("tree");
    std::vector<int> m_arrFolders{open(g_Tree.Path("tree").c_str(), O_RDONLY | O_DIRECTORY)};
    std::string m_strPath = g_Tree.RootWithSlash() + "tree/";
    while (m_strPath.size() < 5000) {
        ASSERT_EQ(mkdirat(m_arrFolders.back(), m_strLevel.c_str(), 0755), 0);
        m_arrFolders.push_back(openat(m_arrFolders.back(), m_strLevel.c_str(), O_RDONLY));
        ASSERT_GE(m_arrFolders.back(), 0);
        m_strPath += m_strLevel + "/";
    }
    const int m_intBottom = m_arrFolders.back();
    const int m_intFile = openat(m_intBottom, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(write(m_intFile, "needle", 6), 6);
    close(m_intFile);

    for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
        SCOPED_TRACE(m_intMode);
        TTaskHarness m_Harness(Parameters(m_intMode));
        m_Harness.Run();
        ASSERT_EQ(m_Harness.g_arrRecordLines.size(), 1u);
        EXPECT_EQ(Utf16ToUtf8(m_Harness.g_arrRecordLines[0]),
                  "1|成功|UTF8无Bom|" + m_strPath + "deep.txt" +
                      (m_intMode == kModeReplace ? "|" : ""));
    }
    EXPECT_EQ(CountPass(std::string()), 1);
    std::string m_strBytes(16, '\0');
    const int m_intRead = openat(m_intBottom, "deep.txt", O_RDONLY);
    m_strBytes.resize(static_cast<std::size_t>(read(m_intRead, m_strBytes.data(), 16)));
    close(m_intRead);
    EXPECT_EQ(m_strBytes, "pin");

    unlinkat(m_intBottom, "deep.txt", 0);
    for (std::size_t m_intLevel = m_arrFolders.size() - 1; m_intLevel > 0; --m_intLevel) {
        close(m_arrFolders[m_intLevel]);
        unlinkat(m_arrFolders[m_intLevel - 1], m_strLevel.c_str(), AT_REMOVEDIR);
    }
    close(m_arrFolders.front());
}

// The folder of the task log folders, the task's own, and the rewrite temporaries: neither pass
// meets them, so both count the same files.
TEST_F(WalkByHandle, LogFoldersAndTemporariesAreLeftOutByBothPasses) {
    g_Tree.WriteFiles({{"tree/a.txt", "needle"},
                       {"tree/.~mvabcd1234.tmp", "needle"},
                       {"tree/deep/b.txt", "needle"},
                       {"tree/deep/logs/20260101_000000/000001.txt", "needle"},
                       {"tree/deep/logs/20260102_000000/000001.txt", "needle"}});
    const std::string m_strTaskLogs = g_Tree.Path("tree/deep/logs/20260102_000000").string();
    // Newer than the task, as another task's rewrite under way would be: not removed either.
    const timespec m_arrTimes[2] = {{std::time(nullptr) + 3600, 0}, {std::time(nullptr) + 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, g_Tree.Path("tree/.~mvabcd1234.tmp").c_str(), m_arrTimes, 0), 0);
    for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
        SCOPED_TRACE(m_intMode);
        TTaskParameters m_Parameters = Parameters(m_intMode);
        m_Parameters.g_strLogsDirectory = m_strTaskLogs;
        m_Parameters.g_strNewText = u"needle"; // the same files match in the second round
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 2);
        EXPECT_EQ(m_Harness.Thread().g_intMatchingFileCount, 2);
        EXPECT_EQ(CountPass(m_strTaskLogs), 2);
    }
    EXPECT_EQ(g_Tree.ReadFile("tree/.~mvabcd1234.tmp"), "needle");
    EXPECT_EQ(g_Tree.ReadFile("tree/deep/logs/20260101_000000/000001.txt"), "needle");
    // Without a log folder in the tree, all of it is met.
    EXPECT_EQ(CountPass(g_Tree.Path("logs").string()), 4);
}

// A replace task removes the stale temporaries of the folders it rewrites in: its user's, older
// than the task. Others stay: a newer one may be another task's rewrite under way.
TEST_F(WalkByHandle, StaleTemporariesAreRemovedWhereTheTaskRewrites) {
    struct TCase {
        const char* g_strPath;
        bool g_IsStale;  // modified long before the task
        bool g_IsOthers; // owned by another user (root only can arrange that)
        bool g_IsRemoved;
    };
    const TCase m_arrCases[] = {
        {"tree/a/.~mvstale001.tmp", true, false, true},
        {"tree/a/.~mvfresh001.tmp", false, false, false},
        {"tree/a/.~mvother001.tmp", true, true, false},
        {"tree/b/.~mvstale002.tmp", true, false, false}, // no rewrite in b
    };
    g_Tree.WriteFiles({{"tree/a/hit.txt", "needle"}, {"tree/b/miss.txt", "nothing"}});
    const bool m_IsRoot = geteuid() == 0;
    for (const auto& m_Case : m_arrCases) {
        const auto m_Path = g_Tree.WriteFile(m_Case.g_strPath, "left over");
        // Long past, or an hour ahead of the task.
        const timespec m_Time{m_Case.g_IsStale ? 946684800 : std::time(nullptr) + 3600, 0};
        const timespec m_arrTimes[2] = {m_Time, m_Time};
        ASSERT_EQ(utimensat(AT_FDCWD, m_Path.c_str(), m_arrTimes, 0), 0);
        if (m_Case.g_IsOthers && m_IsRoot) {
            ASSERT_EQ(chown(m_Path.c_str(), 65534, 65534), 0);
        }
    }
    TTaskHarness m_Harness(Parameters(kModeReplace));
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 2);
    EXPECT_EQ(m_Harness.Thread().g_intReplaceSuccessFileCount, 1);
    for (const auto& m_Case : m_arrCases) {
        if (m_Case.g_IsOthers && !m_IsRoot) {
            continue; // every file here is the user's own
        }
        EXPECT_EQ(std::filesystem::exists(g_Tree.Path(m_Case.g_strPath)), !m_Case.g_IsRemoved)
            << m_Case.g_strPath;
    }
}

} // namespace
} // namespace morvane::test
