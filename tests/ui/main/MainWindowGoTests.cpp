// Go: every check with its message, in order, and the task that reaches the result window.

#include "MainWindowFixture.h"
#include "u_TextFile.h"

namespace morvane::test {
namespace {

const QString kNoDirectory = QStringLiteral("文件路径不存在，请重新选择路径！");
const QString kNoFindText = QStringLiteral("请输入需要进行查找的文字！");
const QString kSameTexts = QStringLiteral("替换文字不能与查找文字相同！");
const QString kNoExtension = QStringLiteral("请选择文件格式！");
const QString kConfirmation =
    QStringLiteral("替换模式下，将对目录中文件内容进行批量替换，替换过程不可逆。\r"
                   "请务必先做好文件备份，再执行替换操作。\r\r是否立即开始执行替换任务？");

class MainWindowGoTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        CreateWindow();
        g_frmMain->show();
    }

    // Go, expecting it to stop at a check with this message and nothing started.
    void ExpectRefused(const QString& p_strMessage) {
        g_Dialogs.Clear();
        g_frmMain->btnGoClick();
        ASSERT_EQ(g_Dialogs.Messages().size(), 1);
        const TRecordedMessage& m_Message = g_Dialogs.Messages().first();
        EXPECT_EQ(m_Message.g_strText, p_strMessage);
        EXPECT_EQ(m_Message.g_strTitle, QStringLiteral("消息"));
        EXPECT_EQ(m_Message.g_Icon, QMessageBox::Warning);
        EXPECT_EQ(m_Message.g_Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(g_arrStartedTasks.empty());
        EXPECT_TRUE(g_frmMain->isVisible());
    }

    // Go, expecting the task to start; returns it.
    TGoTask GoAccepted() {
        g_Dialogs.Clear();
        const std::size_t m_intStarted = g_arrStartedTasks.size();
        g_frmMain->btnGoClick();
        EXPECT_EQ(g_arrStartedTasks.size(), m_intStarted + 1)
            << MessageTexts().join(u'|').toStdString();
        EXPECT_FALSE(g_frmMain->isVisible());
        return g_arrStartedTasks.size() == m_intStarted ? TGoTask()
                                                        : g_arrStartedTasks.back().g_Task;
    }
};

TEST_F(MainWindowGoTest, ChecksComeInOrderEachWithItsMessage) {
    Directory()->setEditText(QString());
    ExpectRefused(kNoDirectory);
    Directory()->setEditText(QStringLiteral("/no/such/folder"));
    ExpectRefused(kNoDirectory);
    EXPECT_FALSE(HasSetting("path.ini"));

    const QString m_strDirectory = ExistingDirectory();
    Directory()->setEditText(m_strDirectory);
    ExpectRefused(kNoFindText);
    // The directory went to the history before the later checks.
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strDirectory.toStdString() + "\r\n");
    EXPECT_EQ(Directory()->currentText(), m_strDirectory);

    FindText()->setPlainText(QStringLiteral("abc"));
    ReplaceText()->setPlainText(QStringLiteral("abc"));
    ExpectRefused(kSameTexts);

    ReplaceText()->setPlainText(QStringLiteral("xyz"));
    ExpectRefused(kNoExtension);
    EXPECT_TRUE(g_arrCleanUps.isEmpty());
}

TEST_F(MainWindowGoTest, ReplaceModeAsksAndHandsOverTheTask) {
    FillValidTask();
    const QString m_strDirectory = Directory()->currentText();
    ReplaceText()->setPlainText(QStringLiteral("ABC"));
    Option("chkIsMatchCase")->setChecked(false);
    Check(QStringLiteral("*.html"));
    Find<QComboBox>("drpFileEncoding")->setCurrentIndex(3);
    g_Dialogs.QueueAnswer(QMessageBox::Yes);
    g_frmMain->btnGoClick();

    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    const TRecordedMessage& m_Question = g_Dialogs.Messages().first();
    EXPECT_EQ(m_Question.g_strTitle, QStringLiteral("警告"));
    EXPECT_EQ(m_Question.g_strText, kConfirmation);
    EXPECT_EQ(m_Question.g_Icon, QMessageBox::Warning);
    EXPECT_EQ(m_Question.g_Buttons, QMessageBox::Yes | QMessageBox::No);

    ASSERT_EQ(g_arrStartedTasks.size(), 1u);
    EXPECT_EQ(g_arrStartedTasks[0].g_strCaption, QStringLiteral("Morvane(x64) v6.3 - 替换模式"));
    const TGoTask& m_Task = g_arrStartedTasks[0].g_Task;
    EXPECT_EQ(m_Task.g_strSoftware, QStringLiteral("Morvane"));
    EXPECT_EQ(m_Task.g_intMode, 1);
    EXPECT_EQ(m_Task.g_strDirectory, m_strDirectory + u'/');
    EXPECT_EQ(m_Task.g_intEncoding, 3);
    EXPECT_EQ(m_Task.g_strOldText, QStringLiteral("abc"));
    EXPECT_EQ(m_Task.g_strNewText, QStringLiteral("ABC"));
    EXPECT_EQ(m_Task.g_strExtension, QStringLiteral("*.TXT|*.HTML|"));
    EXPECT_TRUE(m_Task.g_IsContainSubFloder);
    EXPECT_FALSE(m_Task.g_IsMatchCase);
    EXPECT_FALSE(g_frmMain->isVisible());
    // The clean-up of old logs starts first, before the question.
    EXPECT_EQ(g_arrEvents, (QStringList{QStringLiteral("clean-up"), QStringLiteral("message:警告"),
                                        QStringLiteral("task")}));
    EXPECT_EQ(g_arrCleanUps, QStringList{Folder() + QStringLiteral("logs")});
}

