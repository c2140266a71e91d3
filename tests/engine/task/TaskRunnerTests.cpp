// One task through TTaskRunner without a window: each way a task ends, and its log folder. Without
// a dispatcher the workers' hand-offs run on the workers, so WaitFor is safe here.

#include "CaseName.h"
#include "FakeLogsClock.h"
#include "FakeUi.h"
#include "TempTree.h"
#include "core/u_Thread.h"
#include "task/u_TaskRunner.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace morvane {
namespace {

using test::LocalTime;
using test::TFakeListView;
using test::TFakeLogsClock;
using test::TFakeLogsClockScope;
using test::TFakeProgressBar;
using test::TTempTree;

constexpr int kFileCount = 40;

class TaskRunner : public ::testing::Test {
protected:
    void SetUp() override {
        for (int m_intFile = 0; m_intFile < kFileCount; ++m_intFile) {
            g_Tree.WriteFile("tree/f" + std::to_string(m_intFile) + ".txt", "a needle here");
        }
        g_Tree.WriteFile("tree/other.htm", "a needle, not wanted");
    }

    morvane::TTaskParameters Parameters() const {
        morvane::TTaskParameters m_Task;
        m_Task.g_strLogsFileDirectory = U16(g_Tree.Path("logs").string());
        m_Task.g_strDirectory = U16(g_Tree.Path("tree").string() + "/");
        m_Task.g_strOldText = u"NEEDLE";
        m_Task.g_strExtension = u"*.TXT|";
        return m_Task;
    }

    // Wires the runner to the fakes and counts what it reports.
    void Wire(TTaskRunner& p_Runner) {
        p_Runner.g_pgrProgress = &g_pgrProgress;
        p_Runner.g_lvwFileList = &g_lvwFileList;
        p_Runner.g_doCheckCompletedCallBackProcedure = [this, &p_Runner] {
            ++g_intCompletedCalls;
            g_IsEndedInCallback = p_Runner.IsEnded();
        };
        p_Runner.g_doTaskEndedProcedure = [this] {
            ++g_intEndedCalls;
        };
        p_Runner.g_doProcessRecordCallBackProcedure = [this](const TProcessRecord&) {
            if (g_doOnRecord) {
                g_doOnRecord();
            }
        };
    }

    // What the owner without a window does: start, wait, settle.
    void Run(TTaskRunner& p_Runner) {
        p_Runner.Start();
        p_Runner.WaitFor();
        g_IsSettled = p_Runner.SettleEnd();
    }

    static std::u16string U16(const std::string& p_strText) {
        return Utf8ToUtf16Lenient(p_strText);
    }

