// Log pages of 5000 records, the live list of page 1, the page-count callback, and how a task
// ends when a page cannot be written.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

namespace morvane::test {
namespace {

class ThreadProcessPaging : public ::testing::Test {
protected:
    // One tree of 12345 files for the whole suite, since creating files is what costs here.
    // Every file holds the find text; which of them a task takes is chosen by the extension:
    // 4999 ".a", one ".b", one ".c" and 7344 ".d".
    static void SetUpTestSuite() {
        s_Tree = new TTempTree;
        const auto m_Folder = s_Tree->Path("tree");
        WriteManyFiles(m_Folder, 0, 4999, ".a", "needle");
        WriteManyFiles(m_Folder, 4999, 1, ".b", "needle");
        WriteManyFiles(m_Folder, 5000, 1, ".c", "needle");
        WriteManyFiles(m_Folder, 5001, 7344, ".d", "needle");
    }
    static void TearDownTestSuite() {
        delete s_Tree;
        s_Tree = nullptr;
    }

    ThreadProcessPaging() { g_Tree.MakeDir("logs"); }

    TTaskParameters Parameters(std::u16string p_strExtension = u"*.a|*.b|*.c|*.d|") const {
        TTaskParameters m_Parameters;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = s_Tree->RootWithSlash() + "tree/";
        m_Parameters.g_strExtension = std::move(p_strExtension);
        return m_Parameters;
    }

