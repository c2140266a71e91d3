// Paging through log page files after a task, and the pager bar's refreshes.

#include "ResultWindowFixture.h"
#include "logs/u_NameEscape.h"
#include "u_LogLineFields.h"
#include "u_StatusImages.h"

#include <set>

namespace morvane::test {
namespace {

QStringList ReplacePageLines(int p_intFirst, int p_intCount) {
    QStringList m_arrLines;
    for (int m_intSequence = p_intFirst; m_intSequence < p_intFirst + p_intCount; ++m_intSequence) {
        m_arrLines.append(QStringLiteral("%1|成功|UTF8无Bom|/data/f %1.txt|").arg(m_intSequence));
    }
    return m_arrLines;
}

QImage RowImage(const QTreeWidgetItem* p_Item) {
    return p_Item->icon(0).pixmap(16, 16).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
}

class ResultWindowPagerTest : public ResultWindowTest {
protected:
    void ExpectButtons(bool p_IsFirst, bool p_IsPrevious, bool p_IsNext, bool p_IsLast) const {
        EXPECT_EQ(Button("btnFirstPage")->isEnabled(), p_IsFirst);
        EXPECT_EQ(Button("btnPreviousPage")->isEnabled(), p_IsPrevious);
        EXPECT_EQ(Button("btnNextPage")->isEnabled(), p_IsNext);
        EXPECT_EQ(Button("btnLastPage")->isEnabled(), p_IsLast);
    }
};

TEST_F(ResultWindowPagerTest, RecordsRefreshLabelsAndButtons) {
    RunEmptyTask(kModeReplace);
    g_frmResult->UpdatePagerInfo(1, 5000, 1);
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共1页，每页5000条，共1条。"));
    EXPECT_TRUE(Button("btnViewLogs")->isEnabled());
    ExpectButtons(false, false, false, false);

    g_frmResult->UpdatePagerInfo(5000, 5000, 1);
    ExpectButtons(false, false, false, false);
    g_frmResult->UpdatePagerInfo(5001, 5000, 2);
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共2页，每页5000条，共5001条。"));
    ExpectButtons(false, false, true, true);

    // Never disabled again by a refresh, whatever it reports.
    g_frmResult->UpdatePagerInfo(0, 0, 0);
    EXPECT_TRUE(Button("btnViewLogs")->isEnabled());
    ExpectButtons(false, false, true, true);
}

TEST_F(ResultWindowPagerTest, PageTwoIsReadFromItsFile) {
    RunEmptyTask(kModeReplace);
    WritePage(1, ReplacePageLines(1, 5000));
    WritePage(2, {QStringLiteral("5001|失败|ANSI|/data/locked file.txt|Permission denied")});
    g_frmResult->UpdatePagerInfo(5001, 5000, 2);

    Button("btnNextPage")->click();
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), 1);
    const QTreeWidgetItem* m_Item = m_lvwList->topLevelItem(0);
    EXPECT_EQ(m_Item->text(0), QString());
    EXPECT_EQ(m_Item->text(1), QStringLiteral("5001"));
    EXPECT_EQ(m_Item->text(2), QStringLiteral("失败"));
    EXPECT_EQ(m_Item->text(3), QStringLiteral("ANSI"));
    EXPECT_EQ(m_Item->text(4), QStringLiteral("/data/locked file.txt"));
    EXPECT_EQ(m_Item->text(5), QStringLiteral("Permission denied"));
    EXPECT_EQ(RowImage(m_Item), DrawStatusImage(1));
    EXPECT_EQ(Text("lblCurrentPage"), QStringLiteral("当前第2页，"));
    ExpectButtons(true, true, false, false);
    EXPECT_TRUE(m_lvwList->updatesEnabled());

