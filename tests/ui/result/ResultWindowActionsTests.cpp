// The list's file actions, the view-logs button and the About button.

#include "ResultWindowFixture.h"
#include "logs/u_NameEscape.h"

#include <QAction>
#include <QMenu>

#include <functional>

#include <sys/stat.h>

namespace morvane::test {
namespace {

class ResultWindowActionsTest : public ResultWindowTest {
protected:
    // A finished find task whose page 1 lists two files, one with spaces in its path.
    void ShowRows() {
        RunEmptyTask(kModeFind);
        WritePage(1, {QStringLiteral("1|成功|ANSI|/data/my docs/a file.txt"),
                      QStringLiteral("2|成功|ANSI|/data/b.txt")});
        g_frmResult->UpdatePagerInfo(2, 5000, 1);
        g_frmResult->LoadPage(1);
        ASSERT_EQ(List()->topLevelItemCount(), 2);
        g_frmResult->show();
    }
    QAction* Action(const char* p_strName) const { return Find<QAction>(p_strName); }
};

TEST_F(ResultWindowActionsTest, NothingHappensWithoutASelection) {
    ShowRows();
    List()->clearSelection();
    Action("pmiOpenFile")->trigger();
    Action("pmiOpenFileDirectory")->trigger();
    g_frmResult->lvwFileListDblClick();
    EXPECT_TRUE(g_Shell.Calls().isEmpty());
}

TEST_F(ResultWindowActionsTest, SelectedRowsFileGoesToTheShellUnchanged) {
    ShowRows();
    List()->topLevelItem(0)->setSelected(true);
    Action("pmiOpenFile")->trigger();
    Action("pmiOpenFileDirectory")->trigger();
    g_frmResult->lvwFileListDblClick();
    const QString m_strFile = QStringLiteral("/data/my docs/a file.txt");
    EXPECT_EQ(g_Shell.Calls(), (QList<TShellCall>{{TShellAction::OpenInTextEditor, m_strFile},
                                                  {TShellAction::ShowInFileManager, m_strFile},
                                                  {TShellAction::OpenInTextEditor, m_strFile}}));
}

#ifndef _WIN32
TEST_F(ResultWindowActionsTest, AnEscapedNameReachesTheShellAsItsExactBytes) {
    const std::string m_strPath = g_Tree.WriteFile("a|b\\c\n\xff.txt", "abc").string();
    RunEmptyTask(kModeFind);
    WritePage(1, {QStringLiteral("1|成功|ANSI|") + ToQString(EscapeName(m_strPath))});
    g_frmResult->UpdatePagerInfo(1, 5000, 1);
    g_frmResult->LoadPage(1);
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    List()->topLevelItem(0)->setSelected(true);
    Action("pmiOpenFile")->trigger();
    Action("pmiOpenFileDirectory")->trigger();

    ASSERT_EQ(g_Shell.Calls().size(), 2);
    for (const TShellCall& m_Call : g_Shell.Calls()) {
        const std::string m_strBytes = TextToNativeName(ToU16String(m_Call.g_strArgument));
        EXPECT_EQ(m_strBytes, m_strPath);
        struct stat m_Stat {};
        EXPECT_EQ(stat(m_strBytes.c_str(), &m_Stat), 0);
    }
}
#endif

TEST_F(ResultWindowActionsTest, DoubleClickOnARowOpensItsFile) {
    ShowRows();
    QTreeWidget* m_lvwList = List();
    const QRect m_Rect = m_lvwList->visualItemRect(m_lvwList->topLevelItem(1));
    ASSERT_TRUE(m_Rect.isValid());
    QTest::mouseClick(m_lvwList->viewport(), Qt::LeftButton, Qt::NoModifier, m_Rect.center());
    QTest::mouseDClick(m_lvwList->viewport(), Qt::LeftButton, Qt::NoModifier, m_Rect.center());
    ASSERT_FALSE(g_Shell.Calls().isEmpty());
    EXPECT_EQ(g_Shell.Calls().last(),
              (TShellCall{TShellAction::OpenInTextEditor, QStringLiteral("/data/b.txt")}));
}

TEST_F(ResultWindowActionsTest, RightClickBelowTheRowsKeepsTheSelectionAndShowsNoMenu) {
    ShowRows();
    QTreeWidget* m_lvwList = List();
    QWidget* m_Viewport = m_lvwList->viewport();
    const QRect m_Row = m_lvwList->visualItemRect(m_lvwList->topLevelItem(1));
    const QPoint m_Below(m_Row.center().x(), m_Row.bottom() + 3 * m_Row.height());
    ASSERT_EQ(m_lvwList->itemAt(m_Below), nullptr);
    auto* m_ppmListView = Find<QMenu>("ppmListView");
    QTest::mouseClick(m_Viewport, Qt::LeftButton, Qt::NoModifier, m_Row.center());
    QTest::mouseClick(m_Viewport, Qt::RightButton, Qt::NoModifier, m_Below);
    emit m_lvwList->customContextMenuRequested(m_Below);
    EXPECT_FALSE(m_ppmListView->isVisible());
    ASSERT_EQ(m_lvwList->selectedItems().size(), 1);
    EXPECT_EQ(m_lvwList->selectedItems().first(), m_lvwList->topLevelItem(1));

    // On a row the right-click selects it and the menu opens for it.
    const QPoint m_First = m_lvwList->visualItemRect(m_lvwList->topLevelItem(0)).center();
    QTest::mouseClick(m_Viewport, Qt::RightButton, Qt::NoModifier, m_First);
    emit m_lvwList->customContextMenuRequested(m_First);
    EXPECT_TRUE(m_ppmListView->isVisible());
    m_ppmListView->hide();
    EXPECT_EQ(m_lvwList->selectedItems().first(), m_lvwList->topLevelItem(0));
}

TEST_F(ResultWindowActionsTest, EnterOnARowOpensItsFile) {
    ShowRows();
    QTreeWidget* m_lvwList = List();
    m_lvwList->setFocus();
    m_lvwList->setCurrentItem(m_lvwList->topLevelItem(1));
    for (const Qt::Key m_Key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(m_lvwList, m_Key);
    }
    const TShellCall kOpen{TShellAction::OpenInTextEditor, QStringLiteral("/data/b.txt")};
    EXPECT_EQ(g_Shell.Calls(), (QList<TShellCall>{kOpen, kOpen}));
}

TEST_F(ResultWindowActionsTest, WithoutAProgramToTakeItTheUserIsTold) {
    ShowRows();
    WritePage(1, {QStringLiteral("1|成功|ANSI|/data/my docs/a file.txt")});
    List()->topLevelItem(0)->setSelected(true);
    g_Shell.g_IsFailing = true;
    const struct {
        const char* g_strName;
        std::function<void()> g_doAction;
        QString g_strMessage;
    } kCases[] = {
        {"open file", [this] { Action("pmiOpenFile")->trigger(); },
         QStringLiteral("没有可以打开此文件的程序：/data/my docs/a file.txt")},
        {"double-click", [this] { g_frmResult->lvwFileListDblClick(); },
         QStringLiteral("没有可以打开此文件的程序：/data/my docs/a file.txt")},
        {"open folder", [this] { Action("pmiOpenFileDirectory")->trigger(); },
         QStringLiteral("没有可以打开此文件夹的程序：/data/my docs")},
        {"view logs", [this] { Button("btnViewLogs")->click(); },
         QStringLiteral("没有可以打开此文件夹的程序：") + g_frmResult->logsDirectory()},
    };
    for (const auto& m_Case : kCases) {
        g_Dialogs.Clear();
        m_Case.g_doAction();
        ASSERT_EQ(g_Dialogs.Messages().size(), 1) << m_Case.g_strName;
        EXPECT_EQ(g_Dialogs.Messages().first().g_strTitle, QStringLiteral("消息"));
        EXPECT_EQ(g_Dialogs.Messages().first().g_strText, m_Case.g_strMessage) << m_Case.g_strName;
    }
    EXPECT_EQ(g_Shell.Calls().size(), 4);
}

TEST_F(ResultWindowActionsTest, ViewLogsBeforeAndAfterThePageExists) {
    RunEmptyTask(kModeReplace);
    g_frmResult->UpdatePagerInfo(3, 5000, 1);
    ASSERT_TRUE(Button("btnViewLogs")->isEnabled());

    Button("btnViewLogs")->click();
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().first().g_strText,
              QStringLiteral("没有找到对应的日志文件，可能日志文件还未生成完毕，请稍后再试。"));
    EXPECT_EQ(g_Dialogs.Messages().first().g_Icon, QMessageBox::Information);
    EXPECT_TRUE(g_Shell.Calls().isEmpty());

