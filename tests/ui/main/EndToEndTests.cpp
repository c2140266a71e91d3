// The whole road of one task: start-up, Go, the result window's summary, closing it, and the
// main window back with its fields until the program closes and saves.

#include "MainWindowFixture.h"
#include "u_About.h"
#include "u_Extension.h"
#include "u_Result.h"
#include "u_StartUp.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>

namespace morvane::test {
namespace {

// Long enough for the small task of this test on a loaded machine; a bound, not a pause.
constexpr int kTaskTimeoutMs = 60000;

TEST_F(ProgramFolderTest, FindTaskRunsFromStartUpToClose) {
    TTempTree m_Tree;
    m_Tree.WriteFiles({{"a.txt", "say hello\r\n"},
                       {"b.txt", "nothing here\r\n"},
                       {"sub/c.txt", "Hello again\n"},
                       {"d.md", "hello, but not wanted\r\n"}});
    const QString m_strRoot = QString::fromStdString(m_Tree.Root().string());

    TStartUp m_StartUp;
    m_StartUp.Show();
    TfrmMain& m_frmMain = m_StartUp.frmMain();
    TfrmResult& m_frmResult = m_StartUp.frmResult();
    EXPECT_TRUE(m_frmMain.isVisible());
    EXPECT_FALSE(m_frmResult.isVisible());
    EXPECT_FALSE(m_StartUp.frmExtension().isVisible());
    EXPECT_FALSE(m_StartUp.frmAbout().isVisible());

    auto* m_drpDirectory = m_frmMain.findChild<QComboBox*>(QStringLiteral("drpDirectory"));
    auto* m_memFindText = m_frmMain.findChild<QPlainTextEdit*>(QStringLiteral("memFindText"));
    auto* m_clbFileExtList = m_frmMain.findChild<QListWidget*>(QStringLiteral("clbFileExtList"));
    m_drpDirectory->setEditText(m_strRoot);
    m_memFindText->setPlainText(QStringLiteral("hello"));
    m_clbFileExtList->item(0)->setCheckState(Qt::Checked); // *.txt
    m_frmMain.findChild<QPushButton*>(QStringLiteral("btnFindMode"))->click();

    QSignalSpy m_Completed(&m_frmResult, &TfrmResult::taskCompleted);
    m_frmMain.findChild<QPushButton*>(QStringLiteral("btnGo"))->click();
    EXPECT_FALSE(m_frmMain.isVisible());
    EXPECT_TRUE(m_frmResult.isVisible());
    EXPECT_EQ(m_frmResult.windowTitle(), QStringLiteral("Morvane(x64) v6.3 - 查找模式"));
    EXPECT_EQ(m_frmResult.findChild<QLineEdit*>(QStringLiteral("edtDirectory"))->text(),
              m_strRoot + u'/');
    EXPECT_EQ(m_frmResult.findChild<QLineEdit*>(QStringLiteral("edtOperate"))->text(),
              QStringLiteral("查找模式,查找[hello],扩展名[*.TXT|],包含子目录,区分大小写"));
    ASSERT_TRUE(m_Completed.count() > 0 || m_Completed.wait(kTaskTimeoutMs));

    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().first().g_strTitle, QStringLiteral("消息"));
    EXPECT_TRUE(
        g_Dialogs.Messages().first().g_strText.contains(QStringLiteral("找到匹配文件：1个。")))
        << g_Dialogs.Messages().first().g_strText.toStdString();
    // The task's log folder sits in the program folder.
    EXPECT_TRUE(m_frmResult.logsDirectory().startsWith(Folder() + QStringLiteral("logs/")));

    EXPECT_TRUE(m_frmResult.close());
    EXPECT_FALSE(m_frmResult.isVisible());
    EXPECT_TRUE(m_frmMain.isVisible());
    EXPECT_EQ(m_drpDirectory->currentText(), m_strRoot);
    EXPECT_EQ(m_memFindText->toPlainText(), QStringLiteral("hello"));
    EXPECT_EQ(m_frmMain.Mode(), 2);
    EXPECT_EQ(m_clbFileExtList->item(0)->checkState(), Qt::Checked);

