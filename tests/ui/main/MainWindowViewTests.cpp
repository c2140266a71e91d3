// The main window's look and controls: modes, sizes, the check-all toggle, the folder picker,
// the web link, and the two dialogs it opens.

#include "MainWindowFixture.h"
#include "u_About.h"
#include "u_AccessibleCaption.h"
#include "u_Extension.h"
#include "u_OptionsLayout.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace morvane::test {
namespace {

class MainWindowViewTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        CreateWindow();
    }
    void ShowAndSettle() {
        g_frmMain->show();
        QCoreApplication::processEvents();
    }
    QWidget* Panel(const char* p_strName) const { return Find<QWidget>(p_strName); }
};

TEST_F(MainWindowViewTest, ModeButtonsSwitchCaptionsFontsAndTheReplaceGroup) {
    ShowAndSettle();
    FindText()->setPlainText(QStringLiteral("keep"));
    ReplaceText()->setPlainText(QStringLiteral("kept too"));
    const struct {
        void (TfrmMain::*g_doClick)();
        int g_intMode;
        QString g_strCaption;
        QString g_strOptions;
        QString g_strGo;
        bool g_IsReplaceShown;
    } kCases[] = {
        {&TfrmMain::btnFindModeClick, 2, QStringLiteral("Morvane(x64) v6.3 - 查找模式"),
         QStringLiteral("4.选项设置"), QStringLiteral("开始查找(&G)"), false},
        {&TfrmMain::btnReplaceModeClick, 1, QStringLiteral("Morvane(x64) v6.3 - 替换模式"),
         QStringLiteral("5.选项设置"), QStringLiteral("开始替换(&G)"), true},
    };
    for (const auto& m_Case : kCases) {
        (g_frmMain.get()->*m_Case.g_doClick)();
        EXPECT_EQ(g_frmMain->Mode(), m_Case.g_intMode);
        EXPECT_EQ(g_frmMain->windowTitle(), m_Case.g_strCaption);
        EXPECT_EQ(Find<QGroupBox>("gbxOptions")->title(), m_Case.g_strOptions);
        EXPECT_EQ(Button("btnGo")->text(), m_Case.g_strGo);
        EXPECT_TRUE(Button("btnGo")->isEnabled());
        QPushButton* m_btnCurrent =
            Button(m_Case.g_IsReplaceShown ? "btnReplaceMode" : "btnFindMode");
        QPushButton* m_btnOther =
            Button(m_Case.g_IsReplaceShown ? "btnFindMode" : "btnReplaceMode");
        EXPECT_TRUE(m_btnCurrent->font().bold());
        EXPECT_EQ(m_btnCurrent->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
        EXPECT_FALSE(m_btnOther->font().bold());
        EXPECT_EQ(m_btnOther->palette().color(QPalette::ButtonText), QColor(0, 0, 0));
        EXPECT_EQ(Panel("pnlTaskReplace")->isVisible(), m_Case.g_IsReplaceShown);
        EXPECT_EQ(FindText()->toPlainText(), QStringLiteral("keep"));
        EXPECT_EQ(ReplaceText()->toPlainText(), QStringLiteral("kept too"));
    }
}

TEST_F(MainWindowViewTest, ControlsCarryTheirCaptions) {
    const struct {
        const char* g_strName;
        QString g_strCaption;
    } kButtons[] = {
        {"btnReplaceMode", QStringLiteral("替换文件(&R)")},
        {"btnFindMode", QStringLiteral("查找文件(&F)")},
        {"btnAbout", QStringLiteral("关于(&T)")},
        {"btnCheckAll", QStringLiteral("全选(&S)")},
        {"btnEditExt", QStringLiteral("编辑(&E)")},
        {"btnBrowse", QStringLiteral("浏览(&B)")},
    };
    for (const auto& m_Button : kButtons) {
        EXPECT_EQ(Button(m_Button.g_strName)->text(), m_Button.g_strCaption);
    }
    EXPECT_EQ(Option("chkIncSubDirectory")->text(), QStringLiteral("包含子文件夹(&D)"));
    EXPECT_EQ(Option("chkIsMatchCase")->text(), QStringLiteral("区分大小写(&C)"));
    EXPECT_EQ(Option("chkDeleteLogsFile")->text(), QStringLiteral("删除7天前的日志(&C)"));
    EXPECT_EQ(Find<QLabel>("lblTaskReplaceLabel")->text(), QStringLiteral("替 换 为："));
    EXPECT_EQ(Find<QGroupBox>("gbxTaskFind")->title(), QStringLiteral("3.查找文本文件内容"));
    EXPECT_TRUE(Button("btnGo")->font().bold());
    EXPECT_EQ(Button("btnGo")->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
}

// A screen reader names each field after its label or group, and the label points at it.
TEST_F(MainWindowViewTest, FieldsAreNamedAfterTheirCaptions) {
    const struct {
        const char* g_strControl;
        QString g_strName;
        const char* g_strLabel; // nullptr: named after its group
    } kFields[] = {
        {"drpDirectory", QStringLiteral("文件路径"), "lblDirectoryLabel"},
        {"drpFileEncoding", QStringLiteral("文件编码"), "lblFileEncodingLabel"},
        {"memFindText", QStringLiteral("查找文字"), "lblTaskFindLabel"},
        {"memReplaceText", QStringLiteral("替 换 为"), "lblTaskReplaceLabel"},
        {"clbFileExtList", QStringLiteral("2.文件格式"), nullptr},
    };
    for (const auto& m_Field : kFields) {
        QWidget* m_Control = Find<QWidget>(m_Field.g_strControl);
        EXPECT_EQ(m_Control->accessibleName(), m_Field.g_strName) << m_Field.g_strControl;
        if (m_Field.g_strLabel != nullptr) {
            EXPECT_EQ(Find<QLabel>(m_Field.g_strLabel)->buddy(), m_Control) << m_Field.g_strLabel;
        }
    }
    EXPECT_EQ(AccessibleCaption(QStringLiteral("全选(&S)")), QStringLiteral("全选(S)"));
    EXPECT_EQ(AccessibleCaption(QStringLiteral("A&&B: ")), QStringLiteral("A&B"));
}

TEST_F(MainWindowViewTest, WindowNeverGetsSmallerThanItsMinimum) {
    ShowAndSettle();
    g_frmMain->resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_GE(g_frmMain->frameGeometry().width(), TfrmMain::kMinOuterWidth);
    EXPECT_GE(g_frmMain->frameGeometry().height(), TfrmMain::kMinOuterHeight);
    g_frmMain->resize(900, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(g_frmMain->size(), QSize(900, 700));
}

TEST_F(MainWindowViewTest, ResizeLaysOutTheControls) {
    ShowAndSettle();
    // The right column is 199 wide and the options panel pads by 8: 800 gives a group 585 wide.
    g_frmMain->resize(800, 650);
    QCoreApplication::processEvents();
    auto* m_gbxOptions = Find<QGroupBox>("gbxOptions");
    ASSERT_EQ(m_gbxOptions->width(), 585);
    EXPECT_EQ(Option("chkIncSubDirectory")->x(), 20);
    EXPECT_EQ(Option("chkIsMatchCase")->x(), 228);
    EXPECT_EQ(Option("chkDeleteLogsFile")->x(), 436);
    EXPECT_EQ(Option("chkIsMatchCase")->y(), 23);

    QWidget* m_pnlButtons = Panel("pnlButtons");
    EXPECT_EQ(Button("btnGo")->x(), m_pnlButtons->width() / 2 - 50);
    EXPECT_EQ(Button("btnAbout")->x(), 30);
    QWidget* m_pnlContent = Panel("pnlDirectoryContent");
    EXPECT_EQ(Directory()->width(), m_pnlContent->width() - 71 - 12);
    EXPECT_EQ(Button("btnBrowse")->x(), m_pnlContent->width() - 71 - 6);
    EXPECT_EQ(Panel("pnlTaskReplace")->height(), Panel("pnlTask")->height() / 2);
    auto* m_lblFind = Find<QLabel>("lblTaskFindLabel");
    EXPECT_EQ(m_lblFind->y(), (Panel("pnlTaskFindLabel")->height() - m_lblFind->height()) / 2);

    g_frmMain->resize(801, 650);
    QCoreApplication::processEvents();
    ASSERT_EQ(m_gbxOptions->width(), 586);
    EXPECT_EQ(Option("chkDeleteLogsFile")->x(), TOptionsLayout::Lefts(586, {130, 130, 130})[2]);
}

TEST_F(MainWindowViewTest, FindModeGivesTheFindGroupTheWholeMiddle) {
    ShowAndSettle();
    g_frmMain->btnFindModeClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(Panel("pnlTaskFind")->height(), Panel("pnlTask")->height());
    auto* m_lblFind = Find<QLabel>("lblTaskFindLabel");
    EXPECT_EQ(m_lblFind->y(), (Panel("pnlTaskFindLabel")->height() - m_lblFind->height()) / 2);
}

TEST_F(MainWindowViewTest, CheckAllToggleFollowsOnlyItsButton) {
    WriteSetting("config.ini", "[zelkReplace]\r\nSelectedExtension=*.txt|\r\n");
    CreateWindow();
    QPushButton* m_btnCheckAll = Button("btnCheckAll");
    // The first click checks all, although some were checked by the settings.
    g_frmMain->btnCheckAllClick();
    EXPECT_EQ(CheckedTexts(), ItemTexts());
    EXPECT_EQ(m_btnCheckAll->text(), QStringLiteral("不选(&S)"));
    m_btnCheckAll->click();
    EXPECT_TRUE(CheckedTexts().isEmpty());
    EXPECT_EQ(m_btnCheckAll->text(), QStringLiteral("全选(&S)"));
    // Checking every item by hand does not turn the toggle.
    for (int m_intIndex = 0; m_intIndex < Extensions()->count(); ++m_intIndex) {
        Extensions()->item(m_intIndex)->setCheckState(Qt::Checked);
    }
    Extensions()->item(0)->setCheckState(Qt::Unchecked);
    g_frmMain->btnCheckAllClick();
    EXPECT_EQ(CheckedTexts(), ItemTexts());
    // Nor does clearing every mark by hand: the next click clears, as its caption says.
    for (int m_intIndex = 0; m_intIndex < Extensions()->count(); ++m_intIndex) {
        Extensions()->item(m_intIndex)->setCheckState(Qt::Unchecked);
    }
    g_frmMain->btnCheckAllClick();
    EXPECT_TRUE(CheckedTexts().isEmpty());
    EXPECT_EQ(m_btnCheckAll->text(), QStringLiteral("全选(&S)"));
    g_frmMain->btnCheckAllClick();
    // Reloading the list clears the marks but keeps the caption.
    WriteSetting("extension.ini", "*.a\r\n");
    g_frmMain->LoadExtensionList();
    EXPECT_TRUE(CheckedTexts().isEmpty());
    EXPECT_EQ(m_btnCheckAll->text(), QStringLiteral("不选(&S)"));
    EXPECT_TRUE(m_btnCheckAll->toolTip().isEmpty());
}

TEST_F(MainWindowViewTest, BrowsePutsThePickedFolderOnTopOfTheHistory) {
    const QString m_strPicked = ExistingDirectory("picked");
    g_Dialogs.QueueFolder(m_strPicked);
    Button("btnBrowse")->click();
    EXPECT_EQ(g_Dialogs.FolderInstructions(), QStringList{QStringLiteral("请选择文件路径!")});
    EXPECT_EQ(Directory()->currentText(), m_strPicked);
    EXPECT_EQ(DropDownItems(), QStringList{m_strPicked});
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strPicked.toStdString() + "\r\n");

    // Cancel changes nothing.
    Directory()->setEditText(QStringLiteral("typed"));
    g_frmMain->btnBrowseClick();
    EXPECT_EQ(Directory()->currentText(), QStringLiteral("typed"));
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strPicked.toStdString() + "\r\n");
}

TEST_F(MainWindowViewTest, WebsiteLinkHoversAndOpensTheMakersAddress) {
    auto* m_lblWebsite = Find<QLabel>("lblWebsite");
    EXPECT_EQ(m_lblWebsite->palette().color(QPalette::WindowText),
              g_frmMain->palette().color(QPalette::WindowText));
    EXPECT_EQ(m_lblWebsite->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(m_lblWebsite->font().pixelSize(), 16);
    QEnterEvent m_Enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(m_lblWebsite, &m_Enter);
    EXPECT_EQ(m_lblWebsite->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(m_lblWebsite->font().underline());
    QEvent m_Leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_lblWebsite, &m_Leave);
    EXPECT_EQ(m_lblWebsite->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_FALSE(m_lblWebsite->font().underline());

    g_frmMain->lblWebsiteClick();
    ASSERT_EQ(g_Shell.Calls().size(), 1);
    EXPECT_EQ(
        g_Shell.Calls().first(),
        (TShellCall{TShellAction::OpenUrl, QStringLiteral("https://lunvar.example/morvane")}));
    // The whole address is readable in its panel.
    EXPECT_LE(m_lblWebsite->x() + m_lblWebsite->width(), Panel("pnlWebsite")->width());
}

TEST_F(MainWindowViewTest, AboutButtonFillsInTheProductTexts) {
    TfrmAbout m_frmAbout;
    g_frmMain->setAboutWindow(&m_frmAbout);
    QStringList m_arrShown;
    QTimer::singleShot(0, &m_frmAbout, [&m_frmAbout, &m_arrShown] {
        for (const char* m_strName : {"lblSoftware", "lblPlatform", "lblVersion"}) {
            m_arrShown.append(
                m_frmAbout.findChild<QLabel*>(QString::fromLatin1(m_strName))->text());
        }
        m_arrShown.append(m_frmAbout.isModal() ? QStringLiteral("modal")
                                               : QStringLiteral("modeless"));
        m_frmAbout.btnCloseClick();
    });
    g_frmMain->btnAboutClick();
    EXPECT_EQ(m_arrShown, (QStringList{QStringLiteral("Morvane"), QStringLiteral("(x64)"),
                                       QStringLiteral("v6.3"), QStringLiteral("modal")}));
}

} // namespace
} // namespace morvane::test
