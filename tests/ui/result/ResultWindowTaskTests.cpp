// Whole tasks through the real window and the real worker threads: live rows, the summary, the
// ended state, stopping, an error that ends a task, its own log folder, and letting threads go.

#include "CaseName.h"
#include "ResultWindowFixture.h"
#include "core/u_Thread.h"
#include "u_MainThreadDispatcher.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <filesystem>
#include <functional>
#include <stdexcept>

namespace morvane::test {
namespace {

const QRegularExpression kElapsedLine(QStringLiteral("^总计耗费时间：\\d+\\.\\d\\d秒。$"));

QStringList SummaryLines(const TFakeDialogs& p_Dialogs) {
    for (const TRecordedMessage& m_Message : p_Dialogs.Messages()) {
        if (m_Message.g_strText.startsWith(u'[')) {
            return m_Message.g_strText.split(u'\r');
        }
    }
    return {};
}

class ResultWindowTaskTest : public ResultWindowTest {
protected:
    void WriteTree() {
        g_Tree.WriteFiles({{"a.txt", "one abc"},
                           {"sub/b.txt", "two abc two"},
                           {"c.htm", "abc but not wanted"},
                           {"d.txt", "nothing here"}});
    }
};

TEST_F(ResultWindowTaskTest, ReplaceTaskRunsToItsEnd) {
    WriteTree();
    g_frmResult->show();
    StartTask(kModeReplace);
    ASSERT_TRUE(WaitForCompletion());

    // Live rows, numbered by their position.
    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), 2);
    QStringList m_arrFiles;
    for (int m_intRow = 0; m_intRow < 2; ++m_intRow) {
        const QTreeWidgetItem* m_Item = m_lvwList->topLevelItem(m_intRow);
        EXPECT_EQ(m_Item->text(1), QString::number(m_intRow + 1));
        EXPECT_EQ(m_Item->text(2), QStringLiteral("成功"));
        EXPECT_EQ(m_Item->text(5), QString());
        EXPECT_FALSE(m_Item->icon(0).isNull());
        m_arrFiles.append(m_Item->text(4));
    }
    m_arrFiles.sort();
    EXPECT_EQ(m_arrFiles, (QStringList{Root() + QStringLiteral("a.txt"),
                                       Root() + QStringLiteral("sub/b.txt")}));
    EXPECT_EQ(g_Tree.ReadFile("a.txt").rfind("one xyz", 0), 0u) << g_Tree.ReadFile("a.txt");

    // The summary, then the ended state.
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    const TRecordedMessage& m_Summary = g_Dialogs.Messages().first();
    EXPECT_EQ(m_Summary.g_strTitle, QStringLiteral("消息"));
    EXPECT_EQ(m_Summary.g_Icon, QMessageBox::Information);
    EXPECT_EQ(m_Summary.g_Buttons, QMessageBox::Ok);
    const QStringList m_arrLines = SummaryLines(g_Dialogs);
    ASSERT_EQ(m_arrLines.size(), 7);
    EXPECT_EQ(m_arrLines.mid(0, 6), (QStringList{QStringLiteral("[替换文件]操作已完成。"),
                                                 QString(), QStringLiteral("总共搜索文件：4个。"),
                                                 QStringLiteral("找到匹配文件：2个。"),
                                                 QStringLiteral("成功替换文件：2个。"),
                                                 QStringLiteral("替换失败文件：0个。")}));
    EXPECT_TRUE(kElapsedLine.match(m_arrLines.at(6)).hasMatch()) << m_arrLines.at(6).toStdString();

    EXPECT_TRUE(Button("btnStop")->isHidden());
    EXPECT_FALSE(Button("btnAbout")->isHidden());
    EXPECT_TRUE(Button("btnAbout")->isEnabled());
    EXPECT_TRUE(Button("btnViewLogs")->isEnabled());
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共1页，每页5000条，共2条。"));
    const QProgressBar* m_pgrProgress = Find<QProgressBar>("pgrProgress");
    EXPECT_EQ(m_pgrProgress->value(), m_pgrProgress->maximum());
    EXPECT_TRUE(QFileInfo::exists(g_frmResult->logsDirectory() + QStringLiteral("/000001.txt")));
}

TEST_F(ResultWindowTaskTest, FindTaskSummaryHasFiveLines) {
    WriteTree();
    StartTask(kModeFind, QStringLiteral("*.TXT|"), false);
    ASSERT_TRUE(WaitForCompletion());
    const QStringList m_arrLines = SummaryLines(g_Dialogs);
    ASSERT_EQ(m_arrLines.size(), 5);
    EXPECT_EQ(m_arrLines.mid(0, 4), (QStringList{QStringLiteral("[查找文件]操作已完成。"),
                                                 QString(), QStringLiteral("总共搜索文件：3个。"),
                                                 QStringLiteral("找到匹配文件：1个。")}));
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(List()->columnCount(), 5);
    EXPECT_EQ(g_Tree.ReadFile("a.txt"), "one abc");
}

