// TfrmMain's controls: built once in code, with the names, captions and design positions that
// the window's handlers and FormResize rely on.

#include "u_About.h"
#include "u_AccessibleCaption.h"
#include "u_LinkLabel.h"
#include "u_Main.h"
#include "u_SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace morvane {

namespace {

template <typename TWidget> TWidget* Named(TWidget* p_Widget, const QString& p_strName) {
    p_Widget->setObjectName(p_strName);
    return p_Widget;
}

QPushButton* NewButton(QWidget* p_Parent, const QString& p_strName, const QString& p_strCaption,
                       const QRect& p_Geometry) {
    auto* m_btnButton = Named(new QPushButton(p_strCaption, p_Parent), p_strName);
    m_btnButton->setGeometry(p_Geometry);
    m_btnButton->setAutoDefault(false);
    return m_btnButton;
}

QLabel* NewLabel(QWidget* p_Parent, const QString& p_strName, const QString& p_strCaption,
                 const QPoint& p_Position) {
    auto* m_lblLabel = Named(new QLabel(p_strCaption, p_Parent), p_strName);
    m_lblLabel->adjustSize();
    m_lblLabel->move(p_Position);
    return m_lblLabel;
}

// A panel whose one child fills it within the given padding.
QWidget* NewPaddedPanel(QWidget* p_Parent, const QString& p_strName, QWidget* p_Child,
                        const QMargins& p_Padding) {
    auto* m_pnlPanel = Named(new QWidget(p_Parent), p_strName);
    auto* m_Layout = new QVBoxLayout(m_pnlPanel);
    m_Layout->setContentsMargins(p_Padding);
    m_Layout->setSpacing(0);
    p_Child->setParent(m_pnlPanel);
    m_Layout->addWidget(p_Child);
    return m_pnlPanel;
}

QPlainTextEdit* NewMemo(const QString& p_strName) {
    auto* m_memMemo = Named(new QPlainTextEdit(), p_strName);
    m_memMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in the other text boxes of the program.
    m_memMemo->setTabChangesFocus(true);
    return m_memMemo;
}

} // namespace

void TfrmMain::BuildPages() {
    pnlPages = Named(new QWidget(this), QStringLiteral("pnlPages"));
    pnlPages->setFixedHeight(60);
    btnReplaceMode = NewButton(pnlPages, QStringLiteral("btnReplaceMode"),
                               QStringLiteral("替换文件(&R)"), QRect(15, 15, 100, 30));
    btnFindMode = NewButton(pnlPages, QStringLiteral("btnFindMode"), QStringLiteral("查找文件(&F)"),
                            QRect(130, 15, 100, 30));

    pnlWebsite = Named(new QWidget(pnlPages), QStringLiteral("pnlWebsite"));
    lblWebsite = Named(new TLinkLabel(pnlWebsite), QStringLiteral("lblWebsite"));
    QFont m_Font(QStringLiteral("Tahoma"));
    m_Font.setPixelSize(16);
    lblWebsite->setFont(m_Font);
    lblWebsite->setText(TfrmAbout::WebsiteUrl().section(u'/', 2));
    lblWebsite->adjustSize();
    lblWebsite->move(24, 18);
    // At least the design width, and wide enough that the address is never cut off.
    pnlWebsite->setFixedWidth(std::max(120, 24 + lblWebsite->width() + 12));
    auto* m_PagesLayout = new QHBoxLayout(pnlPages);
    m_PagesLayout->setContentsMargins(0, 0, 0, 0);
    m_PagesLayout->addStretch(1);
    m_PagesLayout->addWidget(pnlWebsite);

    connect(btnReplaceMode, &QPushButton::clicked, this, &TfrmMain::btnReplaceModeClick);
    connect(btnFindMode, &QPushButton::clicked, this, &TfrmMain::btnFindModeClick);
    connect(lblWebsite, &TLinkLabel::clicked, this, &TfrmMain::lblWebsiteClick);
    connect(lblWebsite, &TLinkLabel::mouseEntered, this, &TfrmMain::lblWebsiteMouseEnter);
    connect(lblWebsite, &TLinkLabel::mouseLeft, this, &TfrmMain::lblWebsiteMouseLeave);
}