    Button("btnFirstPage")->click();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), 5000);
    EXPECT_EQ(m_lvwList->topLevelItem(0)->text(1), QStringLiteral("1"));
    EXPECT_EQ(m_lvwList->topLevelItem(4999)->text(1), QStringLiteral("5000"));
    EXPECT_EQ(m_lvwList->topLevelItem(4999)->text(4), QStringLiteral("/data/f 5000.txt"));
    EXPECT_EQ(m_lvwList->topLevelItem(4999)->text(5), QString());
    EXPECT_EQ(RowImage(m_lvwList->topLevelItem(0)), DrawStatusImage(0));
    ExpectButtons(false, false, true, true);

    Button("btnLastPage")->click();
    EXPECT_EQ(m_lvwList->topLevelItemCount(), 1);
    Button("btnPreviousPage")->click();
    EXPECT_EQ(m_lvwList->topLevelItemCount(), 5000);
}

TEST_F(ResultWindowPagerTest, PageStillBeingFilledGivesTheNotFoundMessage) {
    RunEmptyTask(kModeReplace);
    WritePage(1, ReplacePageLines(1, 3));
    g_frmResult->UpdatePagerInfo(3, 5000, 1);
    Button("btnFirstPage")->setEnabled(true); // never acts on page 1
    g_frmResult->btnFirstPageClick();
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());

    // Page 1 shown, page 2 counted but not written yet.
    g_frmResult->UpdatePagerInfo(5001, 5000, 2);
    Button("btnNextPage")->click();
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    const TRecordedMessage& m_Message = g_Dialogs.Messages().first();
    EXPECT_EQ(m_Message.g_strText,
              QStringLiteral("没有找到对应的日志文件，可能日志文件还未生成完毕，请稍后再试。"));
    EXPECT_EQ(m_Message.g_strTitle, QStringLiteral("消息"));
    EXPECT_EQ(m_Message.g_Icon, QMessageBox::Information);
    EXPECT_EQ(m_Message.g_Buttons, QMessageBox::Ok);
    // The list keeps page 1's rows, so the pager goes on naming page 1, also after the next
    // refresh; the next button still offers page 2.
    EXPECT_EQ(Text("lblCurrentPage"), QStringLiteral("当前第1页，"));
    g_frmResult->UpdatePagerInfo(5002, 5000, 2);
    EXPECT_EQ(Text("lblCurrentPage"), QStringLiteral("当前第1页，"));
    ExpectButtons(false, false, true, true);
    // Once written, the page loads and is named.
    WritePage(2, ReplacePageLines(5001, 2));
    Button("btnNextPage")->click();
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(Text("lblCurrentPage"), QStringLiteral("当前第2页，"));
}

TEST_F(ResultWindowPagerTest, ShortLinesShowEmptyCellsAndResumeUpdates) {
    RunEmptyTask(kModeReplace);
    // A failure reason with a line break in it spills onto lines of their own.
    WritePage(1,
              {QStringLiteral("1|失败|ANSI|/data/a.txt|first line"), QStringLiteral("second line"),
               QString(), QStringLiteral("2|成功|ANSI|/data/b.txt|")});
    g_frmResult->UpdatePagerInfo(2, 5000, 1);
    g_frmResult->LoadPage(1);

    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), 4);
    EXPECT_EQ(m_lvwList->topLevelItem(0)->text(5), QStringLiteral("first line"));
    const QTreeWidgetItem* m_Spilled = m_lvwList->topLevelItem(1);
    EXPECT_EQ(m_Spilled->text(1), QStringLiteral("second line"));
    for (int m_intColumn = 2; m_intColumn <= 5; ++m_intColumn) {
        EXPECT_EQ(m_Spilled->text(m_intColumn), QString()) << m_intColumn;
    }
    EXPECT_EQ(RowImage(m_Spilled), DrawStatusImage(1));
    EXPECT_EQ(m_lvwList->topLevelItem(3)->text(1), QStringLiteral("2"));
    EXPECT_TRUE(m_lvwList->updatesEnabled());
}

