// The window as built, and what InitGo does before the workers report anything.

#include "ResultWindowFixture.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

namespace morvane::test {
namespace {

struct TControlCase {
    const char* g_strName;
    const char* g_strClass;
    QString g_strCaption; // empty: not checked
};

class ResultWindowControlTest : public ResultWindowTest,
                                public ::testing::WithParamInterface<TControlCase> {};

TEST_P(ResultWindowControlTest, CarriesItsNameAndCaption) {
    const TControlCase& m_Case = GetParam();
    QObject* m_Control = g_frmResult->findChild<QObject*>(QString::fromLatin1(m_Case.g_strName));
    ASSERT_NE(m_Control, nullptr);
    EXPECT_TRUE(m_Control->inherits(m_Case.g_strClass)) << m_Control->metaObject()->className();
    if (!m_Case.g_strCaption.isEmpty()) {
        const QVariant m_Caption = m_Control->property("text");
        EXPECT_EQ(m_Caption.toString(), m_Case.g_strCaption);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ResultWindowControlTest,
    ::testing::Values(
        TControlCase{"pnlInfoContainer", "QFrame", QString()},
        TControlCase{"pnlInfoLabel", "QWidget", QString()},
        TControlCase{"lblOperate", "QLabel", QStringLiteral("当前操作：")},
        TControlCase{"lblDirectory", "QLabel", QStringLiteral("文件路径：")},
        TControlCase{"lblProgress", "QLabel", QStringLiteral("处理进度：")},
        TControlCase{"pnlInfo", "QWidget", QString()},
        TControlCase{"edtOperate", "QLineEdit", QString()},
        TControlCase{"edtDirectory", "QLineEdit", QString()},
        TControlCase{"pgrProgress", "QProgressBar", QString()},
        TControlCase{"pnlList", "QWidget", QString()},
        TControlCase{"lvwFileList", "QTreeWidget", QString()},
        TControlCase{"pnlPagerContainer", "QWidget", QString()},
        TControlCase{"btnFirstPage", "QPushButton", QStringLiteral("首页(&F)")},
        TControlCase{"btnPreviousPage", "QPushButton", QStringLiteral("上一页(&P)")},
        TControlCase{"btnNextPage", "QPushButton", QStringLiteral("下一页(&N)")},
        TControlCase{"btnLastPage", "QPushButton", QStringLiteral("末页(&L)")},
        TControlCase{"lblCurrentPage", "QLabel", QStringLiteral("当前第0001页，")},
        TControlCase{"lblPageCount", "QLabel", QStringLiteral("共0001页，")},
        TControlCase{"lblPageSize", "QLabel", QStringLiteral("每页0100条，")},
        TControlCase{"lblRecordCount", "QLabel", QStringLiteral("共12341234条。")},
        TControlCase{"pnlViewLogs", "QWidget", QString()},
        TControlCase{"btnViewLogs", "QPushButton", QStringLiteral("查看处理日志(&V)")},
        TControlCase{"btnStop", "QPushButton", QStringLiteral("停止(&S)")},
        TControlCase{"btnAbout", "QPushButton", QStringLiteral("关于(&T)")},
        TControlCase{"ppmListView", "QMenu", QString()},
        TControlCase{"pmiOpenFile", "QAction", QStringLiteral("打开文件(&F)")},
        TControlCase{"pmiOpenFileDirectory", "QAction", QStringLiteral("打开文件所在目录(&D)")}),
    [](const ::testing::TestParamInfo<TControlCase>& p_Info) { return p_Info.param.g_strName; });

TEST_F(ResultWindowTest, DesignStateBeforeTheFirstTask) {
    EXPECT_TRUE(g_frmResult->isWindow());
    EXPECT_EQ(g_frmResult->parentWidget(), nullptr);
    EXPECT_EQ(g_frmResult->windowTitle(), QStringLiteral("Morvane"));
    EXPECT_EQ(g_frmResult->size(), QSize(930, 603));
    for (const char* m_strName : {"btnFirstPage", "btnPreviousPage", "btnNextPage", "btnLastPage",
                                  "btnViewLogs", "btnStop"}) {
        EXPECT_FALSE(Button(m_strName)->isEnabled()) << m_strName;
    }
    EXPECT_FALSE(Button("btnStop")->isHidden());
    EXPECT_TRUE(Button("btnAbout")->isHidden());
    EXPECT_FALSE(Button("btnAbout")->isEnabled());
    EXPECT_EQ(Find<QProgressBar>("pgrProgress")->value(), 50);
    EXPECT_EQ(Find<QLineEdit>("edtOperate")->palette().color(QPalette::Base),
              QColor(230, 230, 230));
    EXPECT_TRUE(Find<QLineEdit>("edtDirectory")->isReadOnly());

    QTreeWidget* m_lvwList = List();
    EXPECT_EQ(m_lvwList->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(m_lvwList->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(m_lvwList->header()->sectionsClickable());
    EXPECT_FALSE(m_lvwList->rootIsDecorated());
    EXPECT_EQ(m_lvwList->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(ResultWindowParent, WithAParentItIsStillAWindowOfItsOwn) {
    QWidget m_frmOwner;
    TfrmResult m_frmResult(&m_frmOwner);
    EXPECT_TRUE(m_frmResult.isWindow());
}

TEST_F(ResultWindowTest, FieldsKeepTheirRightMarginWhenResized) {
    g_frmResult->show();
    for (const int m_intWidth : {930, 1400, 700}) {
        g_frmResult->resize(m_intWidth, 603);
        QApplication::sendPostedEvents();
        g_frmResult->layout()->activate();
        QWidget* m_pnlInfo = Find<QWidget>("pnlInfo");
        m_pnlInfo->layout()->activate();
        const int m_intEditWidth = Find<QLineEdit>("edtOperate")->width();
        EXPECT_EQ(m_intEditWidth, m_pnlInfo->width() - 20) << m_intWidth;
        EXPECT_EQ(Find<QLineEdit>("edtDirectory")->width(), m_intEditWidth);
        EXPECT_EQ(Find<QProgressBar>("pgrProgress")->width(), m_intEditWidth);
    }
}

struct THeaderCase {
    std::int32_t g_intMode;
    QStringList g_arrCaptions;
    QList<int> g_arrWidths;
};

class ResultWindowColumnsTest : public ResultWindowTest,
                                public ::testing::WithParamInterface<THeaderCase> {};

TEST_P(ResultWindowColumnsTest, InitGoLaysOutTheModesColumns) {
    StartTask(GetParam().g_intMode);
    QTreeWidget* m_lvwList = List();
    ASSERT_EQ(m_lvwList->columnCount(), GetParam().g_arrCaptions.size());
    for (int m_intColumn = 0; m_intColumn < m_lvwList->columnCount(); ++m_intColumn) {
        SCOPED_TRACE(m_intColumn);
        EXPECT_EQ(m_lvwList->headerItem()->text(m_intColumn),
                  GetParam().g_arrCaptions.at(m_intColumn));
        EXPECT_EQ(m_lvwList->columnWidth(m_intColumn), GetParam().g_arrWidths.at(m_intColumn));
        // The image column and the file name are left-aligned, every other column centred.
        const Qt::Alignment m_Alignment = m_lvwList->headerItem()
                                              ->data(m_intColumn, Qt::TextAlignmentRole)
                                              .value<Qt::Alignment>();
        EXPECT_EQ(m_Alignment & Qt::AlignHorizontal_Mask,
                  m_intColumn == 0 || m_intColumn == 4 ? Qt::AlignLeft : Qt::AlignHCenter);
    }
    ASSERT_TRUE(WaitForCompletion());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ResultWindowColumnsTest,
    ::testing::Values(THeaderCase{kModeReplace,
                                  {QString(), QStringLiteral("序号"), QStringLiteral("处理结果"),
                                   QStringLiteral("文件编码"), QStringLiteral("文件名"),
                                   QStringLiteral("失败原因")},
                                  {24, 50, 100, 100, 550, 300}},
                      THeaderCase{kModeFind,
                                  {QString(), QStringLiteral("序号"), QStringLiteral("处理结果"),
                                   QStringLiteral("文件编码"), QStringLiteral("文件名")},
                                  {24, 50, 100, 100, 580}}));

TEST_F(ResultWindowTest, InitGoDescribesTheTaskAndResetsTheWindow) {
    g_Tree.WriteFile("a.txt", "abc");
    StartTask(kModeReplace, QStringLiteral("*.TXT|*.HTM|"));

    EXPECT_EQ(Find<QLineEdit>("edtOperate")->text(),
              QStringLiteral("替换模式,查找[abc],替换为[xyz],扩展名[*.TXT|*.HTM|],包含子目录,"
                             "不区分大小写"));
    EXPECT_EQ(Find<QLineEdit>("edtDirectory")->text(), Root());
    EXPECT_EQ(PagerText(), QStringLiteral("当前第1页，共0页，每页0条，共0条。"));
    EXPECT_FALSE(Button("btnStop")->isHidden());
    EXPECT_TRUE(Button("btnStop")->isEnabled());
    EXPECT_TRUE(Button("btnAbout")->isHidden());
    EXPECT_EQ(List()->topLevelItemCount(), 0);

    // The log folder: program folder, "logs", the start time; created with its parents.
    const QString m_strLogs = g_frmResult->logsDirectory();
    const QString m_strExpectedParent =
        QString::fromStdString(g_ProgramFolder.RootWithSlash()) + QStringLiteral("logs/");
    EXPECT_TRUE(m_strLogs.startsWith(m_strExpectedParent)) << m_strLogs.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{8}_\\d{6}$"))
                    .match(m_strLogs.mid(m_strExpectedParent.size()))
                    .hasMatch())
        << m_strLogs.toStdString();
    EXPECT_TRUE(QFileInfo(m_strLogs).isDir());
    ASSERT_TRUE(WaitForCompletion());
}

TEST_F(ResultWindowTest, AnInstalledProgramKeepsItsLogsInTheXdgStateFolder) {
    g_DataLocations.SetPortable(false);
    StartTask(kModeFind);
    const QString m_strParent =
        QString::fromStdString(g_DataLocations.Home().Path("state/morvane/logs/").string());
    EXPECT_TRUE(g_frmResult->logsDirectory().startsWith(m_strParent))
        << g_frmResult->logsDirectory().toStdString();
    EXPECT_TRUE(QFileInfo(g_frmResult->logsDirectory()).isDir());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(g_ProgramFolder.Path("logs").string())));
    ASSERT_TRUE(WaitForCompletion());
}

TEST_F(ResultWindowTest, LongMultiLineFindTextIsDescribedWhole) {
    const QString m_strOldText = QString(40000, u'a') + QStringLiteral("\r\nb");
    g_frmResult->InitGo(QStringLiteral("Morvane"), kModeFind, Root(), 0, m_strOldText, QString(),
                        QStringLiteral("*.TXT|"), false, true);
    EXPECT_EQ(Find<QLineEdit>("edtOperate")->text(),
              QStringLiteral("查找模式,查找[") + m_strOldText +
                  QStringLiteral("],扩展名[*.TXT|],不包含子目录,区分大小写"));
    ASSERT_TRUE(WaitForCompletion());
}

TEST_F(ResultWindowTest, FocusGoesToTheDirectoryWhenShown) {
    g_frmResult->show();
    EXPECT_EQ(g_frmResult->focusWidget(), Find<QLineEdit>("edtDirectory"));
}

} // namespace
} // namespace morvane::test