QWidget* TfrmMain::BuildDirectory(QWidget* p_pnlParent) {
    auto* m_gbxDirectory =
        Named(new QGroupBox(QStringLiteral("1.目录及文件设置")), QStringLiteral("gbxDirectory"));
    auto* m_pnlLabels = Named(new QWidget(m_gbxDirectory), QStringLiteral("pnlDirectoryLabel"));
    m_pnlLabels->setFixedWidth(80);
    QLabel* m_lblDirectoryLabel = NewLabel(m_pnlLabels, QStringLiteral("lblDirectoryLabel"),
                                           QStringLiteral("文件路径："), QPoint(18, 15));
    QLabel* m_lblFileEncodingLabel = NewLabel(m_pnlLabels, QStringLiteral("lblFileEncodingLabel"),
                                              QStringLiteral("文件编码："), QPoint(18, 52));

    pnlDirectoryContent = Named(new QWidget(m_gbxDirectory), QStringLiteral("pnlDirectoryContent"));
    drpDirectory = Named(new QComboBox(pnlDirectoryContent), QStringLiteral("drpDirectory"));
    drpDirectory->setEditable(true);
    // The drop-down holds the history only: Enter must not add what was typed.
    drpDirectory->setInsertPolicy(QComboBox::NoInsert);
    // History entries differ by letter case, so completion must not fold it.
    drpDirectory->completer()->setCaseSensitivity(Qt::CaseSensitive);
    drpDirectory->move(0, 13);
    btnBrowse = NewButton(pnlDirectoryContent, QStringLiteral("btnBrowse"),
                          QStringLiteral("浏览(&B)"), QRect(0, 11, 71, 25));
    drpFileEncoding = Named(new QComboBox(pnlDirectoryContent), QStringLiteral("drpFileEncoding"));
    drpFileEncoding->addItems({QStringLiteral("自动识别文件编码"), QStringLiteral("ANSI"),
                               QStringLiteral("UTF-8（无BOM）"), QStringLiteral("UTF-8（有BOM）"),
                               QStringLiteral("UTF-16 Big Endian"),
                               QStringLiteral("UTF-16 Little Endian")});
    drpFileEncoding->setGeometry(0, 49, 255, drpFileEncoding->sizeHint().height());
    LabelControl(m_lblDirectoryLabel, drpDirectory);
    LabelControl(m_lblFileEncodingLabel, drpFileEncoding);

    auto* m_Layout = new QHBoxLayout(m_gbxDirectory);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->setSpacing(0);
    m_Layout->addWidget(m_pnlLabels);
    m_Layout->addWidget(pnlDirectoryContent, 1);

    connect(btnBrowse, &QPushButton::clicked, this, &TfrmMain::btnBrowseClick);
    QWidget* m_pnlDirectory = NewPaddedPanel(p_pnlParent, QStringLiteral("pnlDirectory"),
                                             m_gbxDirectory, QMargins(8, 8, 8, 8));
    m_pnlDirectory->setFixedHeight(110);
    return m_pnlDirectory;
}

QWidget* TfrmMain::BuildTask(QWidget* p_pnlParent) {
    pnlTask = Named(new QWidget(p_pnlParent), QStringLiteral("pnlTask"));
    const auto BuildGroup = [](const QString& p_strGroupName, const QString& p_strCaption,
                               const QString& p_strLabelPanelName, QWidget*& p_pnlLabel,
                               const QString& p_strLabelName, const QString& p_strLabel,
                               QLabel*& p_lblLabel, QPlainTextEdit* p_memMemo,
                               const QString& p_strMemoPanelName) {
        auto* m_gbxGroup = Named(new QGroupBox(p_strCaption), p_strGroupName);
        p_pnlLabel = Named(new QWidget(m_gbxGroup), p_strLabelPanelName);
        p_pnlLabel->setFixedWidth(80);
        p_lblLabel = NewLabel(p_pnlLabel, p_strLabelName, p_strLabel, QPoint(16, 0));
        LabelControl(p_lblLabel, p_memMemo);
        auto* m_Layout = new QHBoxLayout(m_gbxGroup);
        m_Layout->setContentsMargins(0, 0, 0, 0);
        m_Layout->setSpacing(0);
        m_Layout->addWidget(p_pnlLabel);
        m_Layout->addWidget(
            NewPaddedPanel(m_gbxGroup, p_strMemoPanelName, p_memMemo, QMargins(0, 1, 8, 8)), 1);
        return m_gbxGroup;
    };
    memFindText = NewMemo(QStringLiteral("memFindText"));
    QGroupBox* m_gbxTaskFind =
        BuildGroup(QStringLiteral("gbxTaskFind"), QStringLiteral("3.查找文本文件内容"),
                   QStringLiteral("pnlTaskFindLabel"), pnlTaskFindLabel,
                   QStringLiteral("lblTaskFindLabel"), QStringLiteral("查找文字："),
                   lblTaskFindLabel, memFindText, QStringLiteral("pnlTaskFindText"));
    memReplaceText = NewMemo(QStringLiteral("memReplaceText"));
    QGroupBox* m_gbxTaskReplace =
        BuildGroup(QStringLiteral("gbxTaskReplace"), QStringLiteral("4.替换后内容"),
                   QStringLiteral("pnlTaskReplaceLabel"), pnlTaskReplaceLabel,
                   QStringLiteral("lblTaskReplaceLabel"), QStringLiteral("替 换 为："),
                   lblTaskReplaceLabel, memReplaceText, QStringLiteral("pnlTaskReplaceText"));

    auto* m_Layout = new QVBoxLayout(pnlTask);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->setSpacing(0);
    m_Layout->addWidget(
        NewPaddedPanel(pnlTask, QStringLiteral("pnlTaskFind"), m_gbxTaskFind, QMargins(8, 8, 8, 0)),
        1);
    pnlTaskReplace = NewPaddedPanel(pnlTask, QStringLiteral("pnlTaskReplace"), m_gbxTaskReplace,
                                    QMargins(8, 8, 8, 0));
    m_Layout->addWidget(pnlTaskReplace);
    return pnlTask;
}