    static constexpr int kFilesInTree = 12345;
    static TTempTree* s_Tree;
    TTempTree g_Tree; // the logs
};

TTempTree* ThreadProcessPaging::s_Tree = nullptr;

struct TPagingCase {
    std::u16string g_strExtension;
    int g_intRecords;
    int g_intStopAtRecord; // 0: run to the end
    std::vector<std::size_t> g_arrPageLines;
    // 0: hand-offs batched by size and at the ends of the task only.
    std::chrono::milliseconds g_intClockStep = std::chrono::seconds(1);
};

TEST_F(ThreadProcessPaging, PagesHoldFiveThousandRecordsEach) {
    const TPagingCase m_arrCases[] = {
        {u"*.a|", 4999, 0, {4999}},
        {u"*.a|*.b|", 5000, 0, {5000}},
        {u"*.a|*.b|*.c|", 5001, 0, {5000, 1}},
        {u"*.a|*.b|*.c|*.d|", 12345, 0, {5000, 5000, 2345}},
        {u"*.a|*.b|*.c|*.d|", 7000, 7000, {5000, 2000}},
        {u"*.a|*.b|*.c|", 5001, 0, {5000, 1}, std::chrono::milliseconds(0)},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(std::to_string(m_Case.g_intRecords) + " records, clock step " +
                     std::to_string(m_Case.g_intClockStep.count()));
        std::filesystem::remove_all(g_Tree.Path("logs"));
        g_Tree.MakeDir("logs");

        TTaskHarness m_Harness(Parameters(m_Case.g_strExtension), m_Case.g_intClockStep);
        TThreadProcess* m_trdProcess = &m_Harness.Thread();
        // Page 1's file must appear exactly when its 5000th record is made, not before.
        std::vector<bool> m_arrFirstPageExists;
        const auto m_FirstPage = g_Tree.Path("logs/000001.txt");
        m_Harness.g_doOnPager = [&, m_trdProcess](std::int32_t p_intRecordCount) {
            if (p_intRecordCount == 4999 || p_intRecordCount == 5000) {
                m_arrFirstPageExists.push_back(std::filesystem::exists(m_FirstPage));
            }
            if (p_intRecordCount == m_Case.g_intStopAtRecord) {
                m_trdProcess->g_IsStoped = true;
            }
        };
        m_Harness.Run();

        const int m_intRecords = m_Case.g_intRecords;
        EXPECT_EQ(m_trdProcess->g_intMatchingFileCount, m_intRecords);
        if (m_Case.g_intStopAtRecord == 0) {
            EXPECT_EQ(m_trdProcess->g_intSearchFileCount, kFilesInTree);
        }
        if (m_intRecords >= 5000) {
            EXPECT_EQ(m_arrFirstPageExists, (std::vector<bool>{false, true}));
        }

        // Pages: sizes, names, and sequence numbers 1..n without gaps across page boundaries.
        std::vector<std::string> m_arrExpectedNames;
        std::vector<std::string> m_arrAllLines;
        for (std::size_t m_intPage = 0; m_intPage < m_Case.g_arrPageLines.size(); ++m_intPage) {
            char m_strName[32];
            std::snprintf(m_strName, sizeof m_strName, "%06zu.txt", m_intPage + 1);
            m_arrExpectedNames.emplace_back(m_strName);
            const auto m_arrLines = ReadPageLines(g_Tree.Path("logs") / m_strName);
            EXPECT_EQ(m_arrLines.size(), m_Case.g_arrPageLines[m_intPage]) << m_strName;
            m_arrAllLines.insert(m_arrAllLines.end(), m_arrLines.begin(), m_arrLines.end());
        }
        EXPECT_EQ(FolderNames(g_Tree.Path("logs")), m_arrExpectedNames);
        ASSERT_EQ(m_arrAllLines.size(), static_cast<std::size_t>(m_intRecords));
        ASSERT_EQ(m_Harness.g_arrRecordLines.size(), m_arrAllLines.size());
        for (std::size_t m_intLine = 0; m_intLine < m_arrAllLines.size(); ++m_intLine) {
            const std::string& m_strLine = m_arrAllLines[m_intLine];
            ASSERT_EQ(m_strLine.substr(0, m_strLine.find('|')), std::to_string(m_intLine + 1));
            ASSERT_EQ(m_strLine, Utf16ToUtf8(m_Harness.g_arrRecordLines[m_intLine]));
        }

        // One page-count callback per record, (n, 5000, ceil(n / 5000)).
        ASSERT_EQ(m_Harness.g_arrPagerCalls.size(), static_cast<std::size_t>(m_intRecords));
        for (int m_intRecord = 1; m_intRecord <= m_intRecords; ++m_intRecord) {
            ASSERT_EQ(m_Harness.g_arrPagerCalls[static_cast<std::size_t>(m_intRecord - 1)],
                      std::make_tuple(m_intRecord, 5000, (m_intRecord + 4999) / 5000));
        }

        // The live list holds records 1..5000 only, numbered by their row, in record order.
        const auto& m_arrRows = m_Harness.g_lvwFileList.g_arrRows;
        ASSERT_EQ(m_arrRows.size(), static_cast<std::size_t>(std::min(m_intRecords, 5000)));
        for (std::size_t m_intRow = 0; m_intRow < m_arrRows.size(); ++m_intRow) {
            ASSERT_EQ(m_arrRows[m_intRow].g_arrSubItems[0],
                      IntToText(static_cast<long long>(m_intRow + 1)));
            ASSERT_EQ(Utf16ToUtf8(m_arrRows[m_intRow].g_arrSubItems[3]),
                      m_arrAllLines[m_intRow].substr(m_arrAllLines[m_intRow].rfind('|') + 1));
        }
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_EQ(m_Harness.g_intRowsAtCompletion, static_cast<int>(m_arrRows.size()));
    }
}

// A page that cannot be written ends the task at once, but never silently: the reason is kept
// for the summary and the completion callback still runs, once.
TEST_F(ThreadProcessPaging, APageThatCannotBeWrittenEndsTheTaskWithItsReason) {
    g_Tree.WriteFile("not-a-folder", "");
    // The walk stops at record 5000, whose page fails.
    for (const char* m_strLogs : {"no-such-folder", "not-a-folder"}) {
        SCOPED_TRACE(m_strLogs);
        TTaskParameters m_Parameters = Parameters();
        m_Parameters.g_strLogsDirectory = g_Tree.Path(m_strLogs).string();
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        TThreadProcess& m_Thread = m_Harness.Thread();
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_TRUE(m_Harness.g_IsCompletedSeenInCallback);
        EXPECT_EQ(m_Thread.g_intSearchFileCount, 5000);
        EXPECT_EQ(m_Thread.g_intMatchingFileCount, 5000);
        const std::string m_strError = Utf16ToUtf8(m_Thread.g_strErrorMessage);
        EXPECT_TRUE(m_strError.starts_with("Cannot create file \"" +
                                           m_Parameters.g_strLogsDirectory + "/000001.txt\""))
            << m_strError;
        EXPECT_TRUE(m_Thread.FatalMessage().empty());
    }
}

TEST_F(ThreadProcessPaging, AFinalPageThatCannotBeWrittenIsReported) {
    // The logs folder goes away while the task runs, before the last page is written.
    TTaskHarness m_Harness(Parameters(u"*.b|*.c|"));
    const auto m_Logs = g_Tree.Path("logs");
    m_Harness.g_doOnPager = [&m_Logs](std::int32_t p_intRecordCount) {
        if (p_intRecordCount == 2) {
            std::filesystem::remove_all(m_Logs);
        }
    };
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intMatchingFileCount, 2);
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
    EXPECT_TRUE(
        Utf16ToUtf8(m_Harness.Thread().g_strErrorMessage).starts_with("Cannot create file"));
    EXPECT_FALSE(std::filesystem::exists(m_Logs));
}

// Any other error that escapes the walk (here a record callback that throws) ends the task the
// same way, and the records made so far are still written as the current page.
TEST_F(ThreadProcessPaging, AnErrorThatEscapesTheWalkStillWritesTheBufferedRecords) {
    for (const bool m_IsFromPager : {false, true}) {
        SCOPED_TRACE(m_IsFromPager ? "page-count callback" : "record callback");
        std::filesystem::remove_all(g_Tree.Path("logs"));
        g_Tree.MakeDir("logs");
        TTaskHarness m_Harness(Parameters());
        if (m_IsFromPager) {
            m_Harness.g_doOnPager = [](std::int32_t p_intRecordCount) {
                if (p_intRecordCount == 4) {
                    throw std::runtime_error("hand-off failed");
                }
            };
        } else {
            m_Harness.g_doOnRecord = [](const std::u16string& p_strLine) {
                if (p_strLine.starts_with(u"4|")) {
                    throw std::runtime_error("hand-off failed");
                }
            };
        }
        m_Harness.Run();
        EXPECT_EQ(m_Harness.Thread().g_strErrorMessage, u"hand-off failed");
        EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 4);
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_EQ(ReadPageLines(g_Tree.Path("logs/000001.txt")).size(), 4u);
    }
}

