// The file count pass: every file met by the walk's rules, whatever its extension.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "task/u_ThreadSearch.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sys/stat.h>

namespace morvane::test {
namespace {

class ThreadSearchCount : public ::testing::Test {
protected:
    ThreadSearchCount() {
        g_Tree.WriteFiles({{"tree/a.txt", "x"},
                           {"tree/Makefile", "x"},
                           {"tree/b.BIN", "x"},
                           {"tree/.hidden", "x"},
                           {"tree/sub/c.txt", "x"},
                           {"tree/sub/.git/d", "x"},
                           {"outside/e.txt", "x"}});
        g_Tree.MakeDir("tree/empty");
        g_Tree.MakeSymlink(g_Tree.Path("tree/a.txt").string(), "tree/link.txt");
        g_Tree.MakeSymlink(g_Tree.Path("outside").string(), "tree/linkdir");
        mkfifo(g_Tree.Path("tree/sub/pipe").c_str(), 0644);
    }
    std::string TreeRoot() const { return g_Tree.RootWithSlash() + "tree/"; }

    static std::vector<std::int32_t> OneTo(std::int32_t p_intCount) {
        std::vector<std::int32_t> m_arrNumbers(static_cast<std::size_t>(p_intCount));
        std::iota(m_arrNumbers.begin(), m_arrNumbers.end(), 1);
        return m_arrNumbers;
    }

    TTempTree g_Tree;
    // Every hand-off due at once: each count reaches the bar on its own.
    TFakeClock g_Clock{std::chrono::seconds(1)};
};

TEST_F(ThreadSearchCount, CountsEveryFileOfEveryKindButNoLinks) {
    for (const bool m_IsContainSubFloder : {true, false}) {
        SCOPED_TRACE(m_IsContainSubFloder);
        TFakeProgressBar m_pgrProgress;
        TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(TreeRoot()), m_IsContainSubFloder);
        m_trdSearch.g_pgrProgress = &m_pgrProgress;
        m_trdSearch.g_doHandOffClock = g_Clock.Clock();
        m_trdSearch.Start();
        m_trdSearch.WaitFor();
        const int m_intExpected = m_IsContainSubFloder ? 7 : 4;
        EXPECT_EQ(m_pgrProgress.g_arrMaxima, OneTo(m_intExpected));
        EXPECT_TRUE(m_pgrProgress.g_arrPositions.empty());
        EXPECT_EQ(m_intExpected,
                  static_cast<int>(WalkOrder(TreeRoot(), m_IsContainSubFloder).size()));
        EXPECT_TRUE(m_trdSearch.g_IsCompleted);
        EXPECT_FALSE(m_trdSearch.g_IsAlive());
        EXPECT_EQ(m_trdSearch.Priority(), TThreadPriority::Highest);
        EXPECT_FALSE(m_trdSearch.FreeOnTerminate());
    }
}

TEST_F(ThreadSearchCount, EmptyOrMissingRootNeverSetsTheMaximum) {
    for (const std::string& m_strRoot : {TreeRoot() + "empty/", TreeRoot() + "missing/"}) {
        SCOPED_TRACE(m_strRoot);
        TFakeProgressBar m_pgrProgress;
        TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(m_strRoot), true);
        m_trdSearch.g_pgrProgress = &m_pgrProgress;
        m_trdSearch.g_doHandOffClock = g_Clock.Clock();
        m_trdSearch.Start();
        m_trdSearch.WaitFor();
        EXPECT_TRUE(m_pgrProgress.g_arrMaxima.empty());
        EXPECT_TRUE(m_trdSearch.g_IsCompleted);
    }
}

TEST_F(ThreadSearchCount, StopEndsTheCountAtTheNextCheckPoint) {
    TFakeProgressBar m_pgrProgress;
    TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(TreeRoot()), true);
    m_trdSearch.g_pgrProgress = &m_pgrProgress;
    m_trdSearch.g_doHandOffClock = g_Clock.Clock();
    m_pgrProgress.g_doOnMax = [&m_trdSearch](std::int32_t p_intMax) {
        if (p_intMax == 2) {
            m_trdSearch.g_IsStoped = true;
        }
    };
    m_trdSearch.Start();
    m_trdSearch.WaitFor();
    EXPECT_EQ(m_pgrProgress.g_arrMaxima, OneTo(2));
    EXPECT_TRUE(m_trdSearch.g_IsCompleted);

    TFakeProgressBar m_pgrUnused;
    TThreadSearch m_trdStoppedEarly(Utf8ToUtf16Lenient(TreeRoot()), true);
    m_trdStoppedEarly.g_pgrProgress = &m_pgrUnused;
    m_trdStoppedEarly.g_IsStoped = true;
    m_trdStoppedEarly.Start();
    m_trdStoppedEarly.WaitFor();
    EXPECT_TRUE(m_pgrUnused.g_arrMaxima.empty());
    EXPECT_TRUE(m_trdStoppedEarly.g_IsCompleted);
}

// Both workers of a task feed one progress bar: on an unchanged tree the count ends at the
// number of files the processing walk meets.
TEST_F(ThreadSearchCount, CountMatchesTheFilesTheProcessingWalkMeets) {
    g_Tree.MakeDir("logs");
    TTaskParameters m_Parameters;
    m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
    m_Parameters.g_strDirectory = TreeRoot();
    TTaskHarness m_Harness(m_Parameters);
    TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(TreeRoot()), true);
    m_trdSearch.g_pgrProgress = &m_Harness.g_pgrProgress;
    m_trdSearch.Start();
    m_Harness.Run();
    m_trdSearch.WaitFor();
    ASSERT_FALSE(m_Harness.g_pgrProgress.g_arrMaxima.empty());
    EXPECT_EQ(m_Harness.g_pgrProgress.g_arrMaxima.back(), m_Harness.Thread().g_intSearchFileCount);
    EXPECT_EQ(m_Harness.g_pgrProgress.g_arrPositions.back(),
              m_Harness.Thread().g_intSearchFileCount);
}

} // namespace
} // namespace morvane::test