TEST_F(ResultWindowTaskTest, TaskWithoutMatchesReportsZeroAndWritesNoPage) {
    g_Tree.WriteFile("a.txt", "nothing");
    StartTask(kModeReplace);
    ASSERT_TRUE(WaitForCompletion());
    const QStringList m_arrLines = SummaryLines(g_Dialogs);
    ASSERT_EQ(m_arrLines.size(), 7);
    EXPECT_EQ(m_arrLines.at(3), QStringLiteral("找到匹配文件：0个。"));
    EXPECT_EQ(m_arrLines.at(4), QStringLiteral("成功替换文件：0个。"));
    EXPECT_EQ(m_arrLines.at(5), QStringLiteral("替换失败文件：0个。"));
    EXPECT_FALSE(QFileInfo::exists(g_frmResult->logsDirectory() + QStringLiteral("/000001.txt")));
    EXPECT_FALSE(Button("btnViewLogs")->isEnabled());
}

TEST_F(ResultWindowTaskTest, StopBeforeTheWorkersGetFarReportsTheStop) {
    WriteTree();
    StartTask(kModeReplace);
    // The workers wait for this thread's event loop, so the stop lands at the first check.
    g_Dialogs.QueueAnswer(QMessageBox::Yes);
    Button("btnStop")->click();
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().first().g_strText,
              QStringLiteral("任务正在进行，是否终止任务？"));
    EXPECT_EQ(g_Dialogs.Messages().first().g_strTitle, QStringLiteral("警告"));
    EXPECT_EQ(g_Dialogs.Messages().first().g_Icon, QMessageBox::Warning);
    EXPECT_EQ(g_Dialogs.Messages().first().g_Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(Button("btnStop")->isEnabled());

    ASSERT_TRUE(WaitForCompletion());
    const QStringList m_arrLines = SummaryLines(g_Dialogs);
    ASSERT_EQ(m_arrLines.size(), 7);
    EXPECT_EQ(m_arrLines.first(), QStringLiteral("[替换文件]操作已被用户停止，任务取消。"));
    // At most the file in hand when the stop came was handled.
    EXPECT_TRUE(m_arrLines.at(2) == QStringLiteral("总共搜索文件：0个。") ||
                m_arrLines.at(2) == QStringLiteral("总共搜索文件：1个。"))
        << m_arrLines.at(2).toStdString();
    EXPECT_TRUE(Button("btnStop")->isHidden());
    EXPECT_FALSE(Button("btnAbout")->isHidden());
}

// How an error ends a task: during the walk (the last page cannot be written); at once (no log
// folder can be made, so the task never starts and no file is touched); or with no hand-off
// reaching the window, the completion's included, so that only the thread's end tells.
enum class TBreak { TaskFolderAfterStart, LogsFolderBeforeStart, EveryHandOff };

struct TErrorCase {
    const char* g_strName;
    TBreak g_Break;
    const char* g_strSearched;
    const char* g_strReason;       // part of the error line
    const char* g_strContentAfter; // how a.txt begins afterwards
};

class ResultWindowErrorTest : public ResultWindowTaskTest,
                              public ::testing::WithParamInterface<TErrorCase> {
protected:
    void TearDown() override {
        InstallMainThreadDispatcher();
        ResultWindowTaskTest::TearDown();
    }
};