// A replace task's page being filled is on disk at least once a second, so that a crash loses
// at most the last second's records: while record k is made, the page holds the records saved
// by then. With every check due it holds all k - 1 before; with time standing still only the
// first, saved at once. A find task's pages wait until they are full or the task ends.
TEST(ThreadProcessPageSaving, TheReplacePageBeingFilledIsSavedOnceASecond) {
    struct TCase {
        std::int32_t g_intMode;
        std::chrono::milliseconds g_intClockStep;
        int g_intLinesAtRecord5; // -1: no page yet
    };
    const TCase m_arrCases[] = {
        {kModeReplace, std::chrono::seconds(1), 4},
        {kModeReplace, std::chrono::milliseconds(0), 1},
        {kModeFind, std::chrono::seconds(1), -1},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(std::to_string(m_Case.g_intMode) + " " +
                     std::to_string(m_Case.g_intClockStep.count()));
        TTempTree m_Tree;
        m_Tree.MakeDir("logs");
        WriteManyFiles(m_Tree.Path("tree"), 0, 8, ".txt", "needle");
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = m_Case.g_intMode;
        m_Parameters.g_strLogsDirectory = m_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = m_Tree.RootWithSlash() + "tree/";
        TTaskHarness m_Harness(m_Parameters, m_Case.g_intClockStep);
        const auto m_Page = m_Tree.Path("logs/000001.txt");
        int m_intLinesAtRecord5 = -2;
        m_Harness.g_doOnRecord = [&](const std::u16string&) {
            if (m_Harness.g_arrRecordLines.size() == 5) {
                m_intLinesAtRecord5 = std::filesystem::exists(m_Page)
                                          ? static_cast<int>(ReadPageLines(m_Page).size())
                                          : -1;
            }
        };
        m_Harness.Run();
        EXPECT_EQ(m_intLinesAtRecord5, m_Case.g_intLinesAtRecord5);
        EXPECT_EQ(ReadPageLines(m_Page).size(), 8u);
    }
}

} // namespace
} // namespace morvane::test