    WritePage(1, {QStringLiteral("1|成功|ANSI|/data/a.txt|")});
    Button("btnViewLogs")->click();
    EXPECT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Shell.Calls(),
              (QList<TShellCall>{{TShellAction::ShowInFileManager,
                                  g_frmResult->logsDirectory() + QStringLiteral("/000001.txt")}}));
}

TEST_F(ResultWindowActionsTest, ViewLogsSelectsTheCurrentPagesFile) {
    RunEmptyTask(kModeReplace);
    for (int m_intPage = 1; m_intPage <= 3; ++m_intPage) {
        WritePage(m_intPage, {QStringLiteral("%1|成功|ANSI|/data/a.txt|").arg(m_intPage * 5000)});
    }
    g_frmResult->UpdatePagerInfo(10001, 5000, 3);
    Button("btnLastPage")->click();
    Button("btnViewLogs")->click();
    EXPECT_EQ(g_Shell.Calls(),
              (QList<TShellCall>{{TShellAction::ShowInFileManager,
                                  g_frmResult->logsDirectory() + QStringLiteral("/000003.txt")}}));
}

TEST_F(ResultWindowActionsTest, AboutOpensTheBoxWithTheThreeStrings) {
    QStringList m_arrOpened;
    g_frmResult->setSoftware(QStringLiteral("Morvane"));
    g_frmResult->setPlatform(QStringLiteral("(x64)"));
    g_frmResult->setVersion(QStringLiteral("v6.3"));
    g_frmResult->setAboutBoxOpener([&m_arrOpened](const QString& p_strSoftware,
                                                  const QString& p_strPlatform,
                                                  const QString& p_strVersion) {
        m_arrOpened << p_strSoftware << p_strPlatform << p_strVersion;
    });
    RunEmptyTask(kModeFind);
    ASSERT_TRUE(Button("btnAbout")->isEnabled());
    Button("btnAbout")->click();
    EXPECT_EQ(m_arrOpened, (QStringList{QStringLiteral("Morvane"), QStringLiteral("(x64)"),
                                        QStringLiteral("v6.3")}));
}

} // namespace
} // namespace morvane::test
