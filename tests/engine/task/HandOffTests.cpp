// Hand-offs to the user-interface thread: the throttle, the batch, and what a task's user
// interface sees when its calls are coalesced: the same rows and page counts in the same order,
// a position that never goes back and ends at the files met, and few round trips.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "core/u_Thread.h"
#include "task/u_HandOffBatch.h"
#include "task/u_HandOffThrottle.h"
#include "task/u_ThreadSearch.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace morvane::test {
namespace {

using namespace std::chrono_literals;

// Counts the round trips to the "user-interface thread" while installed; runs each call at once.
class TCountingDispatcher {
public:
    TCountingDispatcher() {
        TThread::SetMainThreadDispatcher([this](const std::function<void()>& p_doProcedure) {
            ++g_intHandOffs;
            p_doProcedure();
        });
    }
    ~TCountingDispatcher() { TThread::SetMainThreadDispatcher({}); }
    TCountingDispatcher(const TCountingDispatcher&) = delete;
    TCountingDispatcher& operator=(const TCountingDispatcher&) = delete;

    std::atomic<int> g_intHandOffs{0};
};

// A clock that shows what the test sets.
class TManualClock {
public:
    THandOffClock Clock() {
        return [this] {
            return THandOffTime(std::chrono::milliseconds(g_intNowMs));
        };
    }
    std::int64_t g_intNowMs = 1000;
};

TEST(HandOffThrottle, IsDueFirstAndThenOncePerInterval) {
    TManualClock m_Clock;
    THandOffThrottle m_Throttle(m_Clock.Clock());
    EXPECT_TRUE(m_Throttle.IsDue());
    m_Throttle.Restart();
    const struct {
        std::int64_t g_intAdvanceMs;
        bool g_IsDue;
        bool g_IsRestarted;
    } m_arrSteps[] = {
        {0, false, false},  {24, false, false}, {1, true, true},  {10, false, false},
        {100, true, false}, {0, true, true},    {25, true, true}, {24, false, false},
    };
    for (const auto& m_Step : m_arrSteps) {
        m_Clock.g_intNowMs += m_Step.g_intAdvanceMs;
        EXPECT_EQ(m_Throttle.IsDue(), m_Step.g_IsDue) << m_Clock.g_intNowMs;
        if (m_Step.g_IsRestarted) {
            m_Throttle.Restart();
        }
    }
    m_Throttle.Reset();
    EXPECT_TRUE(m_Throttle.IsDue());
}

TEST(HandOffBatch, HandsOverWhenFullOrWhenTheFirstCallHasWaited) {
    TCountingDispatcher m_Dispatcher;
    TManualClock m_Clock;
    THandOffBatch m_Batch(m_Clock.Clock());
    std::vector<int> m_arrRun;

    for (int m_intCall = 0; m_intCall < 255; ++m_intCall) {
        m_Batch.Add([&m_arrRun, m_intCall] { m_arrRun.push_back(m_intCall); });
    }
    EXPECT_TRUE(m_arrRun.empty());
    EXPECT_EQ(m_Dispatcher.g_intHandOffs, 0);
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(255); });
    EXPECT_EQ(m_arrRun.size(), THandOffBatch::kMaxQueued);
    EXPECT_TRUE(std::is_sorted(m_arrRun.begin(), m_arrRun.end()));
    EXPECT_EQ(m_Dispatcher.g_intHandOffs, 1);
    EXPECT_TRUE(m_Batch.IsEmpty());

    // Time counts from the first call queued, not from the last hand-off.
    m_Clock.g_intNowMs += 1000;
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(1000); });
    m_Clock.g_intNowMs += 20;
    m_Batch.FlushIfDue();
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(1001); });
    EXPECT_EQ(m_Dispatcher.g_intHandOffs, 1);
    m_Clock.g_intNowMs += 5;
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(1002); });
    EXPECT_EQ(m_Dispatcher.g_intHandOffs, 2);
    EXPECT_EQ(std::vector<int>(m_arrRun.end() - 3, m_arrRun.end()),
              (std::vector<int>{1000, 1001, 1002}));

    m_Batch.Flush(); // nothing queued: no round trip
    EXPECT_EQ(m_Dispatcher.g_intHandOffs, 2);
}