QWidget* TfrmMain::BuildOptions(QWidget* p_pnlParent) {
    gbxOptions = Named(new QGroupBox(QStringLiteral("5.选项设置")), QStringLiteral("gbxOptions"));
    const auto NewCheckBox = [this](const QString& p_strName, const QString& p_strCaption) {
        auto* m_chkBox = Named(new QCheckBox(p_strCaption, gbxOptions), p_strName);
        m_chkBox->setGeometry(0, 23, 130, 17);
        m_chkBox->setChecked(true);
        return m_chkBox;
    };
    chkIncSubDirectory =
        NewCheckBox(QStringLiteral("chkIncSubDirectory"), QStringLiteral("包含子文件夹(&D)"));
    chkIsMatchCase =
        NewCheckBox(QStringLiteral("chkIsMatchCase"), QStringLiteral("区分大小写(&C)"));
    chkDeleteLogsFile =
        NewCheckBox(QStringLiteral("chkDeleteLogsFile"), QStringLiteral("删除7天前的日志(&C)"));
    QWidget* m_pnlOptions =
        NewPaddedPanel(p_pnlParent, QStringLiteral("pnlOptions"), gbxOptions, QMargins(8, 8, 8, 8));
    m_pnlOptions->setFixedHeight(70);
    return m_pnlOptions;
}

QWidget* TfrmMain::BuildFileExt(QWidget* p_pnlParent) {
    auto* m_gbxFileExt =
        Named(new QGroupBox(QStringLiteral("2.文件格式")), QStringLiteral("gbxFileExt"));
    clbFileExtList = Named(new QListWidget(), QStringLiteral("clbFileExtList"));
    clbFileExtList->setAccessibleName(AccessibleCaption(m_gbxFileExt->title()));
    for (const QString& m_strItem : TSettingsStore::BuiltInExtensions()) {
        AddExtensionItem(m_strItem);
    }
    auto* m_pnlStrip = Named(new QWidget(m_gbxFileExt), QStringLiteral("pnlFileExtButtons"));
    m_pnlStrip->setFixedHeight(39);
    btnCheckAll = NewButton(m_pnlStrip, QStringLiteral("btnCheckAll"), QStringLiteral("全选(&S)"),
                            QRect(9, 7, 75, 25));
    // The toggle's state lives with the button, never shown: "1" checks all next, "-1" clears.
    btnCheckAll->setProperty(kCheckAllHint, QStringLiteral("1"));
    btnEditExt = NewButton(m_pnlStrip, QStringLiteral("btnEditExt"), QStringLiteral("编辑(&E)"),
                           QRect(90, 7, 75, 25));

    auto* m_Layout = new QVBoxLayout(m_gbxFileExt);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->setSpacing(0);
    m_Layout->addWidget(NewPaddedPanel(m_gbxFileExt, QStringLiteral("pnlFileExtList"),
                                       clbFileExtList, QMargins(8, 3, 8, 0)),
                        1);
    m_Layout->addWidget(m_pnlStrip);

    connect(btnCheckAll, &QPushButton::clicked, this, &TfrmMain::btnCheckAllClick);
    connect(btnEditExt, &QPushButton::clicked, this, &TfrmMain::btnEditExtClick);
    QWidget* m_pnlFileExt = NewPaddedPanel(p_pnlParent, QStringLiteral("pnlFileExt"), m_gbxFileExt,
                                           QMargins(8, 8, 8, 8));
    m_pnlFileExt->setFixedWidth(199);
    return m_pnlFileExt;
}

void TfrmMain::BuildButtons() {
    pnlButtons = Named(new QWidget(this), QStringLiteral("pnlButtons"));
    pnlButtons->setFixedHeight(60);
    btnAbout = NewButton(pnlButtons, QStringLiteral("btnAbout"), QStringLiteral("关于(&T)"),
                         QRect(30, 15, 100, 30));
    btnGo = NewButton(pnlButtons, QStringLiteral("btnGo"), QStringLiteral("开始替换(&G)"),
                      QRect(0, 15, 100, 30));
    QFont m_Font = btnGo->font();
    m_Font.setBold(true);
    btnGo->setFont(m_Font);
    QPalette m_Palette = btnGo->palette();
    m_Palette.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    btnGo->setPalette(m_Palette);
    btnGo->setEnabled(false);
    btnPreview = NewButton(pnlButtons, QStringLiteral("btnPreview"), QStringLiteral("预览替换(&P)"),
                           QRect(0, 15, 100, 30));
    btnPreview->setEnabled(false);

    connect(btnAbout, &QPushButton::clicked, this, &TfrmMain::btnAboutClick);
    connect(btnGo, &QPushButton::clicked, this, &TfrmMain::btnGoClick);
    connect(btnPreview, &QPushButton::clicked, this, &TfrmMain::btnPreviewClick);
}

} // namespace morvane
