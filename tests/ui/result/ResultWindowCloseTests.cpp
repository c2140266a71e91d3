// Closing the window: refused while the task runs or stops, allowed after its end.

#include "ResultWindowFixture.h"

namespace morvane::test {
namespace {

class ResultWindowCloseTest : public ResultWindowTest {
protected:
    void SetUp() override {
        ResultWindowTest::SetUp();
        g_Tree.WriteFiles({{"a.txt", "abc"}, {"b.txt", "abc"}});
        g_frmResult->show();
    }
    void ExpectClosedToTheMainWindow() {
        EXPECT_FALSE(g_frmResult->isVisible());
        EXPECT_TRUE(g_frmMain.isVisible());
        EXPECT_EQ(List()->columnCount(), 0);
        EXPECT_EQ(List()->topLevelItemCount(), 0);
    }
};

TEST_F(ResultWindowCloseTest, WhileRunningAskAndStayOpen) {
    StartTask(kModeReplace);

    g_Dialogs.QueueAnswer(QMessageBox::No);
    EXPECT_FALSE(g_frmResult->close());
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().at(0).g_strText, QStringLiteral("任务正在进行，是否终止任务？"));
    EXPECT_TRUE(g_frmResult->isVisible());
    EXPECT_TRUE(Button("btnStop")->isEnabled());

    g_Dialogs.QueueAnswer(QMessageBox::Yes);
    EXPECT_FALSE(g_frmResult->close());
    EXPECT_TRUE(g_frmResult->isVisible());
    EXPECT_FALSE(Button("btnStop")->isHidden());
    EXPECT_FALSE(Button("btnStop")->isEnabled());

    // Stopping: every further attempt only repeats the notice.
    for (int m_intAttempt = 0; m_intAttempt < 2; ++m_intAttempt) {
        EXPECT_FALSE(g_frmResult->close());
        const TRecordedMessage& m_Notice = g_Dialogs.Messages().last();
        EXPECT_EQ(m_Notice.g_strText, QStringLiteral("任务正在停止，请稍候..."));
        EXPECT_EQ(m_Notice.g_strTitle, QStringLiteral("消息"));
        EXPECT_EQ(m_Notice.g_Icon, QMessageBox::Warning);
        EXPECT_EQ(m_Notice.g_Buttons, QMessageBox::Ok);
    }
    EXPECT_EQ(g_Dialogs.Messages().size(), 4);
    EXPECT_FALSE(g_frmMain.isVisible());

    ASSERT_TRUE(WaitForCompletion());
    EXPECT_EQ(g_Dialogs.Messages().last().g_strText.section(u'\r', 0, 0),
              QStringLiteral("[替换文件]操作已被用户停止，任务取消。"));
    EXPECT_TRUE(g_frmResult->isVisible());

    EXPECT_TRUE(g_frmResult->close());
    ExpectClosedToTheMainWindow();
}

TEST_F(ResultWindowCloseTest, AfterTheEndClosesWithoutAsking) {
    StartTask(kModeFind);
    ASSERT_TRUE(WaitForCompletion());
    ASSERT_EQ(List()->topLevelItemCount(), 2);
    g_Dialogs.Clear();

    EXPECT_TRUE(g_frmResult->close());
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
    ExpectClosedToTheMainWindow();

    // The next task rebuilds the columns.
    g_frmResult->show();
    StartTask(kModeReplace);
    EXPECT_EQ(List()->columnCount(), 6);
    ASSERT_TRUE(WaitForCompletion());
}

} // namespace
} // namespace morvane::test
