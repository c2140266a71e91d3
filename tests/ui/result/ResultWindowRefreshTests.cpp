// A running task's rows, pager and progress reach the window at the refresh rate, not with every
// hand-off. Whatever the timing, everything handed over is shown, in order, before the summary.

#include "CaseName.h"
#include "ResultWindowFixture.h"
#include "logs/u_LogPage.h"
#include "u_LogLineFields.h"
#include "u_ResultColumns.h"

#include <QTimer>

#include <string>
#include <vector>

namespace morvane::test {
namespace {

// What the window shows at one moment.
struct TShownState {
    QStringList g_arrRowNumbers;
    QStringList g_arrRowFiles;
    QString g_strPager;
    int g_intProgressValue = -1;
    int g_intProgressMaximum = -1;
};

struct TRefreshCase {
    const char* g_strName;
    std::int32_t g_intMode;
    // Without refreshes while the task runs, only the completion can show what was handed over.
    bool g_IsRefreshStopped;
};

class ResultWindowRefreshTest : public ResultWindowTest,
                                public ::testing::WithParamInterface<TRefreshCase> {
protected:
    TShownState Shown() const {
        TShownState m_State;
        const QTreeWidget* m_lvwList = List();
        for (int m_intRow = 0; m_intRow < m_lvwList->topLevelItemCount(); ++m_intRow) {
            m_State.g_arrRowNumbers.append(m_lvwList->topLevelItem(m_intRow)->text(1));
            m_State.g_arrRowFiles.append(m_lvwList->topLevelItem(m_intRow)->text(kFileNameColumn));
        }
        m_State.g_strPager = PagerText();
        const QProgressBar* m_pgrProgress = Find<QProgressBar>("pgrProgress");
        m_State.g_intProgressValue = m_pgrProgress->value();
        m_State.g_intProgressMaximum = m_pgrProgress->maximum();
        return m_State;
    }

    // The file names of page 1, in the order of its records.
    QStringList PageOneFiles() const {
        std::vector<std::u16string> m_arrLines;
        EXPECT_TRUE(ReadLogPageFile(LogPageFileName(ToU16String(g_frmResult->logsDirectory()), 1),
                                    m_arrLines));
        QStringList m_arrFiles;
        for (const std::u16string& m_strLine : m_arrLines) {
            m_arrFiles.append(LogLineToRowFields(ToQString(m_strLine), GetParam().g_intMode)
                                  .g_arrSubItems.value(kFileNameColumn - 1));
        }
        return m_arrFiles;
    }
};

TEST_P(ResultWindowRefreshTest, EverythingHandedOverIsShownInOrderBeforeTheSummary) {
    // Enough matches for many hand-offs, with files between them that are passed over.
    constexpr int kFileCount = 900;
    int m_intMatching = 0;
    for (int m_intFile = 0; m_intFile < kFileCount; ++m_intFile) {
        const bool m_IsMatching = m_intFile % 3 != 1;
        m_intMatching += m_IsMatching ? 1 : 0;
        g_Tree.WriteFile("d" + std::to_string(m_intFile % 7) + "/f" + std::to_string(m_intFile) +
                             ".txt",
                         m_IsMatching ? "one abc" : "none");
    }
    g_frmResult->show();
    std::vector<TShownState> m_arrAtSummary;
    g_Dialogs.g_doOnMessage = [&](const TRecordedMessage&) {
        m_arrAtSummary.push_back(Shown());
    };

    StartTask(GetParam().g_intMode);
    if (GetParam().g_IsRefreshStopped) {
        Find<QTimer>("tmrRefresh")->stop();
    }
    ASSERT_TRUE(WaitForCompletion());
    ASSERT_EQ(m_arrAtSummary.size(), 1u);
    const TShownState& m_State = m_arrAtSummary.front();

    ASSERT_EQ(m_State.g_arrRowNumbers.size(), m_intMatching);
    for (int m_intRow = 0; m_intRow < m_intMatching; ++m_intRow) {
        ASSERT_EQ(m_State.g_arrRowNumbers.at(m_intRow), QString::number(m_intRow + 1));
    }
    EXPECT_EQ(m_State.g_arrRowFiles, PageOneFiles());
    EXPECT_EQ(m_State.g_strPager,
              QStringLiteral("当前第1页，共1页，每页5000条，共%1条。").arg(m_intMatching));
    EXPECT_EQ(m_State.g_intProgressValue, m_State.g_intProgressMaximum);
    EXPECT_GT(m_State.g_intProgressMaximum, 0);
    EXPECT_LE(m_State.g_intProgressMaximum, kFileCount);

    // Nothing arrives after the summary to change what it was shown with.
    const TShownState m_After = Shown();
    EXPECT_EQ(m_After.g_arrRowFiles, m_State.g_arrRowFiles);
    EXPECT_EQ(m_After.g_strPager, m_State.g_strPager);
    EXPECT_EQ(m_After.g_intProgressValue, m_State.g_intProgressValue);
}

INSTANTIATE_TEST_SUITE_P(Tasks, ResultWindowRefreshTest,
                         ::testing::Values(TRefreshCase{"FindRefreshing", kModeFind, false},
                                           TRefreshCase{"FindWithoutRefreshes", kModeFind, true},
                                           TRefreshCase{"ReplaceRefreshing", kModeReplace, false},
                                           TRefreshCase{"ReplaceWithoutRefreshes", kModeReplace,
                                                        true}),
                         TCaseNameFromName());

TEST_F(ResultWindowTest, RefreshesRunOnlyWhileATaskRuns) {
    g_Tree.WriteFile("a.txt", "abc");
    const QTimer* m_tmrRefresh = Find<QTimer>("tmrRefresh");
    EXPECT_FALSE(m_tmrRefresh->isActive());
    StartTask(kModeFind);
    EXPECT_TRUE(m_tmrRefresh->isActive());
    ASSERT_TRUE(WaitForCompletion());
    EXPECT_FALSE(m_tmrRefresh->isActive());
    EXPECT_EQ(List()->topLevelItemCount(), 1);
}

} // namespace
} // namespace morvane::test