TEST_F(ResultWindowPagerTest, FindModeRowKeepsTheWholeFileName) {
    RunEmptyTask(kModeFind);
    WritePage(1, {QStringLiteral("1|成功|UTF8无Bom|/data/a|b.txt"),
                  QStringLiteral("2|成功|UTF16LE|/data/plain.txt")});
    g_frmResult->UpdatePagerInfo(2, 5000, 1);
    g_frmResult->LoadPage(1);
    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), 2);
    EXPECT_EQ(m_lvwList->topLevelItem(0)->text(4), QStringLiteral("/data/a|b.txt"));
    EXPECT_EQ(m_lvwList->topLevelItem(0)->text(5), QString());
    EXPECT_EQ(m_lvwList->topLevelItem(1)->text(3), QStringLiteral("UTF16LE"));
}

#ifndef _WIN32
TEST_F(ResultWindowPagerTest, LoadedRowsLeadToTheExactFiles) {
    const std::string m_arrNames[] = {"line\nbreak.txt",
                                      "cr\rname.txt",
                                      "pipe|name.txt",
                                      "back\\slash.txt",
                                      "bad\xff.txt",
                                      "中文名.txt",
                                      std::string(251, 'n') + ".txt"};
    std::set<std::string> m_arrExpected;
    for (const std::string& m_strName : m_arrNames) {
        m_arrExpected.insert(g_Tree.WriteFile(m_strName, "abc\n").string());
    }
    StartTask(kModeFind);
    ASSERT_TRUE(WaitForCompletion());
    g_frmResult->LoadPage(1);

    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->topLevelItemCount(), static_cast<int>(m_arrExpected.size()));
    std::set<std::string> m_arrLoaded;
    for (int m_intRow = 0; m_intRow < m_lvwList->topLevelItemCount(); ++m_intRow) {
        // The list shows the escaped name; the file actions get its bytes.
        const QString m_strCell = m_lvwList->topLevelItem(m_intRow)->text(4);
        EXPECT_FALSE(m_strCell.contains(u'|') || m_strCell.contains(u'\n') ||
                     m_strCell.contains(u'\r'))
            << m_strCell.toStdString();
        EXPECT_EQ(m_strCell, ToQString(EscapeName(
                                 TextToNativeName(ToU16String(LogFieldToFileName(m_strCell))))));
        m_arrLoaded.insert(TextToNativeName(ToU16String(LogFieldToFileName(m_strCell))));
    }
    EXPECT_EQ(m_arrLoaded, m_arrExpected);
}
#endif

TEST_F(ResultWindowPagerTest, PagesOutsideTheCountAreIgnored) {
    RunEmptyTask(kModeReplace);
    WritePage(1, ReplacePageLines(1, 2));
    WritePage(3, ReplacePageLines(10001, 2));
    g_frmResult->UpdatePagerInfo(2, 5000, 1);
    g_frmResult->LoadPage(0);
    g_frmResult->LoadPage(3);
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
}

TEST_F(ResultWindowPagerTest, LastButtonWithoutPagesLoadsNothingAndStaysOnItsPage) {
    RunEmptyTask(kModeReplace);
    g_frmResult->UpdatePagerInfo(5001, 5000, 2);
    ASSERT_TRUE(Button("btnLastPage")->isEnabled());
    g_Tree.MakeDir("empty2");
    g_frmResult->InitGo(QStringLiteral("Morvane"), kModeReplace,
                        QString::fromStdString(g_Tree.Path("empty2").string()) + u'/', 0,
                        QStringLiteral("abc"), QString(), QStringLiteral("*.TXT|"), true, false);
    ASSERT_TRUE(Button("btnLastPage")->isEnabled());
    Button("btnLastPage")->click();
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
    g_frmResult->UpdatePagerInfo(0, 0, 0);
    EXPECT_EQ(Text("lblCurrentPage"), QStringLiteral("当前第1页，"));
    ASSERT_TRUE(WaitForCompletion());
}

} // namespace
} // namespace morvane::test
