// Reading ahead of the walk's handling: whatever the budget for bytes read ahead, every file is
// handled once, in walk order, with the same records; a large file waits until it is the next
// to be handled, and the task never waits for a file that waits for the task.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

namespace morvane::test {
namespace {

using namespace std::chrono_literals;

class ReadAhead : public ::testing::Test {
protected:
    // 400 files of about 2 KB in four folders; every third one holds the find text.
    static void SetUpTestSuite() {
        s_Tree = new TTempTree;
        for (int m_intIndex = 0; m_intIndex < 400; ++m_intIndex) {
            std::string m_strBytes(2000, 'y');
            if (m_intIndex % 3 == 0) {
                m_strBytes.replace(static_cast<std::size_t>(m_intIndex) % 1990, 6, "needle");
            }
            s_Tree->WriteFile("tree/d" + std::to_string(m_intIndex % 4) + "/f" +
                                  std::to_string(m_intIndex) + ".txt",
                              m_strBytes);
        }
    }
    static void TearDownTestSuite() {
        delete s_Tree;
        s_Tree = nullptr;
    }

    ReadAhead() { g_Logs.MakeDir("logs"); }

    TTaskParameters Parameters() const {
        TTaskParameters m_Parameters;
        m_Parameters.g_strLogsDirectory = g_Logs.Path("logs").string();
        m_Parameters.g_strDirectory = s_Tree->RootWithSlash() + "tree/";
        return m_Parameters;
    }

    static std::vector<std::string> MatchingInWalkOrder() {
        std::vector<std::string> m_arrMatching;
        for (const auto& m_strFile : WalkOrder(s_Tree->RootWithSlash() + "tree/")) {
            if (TTempTree::ReadBytes(m_strFile).find("needle") != std::string::npos) {
                m_arrMatching.push_back(m_strFile);
            }
        }
        return m_arrMatching;
    }

    static std::vector<std::string> RecordedFiles(const TTaskHarness& p_Harness) {
        std::vector<std::string> m_arrFiles;
        for (const auto& m_strLine : p_Harness.g_arrRecordLines) {
            const std::string m_strText = Utf16ToUtf8(m_strLine);
            m_arrFiles.push_back(m_strText.substr(m_strText.find('/')));
        }
        return m_arrFiles;
    }

    static TTempTree* s_Tree;
    TTempTree g_Logs;
};

TTempTree* ReadAhead::s_Tree = nullptr;

TEST_F(ReadAhead, EveryBudgetGivesTheSameRecordsInWalkOrder) {
    const std::vector<std::string> m_arrExpected = MatchingInWalkOrder();
    ASSERT_EQ(m_arrExpected.size(), 134u);
    // No file fits (only the next one to be handled is ever read), two fit (a file of 2000
    // bytes costs three times that while it is tested), all fit.
    for (const std::uint64_t m_intBudget :
         {std::uint64_t{1000}, std::uint64_t{13000}, std::uint64_t{32} << 20}) {
        for (const auto m_intStep : {0ms, 1000ms}) {
            SCOPED_TRACE(std::to_string(m_intBudget) + " bytes, clock step " +
                         std::to_string(m_intStep.count()));
            TTaskHarness m_Harness(Parameters(), m_intStep);
            m_Harness.Thread().g_intReadAheadByteBudget = m_intBudget;
            m_Harness.Run();
            EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 400);
            EXPECT_EQ(RecordedFiles(m_Harness), m_arrExpected);
            EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        }
    }
}

// In find mode too a stop ends the task right after the file whose position asked for it,
// however far the reading had run ahead: later files are neither counted nor recorded.
TEST_F(ReadAhead, AStopDropsWhatWasReadAhead) {
    const std::vector<std::string> m_arrAll = WalkOrder(s_Tree->RootWithSlash() + "tree/");
    TTaskHarness m_Harness(Parameters());
    TThreadProcess* m_trdProcess = &m_Harness.Thread();
    m_Harness.g_pgrProgress.g_doOnPosition = [m_trdProcess](std::int32_t p_intPosition) {
        if (p_intPosition == 150) {
            m_trdProcess->g_IsStoped = true;
        }
    };
    m_Harness.Run();
    EXPECT_EQ(m_trdProcess->g_intSearchFileCount, 150);
    std::vector<std::string> m_arrExpected;
    for (std::size_t m_intIndex = 0; m_intIndex < 150; ++m_intIndex) {
        if (TTempTree::ReadBytes(m_arrAll[m_intIndex]).find("needle") != std::string::npos) {
            m_arrExpected.push_back(m_arrAll[m_intIndex]);
        }
    }
    EXPECT_EQ(RecordedFiles(m_Harness), m_arrExpected);
    EXPECT_EQ(m_Harness.g_pgrProgress.g_arrPositions.back(), 150);
}

} // namespace
} // namespace morvane::test