    QSignalSpy m_Closed(&m_frmMain, &TfrmMain::formClosed);
    EXPECT_TRUE(m_frmMain.close());
    EXPECT_EQ(m_Closed.count(), 1);
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strRoot.toStdString() + "\r\n");
    EXPECT_EQ(ReadSetting("find.ini"), kBom + "hello");
    EXPECT_EQ(ReadSetting("replace.ini"), kBom);
    EXPECT_EQ(ReadSetting("config.ini"), kBom + "[zelkReplace]\r\n"
                                                "IsContainSubFloder=true\r\n"
                                                "IsMatchCase=true\r\n"
                                                "IsDeleteLogsFile=true\r\n"
                                                "SelectedExtension=*.txt|\r\n"
                                                "\r\n");
}

// The preview button's task reaches the result window as a preview: no question first, its
// description and summary say so, and the file that would be replaced is left as it was.
TEST_F(ProgramFolderTest, PreviewRunsWithoutAskingAndLeavesTheFiles) {
    TTempTree m_Tree;
    m_Tree.WriteFiles({{"a.txt", "say hello\r\n"}});
    TStartUp m_StartUp;
    m_StartUp.Show();
    TfrmMain& m_frmMain = m_StartUp.frmMain();
    TfrmResult& m_frmResult = m_StartUp.frmResult();
    m_frmMain.findChild<QComboBox*>(QStringLiteral("drpDirectory"))
        ->setEditText(QString::fromStdString(m_Tree.Root().string()));
    m_frmMain.findChild<QPlainTextEdit*>(QStringLiteral("memFindText"))
        ->setPlainText(QStringLiteral("hello"));
    m_frmMain.findChild<QPlainTextEdit*>(QStringLiteral("memReplaceText"))
        ->setPlainText(QStringLiteral("bye"));
    m_frmMain.findChild<QListWidget*>(QStringLiteral("clbFileExtList"))
        ->item(0)
        ->setCheckState(Qt::Checked);

    QSignalSpy m_Completed(&m_frmResult, &TfrmResult::taskCompleted);
    m_frmMain.findChild<QPushButton*>(QStringLiteral("btnPreview"))->click();
    EXPECT_TRUE(m_frmResult.isVisible());
    EXPECT_TRUE(m_frmResult.findChild<QLineEdit*>(QStringLiteral("edtOperate"))
                    ->text()
                    .startsWith(QStringLiteral("替换预览,查找[hello],替换为[bye]")));
    ASSERT_TRUE(m_Completed.count() > 0 || m_Completed.wait(kTaskTimeoutMs));

    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    const QString m_strSummary = g_Dialogs.Messages().first().g_strText;
    EXPECT_TRUE(m_strSummary.startsWith(QStringLiteral("[替换预览]操作已完成。")))
        << m_strSummary.toStdString();
    EXPECT_TRUE(m_strSummary.contains(QStringLiteral("\r可以替换文件：1个。\r")))
        << m_strSummary.toStdString();
    EXPECT_EQ(m_Tree.ReadFile("a.txt"), "say hello\r\n");
    EXPECT_TRUE(m_frmResult.close());
}

TEST_F(ProgramFolderTest, ResultWindowsAboutButtonOpensTheAboutBox) {
    TStartUp m_StartUp;
    TfrmAbout& m_frmAbout = m_StartUp.frmAbout();
    QString m_strShown;
    QTimer::singleShot(0, &m_frmAbout, [&m_frmAbout, &m_strShown] {
        m_strShown = m_frmAbout.findChild<QLabel*>(QStringLiteral("lblSoftware"))->text();
        m_frmAbout.btnCloseClick();
    });
    m_StartUp.frmResult().setSoftware(QStringLiteral("Morvane"));
    m_StartUp.frmResult().btnAboutClick();
    EXPECT_EQ(m_strShown, QStringLiteral("Morvane"));
}

} // namespace
} // namespace morvane::test