TEST(HandOffBatch, ACallThatThrowsDropsTheRestOfItsBatchAndPassesTheErrorOn) {
    TManualClock m_Clock;
    THandOffBatch m_Batch(m_Clock.Clock());
    std::vector<int> m_arrRun;
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(1); });
    m_Batch.Add([] { throw std::runtime_error("gone"); });
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(3); });
    EXPECT_THROW(m_Batch.Flush(), std::runtime_error);
    EXPECT_TRUE(m_Batch.IsEmpty());
    m_Batch.Add([&m_arrRun] { m_arrRun.push_back(4); });
    m_Batch.Flush();
    EXPECT_EQ(m_arrRun, (std::vector<int>{1, 4}));
}

class TaskHandOffs : public ::testing::Test {
protected:
    // 700 files in three folders; every third one holds the find text, and ".bin" files are
    // met but not wanted.
    static void SetUpTestSuite() {
        s_Tree = new TTempTree;
        for (int m_intIndex = 0; m_intIndex < 700; ++m_intIndex) {
            const std::string m_strFolder = "tree/d" + std::to_string(m_intIndex % 3) + "/";
            const std::string m_strName =
                "f" + std::to_string(m_intIndex) + (m_intIndex % 7 == 0 ? ".bin" : ".txt");
            s_Tree->WriteFile(m_strFolder + m_strName, m_intIndex % 3 == 0 ? "a needle" : "hay");
        }
    }
    static void TearDownTestSuite() {
        delete s_Tree;
        s_Tree = nullptr;
    }

    TaskHandOffs() { g_Logs.MakeDir("logs"); }

    TTaskParameters Parameters() const {
        TTaskParameters m_Parameters;
        m_Parameters.g_strLogsDirectory = g_Logs.Path("logs").string();
        m_Parameters.g_strDirectory = s_Tree->RootWithSlash() + "tree/";
        return m_Parameters;
    }

    // Rows and page counts in the order the user interface received them.
    struct TSeen {
        std::vector<std::string> g_arrCalls;
        std::vector<std::int32_t> g_arrPositions;
        int g_intHandOffs = 0;
        std::int32_t g_intSearchFileCount = 0;
        int g_intPositionsAtCompletion = 0;
    };

    TSeen Run(std::chrono::milliseconds p_intClockStep) {
        std::filesystem::remove_all(g_Logs.Path("logs"));
        g_Logs.MakeDir("logs");
        TCountingDispatcher m_Dispatcher;
        TTaskHarness m_Harness(Parameters(), p_intClockStep);
        TSeen m_Seen;
        m_Harness.g_lvwFileList.g_doOnRow = [&m_Seen](const TFakeRow& p_Row) {
            std::string m_strCall = "row";
            for (const auto& m_strItem : p_Row.g_arrSubItems) {
                m_strCall += "|" + Utf16ToUtf8(m_strItem);
            }
            m_Seen.g_arrCalls.push_back(m_strCall);
        };
        m_Harness.g_doOnPager = [&m_Seen, &m_Harness](std::int32_t) {
            const auto& [m_intRecords, m_intPageSize, m_intPages] =
                m_Harness.g_arrPagerCalls.back();
            m_Seen.g_arrCalls.push_back("pager|" + std::to_string(m_intRecords) + "|" +
                                        std::to_string(m_intPageSize) + "|" +
                                        std::to_string(m_intPages));
        };
        m_Harness.Run();
        m_Seen.g_arrPositions = m_Harness.g_pgrProgress.g_arrPositions;
        m_Seen.g_intHandOffs = m_Dispatcher.g_intHandOffs;
        m_Seen.g_intSearchFileCount = m_Harness.Thread().g_intSearchFileCount;
        m_Seen.g_intPositionsAtCompletion = m_Harness.g_intPositionsAtCompletion;
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_EQ(m_Harness.g_intRowsAtCompletion,
                  static_cast<int>(m_Harness.g_lvwFileList.g_arrRows.size()));
        return m_Seen;
    }