// The preview makes Go's checks but asks nothing: it changes no file. Find mode has none.
TEST_F(MainWindowGoTest, PreviewStartsAReplacePreviewWithoutAsking) {
    auto* m_btnPreview = Find<QPushButton>("btnPreview");
    ASSERT_NE(m_btnPreview, nullptr);
    EXPECT_EQ(m_btnPreview->text(), QStringLiteral("预览替换(&P)"));
    g_frmMain->btnFindModeClick();
    EXPECT_FALSE(m_btnPreview->isVisibleTo(g_frmMain.get()));
    g_frmMain->btnReplaceModeClick();
    ASSERT_TRUE(m_btnPreview->isVisible());

    FindText()->setPlainText(QStringLiteral("abc"));
    ReplaceText()->setPlainText(QStringLiteral("abc"));
    Directory()->setEditText(ExistingDirectory());
    m_btnPreview->click();
    EXPECT_EQ(MessageTexts(), QStringList{kSameTexts});
    EXPECT_TRUE(g_arrStartedTasks.empty());

    FillValidTask();
    g_Dialogs.Clear();
    m_btnPreview->click();
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty()) << MessageTexts().join(u'|').toStdString();
    ASSERT_EQ(g_arrStartedTasks.size(), 1u);
    EXPECT_TRUE(g_arrStartedTasks[0].g_Task.g_IsPreview);
    EXPECT_EQ(g_arrStartedTasks[0].g_Task.g_intMode, 1);
    EXPECT_FALSE(g_frmMain->isVisible());
    EXPECT_EQ(g_arrCleanUps.size(), 1);
}

TEST_F(MainWindowGoTest, DecliningTheConfirmationKeepsTheWindowAndTheStartedCleanUp) {
    FillValidTask();
    g_Dialogs.QueueAnswer(QMessageBox::No);
    g_frmMain->btnGoClick();
    EXPECT_EQ(MessageTexts(), QStringList{kConfirmation});
    EXPECT_TRUE(g_arrStartedTasks.empty());
    EXPECT_TRUE(g_frmMain->isVisible());
    EXPECT_EQ(g_arrCleanUps.size(), 1);
    EXPECT_TRUE(HasSetting("path.ini"));
    EXPECT_EQ(FindText()->toPlainText(), QStringLiteral("abc"));
}

TEST_F(MainWindowGoTest, NoCleanUpWhenItsOptionIsOff) {
    FillValidTask();
    Option("chkDeleteLogsFile")->setChecked(false);
    g_Dialogs.QueueAnswer(QMessageBox::Yes);
    g_frmMain->btnGoClick();
    EXPECT_EQ(g_arrStartedTasks.size(), 1u);
    EXPECT_TRUE(g_arrCleanUps.isEmpty());
}

TEST_F(MainWindowGoTest, FindModeNeedsNoConfirmationAndPassesTheReplacementAsItIs) {
    FillValidTask();
    ReplaceText()->setPlainText(QString());
    g_frmMain->btnFindModeClick();
    TGoTask m_Task = GoAccepted();
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
    EXPECT_EQ(m_Task.g_intMode, 2);
    EXPECT_EQ(m_Task.g_strNewText, QString());
    EXPECT_EQ(g_arrStartedTasks.back().g_strCaption,
              QStringLiteral("Morvane(x64) v6.3 - 查找模式"));

    // In find mode the two texts may be equal; the hidden replacement still travels.
    g_frmMain->show();
    ReplaceText()->setPlainText(QStringLiteral("abc"));
    m_Task = GoAccepted();
    EXPECT_EQ(m_Task.g_strNewText, QStringLiteral("abc"));
}