    TTempTree g_Tree;
    TFakeLogsClock g_LogsClock{LocalTime(2026, 12, 8, 10, 15, 30)};
    TFakeLogsClockScope g_LogsClockScope{g_LogsClock};
    TFakeProgressBar g_pgrProgress;
    TFakeListView g_lvwFileList;
    std::function<void()> g_doOnRecord;
    std::atomic<int> g_intCompletedCalls{0};
    std::atomic<int> g_intEndedCalls{0};
    std::atomic<bool> g_IsEndedInCallback{false};
    bool g_IsSettled = false;
};

// A dispatcher that cannot reach any user interface: every hand-off fails, the last one too.
class TBrokenDispatcherScope {
public:
    TBrokenDispatcherScope() {
        TThread::SetMainThreadDispatcher(
            [](const std::function<void()>&) { throw std::runtime_error("no user interface"); });
    }
    ~TBrokenDispatcherScope() { TThread::SetMainThreadDispatcher({}); }
};

class TaskRunnerEnd;

struct TEndCase {
    const char* g_strName;
    // Before Start: breaks or stops the task its way.
    std::function<void(TaskRunnerEnd& p_Test, TTaskRunner& p_Runner)> g_doArrange;
    TTaskState g_State;
    bool g_IsStartFailed;
    bool g_IsSettled;           // the end was known only through SettleEnd
    const char* g_strErrorPart; // what the reason names; empty: no error
    std::int32_t g_intSearched; // -1: not checked
    std::int32_t g_intMatching; // -1: not checked
};

class TaskRunnerEnd : public TaskRunner, public ::testing::WithParamInterface<TEndCase> {
public:
    void RemoveLogsOnFirstRecord(TTaskRunner& p_Runner) {
        g_doOnRecord = [&p_Runner] {
            std::filesystem::remove_all(Utf16ToUtf8(p_Runner.TaskLogsDirectory()));
        };
    }
    void StopOnFirstRecord(TTaskRunner& p_Runner) {
        g_doOnRecord = [&p_Runner] {
            p_Runner.RequestStop();
        };
    }
    void BlockTheLogsFolder() { g_Tree.WriteFile("logs", "a file where the logs go"); }
};

TEST_P(TaskRunnerEnd, IsKnownOnceWithItsReasonAndCounts) {
    const TEndCase& m_Case = GetParam();
    TTaskRunner m_Runner(Parameters());
    Wire(m_Runner);
    if (m_Case.g_doArrange) {
        m_Case.g_doArrange(*this, m_Runner);
    }
    {
        std::unique_ptr<TBrokenDispatcherScope> m_Broken;
        if (m_Case.g_IsSettled) {
            m_Broken = std::make_unique<TBrokenDispatcherScope>();
        }
        Run(m_Runner);
    }

    EXPECT_EQ(m_Runner.State(), m_Case.g_State);
    EXPECT_EQ(m_Runner.IsStartFailed(), m_Case.g_IsStartFailed);
    EXPECT_EQ(g_IsSettled, m_Case.g_IsSettled);
    EXPECT_EQ(g_intCompletedCalls.load(), 1);
    EXPECT_EQ(g_intEndedCalls.load(), 1);
    EXPECT_TRUE(g_IsEndedInCallback.load());
    EXPECT_FALSE(m_Runner.IsAlive());
    EXPECT_FALSE(m_Runner.SettleEnd()) << "an end is settled once";

    const TTaskSummaryInput m_Summary = m_Runner.SummaryInput();
    EXPECT_EQ(m_Summary.g_strErrorMessage, m_Runner.ErrorMessage());
    EXPECT_EQ(m_Summary.g_IsStoped, m_Case.g_State == TTaskState::Stopped);
    const std::string m_strError = Utf16ToUtf8(m_Runner.ErrorMessage());
    if (*m_Case.g_strErrorPart == '\0') {
        EXPECT_EQ(m_strError, "");
    } else {
        EXPECT_NE(m_strError.find(m_Case.g_strErrorPart), std::string::npos) << m_strError;
    }
    if (m_Case.g_intSearched >= 0) {
        EXPECT_EQ(m_Summary.g_intSearchFileCount, m_Case.g_intSearched);
    }
    if (m_Case.g_intMatching >= 0) {
        EXPECT_EQ(m_Summary.g_intMatchingFileCount, m_Case.g_intMatching);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ends, TaskRunnerEnd,
    ::testing::Values(
        TEndCase{
            "Finished", {}, TTaskState::Finished, false, false, "", kFileCount + 1, kFileCount},
        TEndCase{"StoppedBeforeTheWalk",
                 [](TaskRunnerEnd&, TTaskRunner& p_Runner) { p_Runner.RequestStop(); },
                 TTaskState::Stopped, false, false, "", 0, 0},
        // Find mode reads ahead but handles no file after the one being recorded.
        TEndCase{"StoppedDuringTheWalk",
                 [](TaskRunnerEnd& p_Test, TTaskRunner& p_Runner) {
                     p_Test.StopOnFirstRecord(p_Runner);
                 },
                 TTaskState::Stopped, false, false, "", -1, 1},
        TEndCase{"PageCannotBeWritten",
                 [](TaskRunnerEnd& p_Test, TTaskRunner& p_Runner) {
                     p_Test.RemoveLogsOnFirstRecord(p_Runner);
                 },
                 TTaskState::Failed, false, false, "000001.txt", kFileCount + 1, kFileCount},
        TEndCase{"LogFolderCannotBeMade",
                 [](TaskRunnerEnd& p_Test, TTaskRunner&) { p_Test.BlockTheLogsFolder(); },
                 TTaskState::Failed, true, false, "logs", 0, 0},
        // The completion hand-off fails too: the end is known only from the thread's end.
        TEndCase{"HandOffsCannotReachTheUserInterface",
                 {},
                 TTaskState::Failed,
                 false,
                 true,
                 "no user interface",
                 -1,
                 -1}),
    test::TCaseNameFromName());

TEST_F(TaskRunner, MakesItsOwnLogFolderAndNeverSharesATakenSecond) {
    g_Tree.WriteFile("logs/20261208_101530/000001.txt", "an earlier task's page");
    TTaskRunner m_Runner(Parameters());
    Wire(m_Runner);
    Run(m_Runner);
    ASSERT_EQ(m_Runner.State(), TTaskState::Finished);
    EXPECT_EQ(m_Runner.TaskLogsDirectory(), U16(g_Tree.Path("logs/20261208_101531").string()));
    EXPECT_EQ(g_Tree.ReadFile("logs/20261208_101530/000001.txt"), "an earlier task's page");
    EXPECT_TRUE(std::filesystem::exists(g_Tree.Path("logs/20261208_101531/000001.txt")));
    // How far the count pass got is not asserted: it is stopped once the processing thread ends,
    // which on a fast walk may be before it has counted anything.
    EXPECT_EQ(g_lvwFileList.RowCount(), kFileCount);
}

// The preview kind reaches the processing thread and the summary; it is a replace's preview only.
TEST_F(TaskRunner, APreviewCountsTheReplaceableFilesAndRewritesNone) {
    for (const std::int32_t m_intMode : {kModeReplace, kModeFind}) {
        SCOPED_TRACE(m_intMode);
        morvane::TTaskParameters m_Task = Parameters();
        m_Task.g_Kind = TTaskKind::ReplacePreview;
        m_Task.g_intMode = m_intMode;
        m_Task.g_strNewText = u"pin";
        TTaskRunner m_Runner(m_Task);
        Wire(m_Runner);
        Run(m_Runner);
        const TTaskSummaryInput m_Summary = m_Runner.SummaryInput();
        if (m_intMode == kModeReplace) {
            EXPECT_EQ(m_Runner.State(), TTaskState::Finished);
            EXPECT_TRUE(m_Summary.g_IsPreview);
            EXPECT_EQ(m_Summary.g_intReplaceSuccessFileCount, kFileCount);
        } else {
            EXPECT_EQ(m_Runner.State(), TTaskState::Failed);
            EXPECT_EQ(Utf16ToUtf8(m_Runner.ErrorMessage()), "A replace preview needs replace mode");
        }
        EXPECT_EQ(g_Tree.ReadFile("tree/f0.txt"), "a needle here");
    }
}

} // namespace
} // namespace morvane