    static TTempTree* s_Tree;
    TTempTree g_Logs;
};

TTempTree* TaskHandOffs::s_Tree = nullptr;

TEST_F(TaskHandOffs, BatchedCallsReachTheUserInterfaceAsTheUnbatchedOnesDo) {
    const TSeen m_Unbatched = Run(1s);
    ASSERT_EQ(m_Unbatched.g_intSearchFileCount, 700);
    ASSERT_FALSE(m_Unbatched.g_arrCalls.empty());
    // Each file's position and each record's row and page count on its own, plus completion.
    EXPECT_GE(m_Unbatched.g_intHandOffs, 700);

    for (const auto m_intStep : {0ms, 1ms, 3ms}) {
        SCOPED_TRACE(std::to_string(m_intStep.count()) + " ms per clock reading");
        const TSeen m_Batched = Run(m_intStep);
        EXPECT_EQ(m_Batched.g_arrCalls, m_Unbatched.g_arrCalls);
        EXPECT_EQ(m_Batched.g_intSearchFileCount, 700);
        ASSERT_FALSE(m_Batched.g_arrPositions.empty());
        EXPECT_TRUE(
            std::is_sorted(m_Batched.g_arrPositions.begin(), m_Batched.g_arrPositions.end()));
        // The last position set before the completion callback is the number of files met.
        ASSERT_EQ(m_Batched.g_intPositionsAtCompletion,
                  static_cast<int>(m_Batched.g_arrPositions.size()));
        EXPECT_EQ(m_Batched.g_arrPositions.back(), 700);
        EXPECT_LT(m_Batched.g_intHandOffs, m_Unbatched.g_intHandOffs / 4);
    }

    // With time standing still only the batch size and the ends of the task hand over: the
    // first position, a batch per 256 calls, and the final batch with the last position.
    const TSeen m_Frozen = Run(0ms);
    const int m_intCalls = static_cast<int>(m_Frozen.g_arrCalls.size());
    EXPECT_LE(m_Frozen.g_intHandOffs, 1 + m_intCalls / 256 + 1 + 1);
    EXPECT_EQ(m_Frozen.g_arrPositions.front(), 1);
}

TEST_F(TaskHandOffs, ThePositionIsNeverSetWithoutFilesAndTheCountPassEndsAtItsCount) {
    for (const auto m_intStep : {0ms, 5ms, 1000ms}) {
        SCOPED_TRACE(m_intStep.count());
        TFakeClock m_Clock(m_intStep);
        TFakeProgressBar m_pgrProgress;
        TThreadSearch m_trdSearch(Utf8ToUtf16Lenient(s_Tree->RootWithSlash() + "tree/"), true);
        m_trdSearch.g_pgrProgress = &m_pgrProgress;
        m_trdSearch.g_doHandOffClock = m_Clock.Clock();
        m_trdSearch.Start();
        m_trdSearch.WaitFor();
        ASSERT_FALSE(m_pgrProgress.g_arrMaxima.empty());
        EXPECT_TRUE(
            std::is_sorted(m_pgrProgress.g_arrMaxima.begin(), m_pgrProgress.g_arrMaxima.end()));
        EXPECT_EQ(m_pgrProgress.g_arrMaxima.back(), 700);
        if (m_intStep == 0ms) {
            EXPECT_EQ(m_pgrProgress.g_arrMaxima, (std::vector<std::int32_t>{1, 700}));
        }
    }

    TTempTree m_Empty;
    m_Empty.MakeDir("tree");
    TTaskParameters m_Parameters = Parameters();
    m_Parameters.g_strDirectory = m_Empty.RootWithSlash() + "tree/";
    TTaskHarness m_Harness(m_Parameters, 0ms);
    m_Harness.Run();
    EXPECT_TRUE(m_Harness.g_pgrProgress.g_arrPositions.empty());
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
}

} // namespace
} // namespace morvane::test