TEST_F(MainWindowGoTest, TextsReachTheTaskUntouched) {
    FillValidTask();
    g_frmMain->btnFindModeClick();
    const struct {
        QString g_strTyped;
        QString g_strHandedOver;
    } kCases[] = {
        {QStringLiteral("  "), QStringLiteral("  ")},
        {QStringLiteral("\n"), QStringLiteral("\r\n")},
        {QStringLiteral(" a\nb \n"), QStringLiteral(" a\r\nb \r\n")},
        {QStringLiteral("tab\there"), QStringLiteral("tab\there")},
        {QStringLiteral("no") + QChar(0x00A0) + QStringLiteral("break"),
         QStringLiteral("no") + QChar(0x00A0) + QStringLiteral("break")},
    };
    for (const auto& m_Case : kCases) {
        g_frmMain->show();
        FindText()->setPlainText(m_Case.g_strTyped);
        EXPECT_EQ(GoAccepted().g_strOldText, m_Case.g_strHandedOver)
            << m_Case.g_strTyped.toStdString();
    }
}

TEST_F(MainWindowGoTest, ReplaceModeComparesTheTextsExactly) {
    FillValidTask();
    const struct {
        QString g_strTyped;
        QString g_strHandedOver;
    } kCases[] = {
        {QStringLiteral("ABC"), QStringLiteral("ABC")},
        {QStringLiteral("abc "), QStringLiteral("abc ")},
        {QStringLiteral("abc\n"), QStringLiteral("abc\r\n")},
    };
    for (const auto& m_Case : kCases) {
        g_frmMain->show();
        ReplaceText()->setPlainText(m_Case.g_strTyped);
        g_Dialogs.QueueAnswer(QMessageBox::Yes);
        EXPECT_EQ(GoAccepted().g_strNewText, m_Case.g_strHandedOver)
            << m_Case.g_strTyped.toStdString();
    }
}

TEST_F(MainWindowGoTest, DirectoryGetsOneTrailingSeparator) {
    g_frmMain->btnFindModeClick();
    FillValidTask();
    const QString m_strDirectory = Directory()->currentText();
    const struct {
        QString g_strTyped;
        QString g_strHandedOver;
    } kCases[] = {
        {m_strDirectory, m_strDirectory + u'/'},
        {m_strDirectory + u'/', m_strDirectory + u'/'},
        {QStringLiteral("/"), QStringLiteral("/")},
    };
    for (const auto& m_Case : kCases) {
        g_frmMain->show();
        Directory()->setEditText(m_Case.g_strTyped);
        EXPECT_EQ(GoAccepted().g_strDirectory, m_Case.g_strHandedOver);
        // The history keeps the directory as typed.
        EXPECT_EQ(Directory()->itemText(0), m_Case.g_strTyped);
    }
}

TEST_F(MainWindowGoTest, ExtensionFilterIsTheCheckedItemsInCapitalsInListOrder) {
    WriteSetting("extension.ini", "*.Md\r\n*.txt\r\n*.skip\r\n*.ä\r\n");
    CreateWindow();
    g_frmMain->show();
    g_frmMain->btnFindModeClick();
    FillValidTask();
    Check(QStringLiteral("*.ä"));
    Check(QStringLiteral("*.Md"));
    EXPECT_EQ(GoAccepted().g_strExtension, QStringLiteral("*.MD|*.TXT|*.ä|"));
}

TEST_F(MainWindowGoTest, HistoryKeepsTheLastTenDistinctDirectoriesNewestFirst) {
    g_frmMain->btnFindModeClick();
    FillValidTask();
    const QString m_strA = ExistingDirectory("A");
    const QString m_strB = ExistingDirectory("B");
    for (const QString& m_strDirectory : {m_strA, m_strB, m_strA}) {
        g_frmMain->show();
        Directory()->setEditText(m_strDirectory);
        GoAccepted();
    }
    EXPECT_EQ(ReadSetting("path.ini"),
              kBom + m_strA.toStdString() + "\r\n" + m_strB.toStdString() + "\r\n");
    EXPECT_EQ(DropDownItems(), (QStringList{m_strA, m_strB}));

    QStringList m_arrExpected;
    for (int m_intIndex = 1; m_intIndex <= 11; ++m_intIndex) {
        const QString m_strDirectory = ExistingDirectory("d" + std::to_string(m_intIndex));
        g_frmMain->show();
        Directory()->setEditText(m_strDirectory);
        GoAccepted();
        m_arrExpected.prepend(m_strDirectory);
    }
    m_arrExpected = m_arrExpected.mid(0, 10);
    EXPECT_EQ(DropDownItems(), m_arrExpected);
    EXPECT_EQ(TTextFile::ReadLines(Folder() + QStringLiteral("path.ini")), m_arrExpected);
}

} // namespace
} // namespace morvane::test