TEST_P(ResultWindowErrorTest, EndsTheTaskAndTheWindowsRunningState) {
    const TErrorCase& m_Case = GetParam();
    WriteTree();
    g_frmResult->show();
    if (m_Case.g_Break == TBreak::LogsFolderBeforeStart) {
        g_ProgramFolder.WriteFile("logs", "in the way");
    } else if (m_Case.g_Break == TBreak::EveryHandOff) {
        TThread::SetMainThreadDispatcher(
            [](const std::function<void()>&) { throw std::runtime_error("no user interface"); });
    }
    QSignalSpy m_Completed(g_frmResult.get(), &TfrmResult::taskCompleted);
    StartTask(kModeReplace);
    if (m_Case.g_Break == TBreak::TaskFolderAfterStart) {
        // The workers wait for this thread's event loop: nothing is written yet.
        ASSERT_TRUE(std::filesystem::remove(g_ProgramFolder.Path("logs/20261208_101530")));
        g_ProgramFolder.WriteFile("logs/20261208_101530", "in the way");
    }
    ASSERT_TRUE(m_Completed.count() == 1 || m_Completed.wait(kTaskTimeoutMs));

    const QStringList m_arrLines = SummaryLines(g_Dialogs);
    ASSERT_EQ(m_arrLines.size(), 8);
    EXPECT_EQ(m_arrLines.first(), QStringLiteral("[替换文件]操作因错误中止。"));
    EXPECT_EQ(m_arrLines.at(2), QString::fromUtf8(m_Case.g_strSearched));
    EXPECT_TRUE(m_arrLines.last().startsWith(QStringLiteral("错误信息：")));
    EXPECT_TRUE(m_arrLines.last().contains(QString::fromUtf8(m_Case.g_strReason)))
        << m_arrLines.last().toStdString();
    EXPECT_TRUE(g_Tree.ReadFile("a.txt").starts_with(m_Case.g_strContentAfter));
    EXPECT_TRUE(Button("btnStop")->isHidden());
    EXPECT_FALSE(Button("btnAbout")->isHidden());

    EXPECT_TRUE(g_frmResult->close());
    EXPECT_FALSE(g_frmResult->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ResultWindowErrorTest,
    ::testing::Values(TErrorCase{"PageCannotBeWritten", TBreak::TaskFolderAfterStart,
                                 "总共搜索文件：4个。", "logs", "one xyz"},
                      TErrorCase{"LogFolderCannotBeMade", TBreak::LogsFolderBeforeStart,
                                 "总共搜索文件：0个。", "logs", "one abc"},
                      // The first file's position is the first hand-off: no file is begun.
                      TErrorCase{"NoHandOffReachesTheWindow", TBreak::EveryHandOff,
                                 "总共搜索文件：1个。", "no user interface", "one abc"}),
    TCaseNameFromName());

TEST_F(ResultWindowTaskTest, ATaskNeverWritesIntoAFolderOfTheSameSecond) {
    const std::string m_strTaken = "logs/20261208_101530/000001.txt";
    g_ProgramFolder.WriteFile(m_strTaken, "an earlier task's page");
    g_Tree.WriteFile("a.txt", "abc");
    StartTask(kModeFind);
    EXPECT_EQ(g_frmResult->logsDirectory(),
              QString::fromStdString(g_ProgramFolder.RootWithSlash()) +
                  QStringLiteral("logs/20261208_101531"));
    ASSERT_TRUE(WaitForCompletion());
    EXPECT_EQ(g_ProgramFolder.ReadFile(m_strTaken), "an earlier task's page");
    EXPECT_TRUE(QFileInfo::exists(g_frmResult->logsDirectory() + QStringLiteral("/000001.txt")));
}

TEST_F(ResultWindowTaskTest, SecondTaskStartsAfreshButKeepsPageButtons) {
    WriteTree();
    StartTask(kModeFind);
    ASSERT_TRUE(WaitForCompletion());
    // As if the first task had had two pages and the user had moved back to the first one.
    g_frmResult->UpdatePagerInfo(5001, 5000, 2);
    ASSERT_TRUE(Button("btnNextPage")->isEnabled());
    g_Dialogs.Clear();

    g_Tree.WriteFile("e.txt", "abc");
    StartTask(kModeFind);
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共0页，每页0条，共0条。"));
    EXPECT_TRUE(Button("btnNextPage")->isEnabled());
    EXPECT_TRUE(Button("btnLastPage")->isEnabled());
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(List()->columnCount(), 5);
    ASSERT_TRUE(WaitForCompletion());
    EXPECT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共1页，每页5000条，共3条。"));
    EXPECT_FALSE(Button("btnNextPage")->isEnabled());
    EXPECT_EQ(SummaryLines(g_Dialogs).value(0), QStringLiteral("[查找文件]操作已完成。"));
}

TEST_F(ResultWindowTaskTest, StartingAgainWhileATaskRunsLetsTheOldOneGo) {
    WriteTree();
    StartTask(kModeFind);
    StartTask(kModeFind);
    ASSERT_TRUE(WaitForCompletion());
    // Only the second task reached the window: its rows and one summary.
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(g_Dialogs.Messages().size(), 1);
}

TEST_F(ResultWindowTaskTest, DestroyingTheWindowWhileATaskRunsStopsAndWaits) {
    for (int m_intFile = 0; m_intFile < 50; ++m_intFile) {
        g_Tree.WriteFile("f" + std::to_string(m_intFile) + ".txt", "abc");
    }
    StartTask(kModeReplace);
    g_frmResult.reset();
    // No summary for a window that is going away.
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
}

} // namespace
} // namespace morvane::test
