#include "u_Result.h"

#include "logs/u_LogPage.h"
#include "logs/u_TaskLogsFolder.h"
#include "logs/u_TaskSummary.h"
#include "task/u_TaskParameters.h"
#include "task/u_TaskRunner.h"
#include "u_AccessibleCaption.h"
#include "u_Dialogs.h"
#include "u_GridLineDelegate.h"
#include "u_LogLineFields.h"
#include "u_MainThreadDispatcher.h"
#include "u_PagerText.h"
#include "u_QtListView.h"
#include "u_QtProgressBar.h"
#include "u_QtText.h"
#include "u_ResultColumns.h"
#include "u_ResultFonts.h"
#include "u_ScreenFit.h"
#include "u_Shell.h"
#include "u_StatusImages.h"
#include "u_TaskDescription.h"
#include "u_ThemeColours.h"
#include "u_UpdatesSuspender.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <limits>
#include <utility>
#include <vector>

namespace morvane {

namespace {

const QString kLogFileNotFound =
    QStringLiteral("没有找到对应的日志文件，可能日志文件还未生成完毕，请稍后再试。");

constexpr int kDesignWidth = 930;
constexpr int kDesignHeight = 603;
constexpr int kInfoContainerHeight = 90;
constexpr int kInfoLabelWidth = 83;
constexpr int kInfoRightMargin = 20;
constexpr int kEditHeight = 21;
constexpr int kProgressHeight = 17;
constexpr int kInfoRowSpacing = 5;
constexpr int kPagerHeight = 36;
constexpr int kViewLogsPanelWidth = 202;
// How often a running task's rows, pager and progress are shown: smooth to the eye, and every
// refresh lays out and repaints the list, which costs the workers a share of the machine.
constexpr int kRefreshIntervalMs = 100;
const QColor kReadOnlyEditColour(230, 230, 230);

QPushButton* CreateButton(QWidget* p_Parent, const QString& p_strName, const QString& p_strCaption,
                          int p_intWidth) {
    auto* m_Button = new QPushButton(p_strCaption, p_Parent);
    m_Button->setObjectName(p_strName);
    m_Button->setFixedSize(p_intWidth, 25);
    m_Button->setEnabled(false);
    return m_Button;
}

QLabel* CreateLabel(QWidget* p_Parent, const QString& p_strName, const QString& p_strCaption) {
    auto* m_Label = new QLabel(p_strCaption, p_Parent);
    m_Label->setObjectName(p_strName);
    m_Label->setTextFormat(Qt::PlainText);
    return m_Label;
}

QLineEdit* CreateReadOnlyEdit(QWidget* p_Parent, const QString& p_strName) {
    auto* m_Edit = new QLineEdit(p_Parent);
    m_Edit->setObjectName(p_strName);
    m_Edit->setReadOnly(true);
    // The description holds the find and replacement texts verbatim, however long they are.
    m_Edit->setMaxLength(std::numeric_limits<int>::max());
    m_Edit->setFixedHeight(kEditHeight);
    QPalette m_Palette = m_Edit->palette();
    // The grey is the same in every theme, so the text must be dark on it in a dark one too.
    m_Palette.setColor(QPalette::Text, TextColourOn(kReadOnlyEditColour, m_Palette));
    m_Palette.setColor(QPalette::Base, kReadOnlyEditColour);
    m_Edit->setPalette(m_Palette);
    return m_Edit;
}

QChar UserDecimalSeparator() {
    const QString m_strDecimalPoint = QLocale().decimalPoint();
    return m_strDecimalPoint.isEmpty() ? QChar(u'.') : m_strDecimalPoint.at(0);
}

} // namespace

TfrmResult::TfrmResult(QWidget* p_Parent) : QWidget(p_Parent, Qt::Window) {
    // The workers reach the list and the progress bar only through Synchronize: it must run
    // their calls on this thread before any task starts.
    InstallMainThreadDispatcher();

    setObjectName(QStringLiteral("frmResult"));
    setWindowTitle(QStringLiteral("Morvane"));
    setFont(FormFont());
    iltListView = BuildStatusImageList();

    auto* m_FormLayout = new QVBoxLayout(this);
    m_FormLayout->setContentsMargins(0, 0, 0, 0);
    m_FormLayout->setSpacing(0);
    CreateInfoPanel();
    CreateListPanel();
    m_FormLayout->addWidget(pnlInfoContainer);
    m_FormLayout->addWidget(pnlList, 1);
    CreatePopupMenu();
    tmrRefresh = new QTimer(this);
    tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
    tmrRefresh->setInterval(kRefreshIntervalMs);
    ConnectHandlers();

    PlaceCentred(this, QSize(kDesignWidth, kDesignHeight));
}

TfrmResult::~TfrmResult() {
    g_IsDestroying = true;
    ReleaseTask();
    g_ThreadGraveyard.Drain();
}

void TfrmResult::CreateInfoPanel() {
    pnlInfoContainer = new QFrame(this);
    pnlInfoContainer->setObjectName(QStringLiteral("pnlInfoContainer"));
    pnlInfoContainer->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlInfoContainer->setFixedHeight(kInfoContainerHeight);
    auto* m_ContainerLayout = new QHBoxLayout(pnlInfoContainer);
    m_ContainerLayout->setContentsMargins(0, 0, 0, 0);
    m_ContainerLayout->setSpacing(0);

    // Both halves share one row geometry so that each label stands level with its field.
    const int m_intTopMargin = 9 - pnlInfoContainer->frameWidth();
    pnlInfoLabel = new QWidget(pnlInfoContainer);
    pnlInfoLabel->setObjectName(QStringLiteral("pnlInfoLabel"));
    pnlInfoLabel->setFixedWidth(kInfoLabelWidth);
    auto* m_LabelLayout = new QVBoxLayout(pnlInfoLabel);
    m_LabelLayout->setContentsMargins(12, m_intTopMargin, 0, 0);
    m_LabelLayout->setSpacing(kInfoRowSpacing);
    lblOperate =
        CreateLabel(pnlInfoLabel, QStringLiteral("lblOperate"), QStringLiteral("当前操作："));
    lblDirectory =
        CreateLabel(pnlInfoLabel, QStringLiteral("lblDirectory"), QStringLiteral("文件路径："));
    lblProgress =
        CreateLabel(pnlInfoLabel, QStringLiteral("lblProgress"), QStringLiteral("处理进度："));
    lblOperate->setFixedHeight(kEditHeight);
    lblDirectory->setFixedHeight(kEditHeight);
    lblProgress->setFixedHeight(kProgressHeight);
    m_LabelLayout->addWidget(lblOperate);
    m_LabelLayout->addWidget(lblDirectory);
    m_LabelLayout->addWidget(lblProgress);
    m_LabelLayout->addStretch(1);

    pnlInfo = new QWidget(pnlInfoContainer);
    pnlInfo->setObjectName(QStringLiteral("pnlInfo"));
    auto* m_InfoLayout = new QVBoxLayout(pnlInfo);
    // The fields keep kInfoRightMargin free at the right edge whatever the window's width.
    m_InfoLayout->setContentsMargins(0, m_intTopMargin, kInfoRightMargin, 0);
    m_InfoLayout->setSpacing(kInfoRowSpacing);
    edtOperate = CreateReadOnlyEdit(pnlInfo, QStringLiteral("edtOperate"));
    edtDirectory = CreateReadOnlyEdit(pnlInfo, QStringLiteral("edtDirectory"));
    pgrProgress = new QProgressBar(pnlInfo);
    pgrProgress->setObjectName(QStringLiteral("pgrProgress"));
    pgrProgress->setFixedHeight(kProgressHeight);
    pgrProgress->setRange(0, 100);
    pgrProgress->setValue(50);
    pgrProgress->setTextVisible(false);
    m_InfoLayout->addWidget(edtOperate);
    m_InfoLayout->addWidget(edtDirectory);
    m_InfoLayout->addWidget(pgrProgress);
    m_InfoLayout->addStretch(1);
    LabelControl(lblOperate, edtOperate);
    LabelControl(lblDirectory, edtDirectory);
    LabelControl(lblProgress, pgrProgress);

    m_ContainerLayout->addWidget(pnlInfoLabel);
    m_ContainerLayout->addWidget(pnlInfo, 1);
}

void TfrmResult::CreateListPanel() {
    pnlList = new QWidget(this);
    pnlList->setObjectName(QStringLiteral("pnlList"));
    auto* m_ListLayout = new QVBoxLayout(pnlList);
    m_ListLayout->setContentsMargins(0, 0, 0, 0);
    m_ListLayout->setSpacing(0);

    lvwFileList = new QTreeWidget(pnlList);
    lvwFileList->setObjectName(QStringLiteral("lvwFileList"));
    lvwFileList->setRootIsDecorated(false);
    lvwFileList->setItemsExpandable(false);
    lvwFileList->setUniformRowHeights(true);
    lvwFileList->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwFileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwFileList->setAllColumnsShowFocus(true);
    lvwFileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwFileList->setSortingEnabled(false);
    lvwFileList->setFrameShape(QFrame::NoFrame);
    lvwFileList->setIconSize(QSize(kStatusImageSize, kStatusImageSize));
    lvwFileList->setItemDelegate(new TGridLineDelegate(lvwFileList));
    lvwFileList->header()->setSectionsClickable(false);
    lvwFileList->header()->setSectionsMovable(false);
    lvwFileList->header()->setStretchLastSection(false);
    // The image column is narrower than the style's default minimum.
    lvwFileList->header()->setMinimumSectionSize(kStatusImageSize);
    lvwFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    lvwFileList->viewport()->installEventFilter(this);
    lvwFileList->installEventFilter(this);
    lvwFileList->setColumnCount(0);

    m_ListLayout->addWidget(lvwFileList, 1);
    m_ListLayout->addWidget(CreatePagerBar());
}

QWidget* TfrmResult::CreatePagerBar() {
    pnlPagerContainer = new QWidget(pnlList);
    pnlPagerContainer->setObjectName(QStringLiteral("pnlPagerContainer"));
    pnlPagerContainer->setFixedHeight(kPagerHeight);
    auto* m_PagerLayout = new QHBoxLayout(pnlPagerContainer);
    m_PagerLayout->setContentsMargins(10, 0, 0, 0);
    m_PagerLayout->setSpacing(5);

    btnFirstPage = CreateButton(pnlPagerContainer, QStringLiteral("btnFirstPage"),
                                QStringLiteral("首页(&F)"), 75);
    btnPreviousPage = CreateButton(pnlPagerContainer, QStringLiteral("btnPreviousPage"),
                                   QStringLiteral("上一页(&P)"), 75);
    btnNextPage = CreateButton(pnlPagerContainer, QStringLiteral("btnNextPage"),
                               QStringLiteral("下一页(&N)"), 75);
    btnLastPage = CreateButton(pnlPagerContainer, QStringLiteral("btnLastPage"),
                               QStringLiteral("末页(&L)"), 75);
    m_PagerLayout->addWidget(btnFirstPage);
    m_PagerLayout->addWidget(btnPreviousPage);
    m_PagerLayout->addWidget(btnNextPage);
    m_PagerLayout->addWidget(btnLastPage);
    m_PagerLayout->addSpacing(7);

    // The four counters read as one run of text: each label is as wide as its text and the
    // next one starts where it ends.
    // On a narrow screen the run of text gives way, cut at its end, so that the buttons on both
    // sides stay in the window; the whole text is then in the tooltip.
    pnlPagerCounters = new QWidget(pnlPagerContainer);
    pnlPagerCounters->setObjectName(QStringLiteral("pnlPagerCounters"));
    pnlPagerCounters->setMinimumWidth(1);
    auto* m_CountersLayout = new QHBoxLayout(pnlPagerCounters);
    m_CountersLayout->setContentsMargins(0, 0, 0, 0);
    m_CountersLayout->setSpacing(0);
    lblCurrentPage = CreateLabel(pnlPagerCounters, QStringLiteral("lblCurrentPage"),
                                 QStringLiteral("当前第0001页，"));
    lblPageCount =
        CreateLabel(pnlPagerCounters, QStringLiteral("lblPageCount"), QStringLiteral("共0001页，"));
    lblPageSize = CreateLabel(pnlPagerCounters, QStringLiteral("lblPageSize"),
                              QStringLiteral("每页0100条，"));
    lblRecordCount = CreateLabel(pnlPagerCounters, QStringLiteral("lblRecordCount"),
                                 QStringLiteral("共12341234条。"));
    for (QLabel* m_Label : {lblCurrentPage, lblPageCount, lblPageSize, lblRecordCount}) {
        m_Label->setFont(FixedPitchFont());
        m_Label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_CountersLayout->addWidget(m_Label);
    }
    m_CountersLayout->addStretch(1);
    m_PagerLayout->addWidget(pnlPagerCounters, 1);

    m_PagerLayout->addWidget(CreateViewLogsPanel(pnlPagerContainer));
    return pnlPagerContainer;
}

QWidget* TfrmResult::CreateViewLogsPanel(QWidget* p_Parent) {
    pnlViewLogs = new QWidget(p_Parent);
    pnlViewLogs->setObjectName(QStringLiteral("pnlViewLogs"));
    pnlViewLogs->setFixedSize(kViewLogsPanelWidth, kPagerHeight);
    auto* m_ViewLogsLayout = new QHBoxLayout(pnlViewLogs);
    m_ViewLogsLayout->setContentsMargins(1, 0, 0, 0);
    m_ViewLogsLayout->setSpacing(5);
    // Stop and About share one spot: a hidden widget takes no room in the layout.
    btnStop = CreateButton(pnlViewLogs, QStringLiteral("btnStop"), QStringLiteral("停止(&S)"), 75);
    btnAbout =
        CreateButton(pnlViewLogs, QStringLiteral("btnAbout"), QStringLiteral("关于(&T)"), 75);
    btnAbout->setVisible(false);
    btnViewLogs = CreateButton(pnlViewLogs, QStringLiteral("btnViewLogs"),
                               QStringLiteral("查看处理日志(&V)"), 110);
    m_ViewLogsLayout->addWidget(btnStop);
    m_ViewLogsLayout->addWidget(btnAbout);
    m_ViewLogsLayout->addWidget(btnViewLogs);
    m_ViewLogsLayout->addStretch(1);
    return pnlViewLogs;
}

void TfrmResult::CreatePopupMenu() {
    ppmListView = new QMenu(lvwFileList);
    ppmListView->setObjectName(QStringLiteral("ppmListView"));
    pmiOpenFile = ppmListView->addAction(QStringLiteral("打开文件(&F)"));
    pmiOpenFile->setObjectName(QStringLiteral("pmiOpenFile"));
    pmiOpenFileDirectory = ppmListView->addAction(QStringLiteral("打开文件所在目录(&D)"));
    pmiOpenFileDirectory->setObjectName(QStringLiteral("pmiOpenFileDirectory"));
}

void TfrmResult::ConnectHandlers() {
    connect(btnFirstPage, &QPushButton::clicked, this, &TfrmResult::btnFirstPageClick);
    connect(btnPreviousPage, &QPushButton::clicked, this, &TfrmResult::btnPreviousPageClick);
    connect(btnNextPage, &QPushButton::clicked, this, &TfrmResult::btnNextPageClick);
    connect(btnLastPage, &QPushButton::clicked, this, &TfrmResult::btnLastPageClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmResult::btnStopClick);
    connect(btnViewLogs, &QPushButton::clicked, this, &TfrmResult::btnViewLogsClick);
    connect(btnAbout, &QPushButton::clicked, this, &TfrmResult::btnAboutClick);
    connect(pmiOpenFile, &QAction::triggered, this, &TfrmResult::pmiOpenFileClick);
    connect(pmiOpenFileDirectory, &QAction::triggered, this,
            &TfrmResult::pmiOpenFileDirectoryClick);
    connect(tmrRefresh, &QTimer::timeout, this, &TfrmResult::ApplyPendingUpdates);
    connect(lvwFileList, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& p_Position) {
                // Below the last row there is nothing the menu could act on.
                if (lvwFileList->itemAt(p_Position) != nullptr) {
                    ppmListView->popup(lvwFileList->viewport()->mapToGlobal(p_Position));
                }
            });
}

void TfrmResult::setSoftware(const QString& p_strSoftware) {
    g_strSoftware = p_strSoftware;
}

void TfrmResult::setPlatform(const QString& p_strPlatform) {
    g_strPlatform = p_strPlatform;
}

void TfrmResult::setVersion(const QString& p_strVersion) {
    g_strVersion = p_strVersion;
}

void TfrmResult::setMainWindow(QWidget* p_frmMain) {
    g_frmMain = p_frmMain;
}

void TfrmResult::setAboutBoxOpener(TAboutBoxOpener p_doAboutBoxOpener) {
    g_doAboutBoxOpener = std::move(p_doAboutBoxOpener);
}

void TfrmResult::InitGo(const QString& p_strSoftware, int p_intMode, const QString& p_strDirectory,
                        int p_intEncoding, const QString& p_strOldText, const QString& p_strNewText,
                        const QString& p_strExtension, bool p_IsContainSubFloder,
                        bool p_IsMatchCase, bool p_IsPreview) {
    Q_UNUSED(p_strSoftware);
    ReleaseTask();

    btnStop->setVisible(true);
    btnStop->setEnabled(true);
    btnAbout->setVisible(false);

    g_intCurrentPage = 1;
    UpdatePagerInfo(0, 0, 0);

    g_intMode = p_intMode;
    RebuildColumns(p_intMode);
    edtOperate->setText(BuildTaskDescription(p_intMode, p_strOldText, p_strNewText, p_strExtension,
                                             p_IsContainSubFloder, p_IsMatchCase, p_IsPreview));
    edtOperate->setCursorPosition(0);
    edtDirectory->setText(p_strDirectory);
    edtDirectory->setCursorPosition(0);
    lvwFileList->clear();

    TTaskParameters m_Task;
    m_Task.g_Kind = p_IsPreview ? TTaskKind::ReplacePreview : TTaskKind::FindReplace;
    m_Task.g_intMode = p_intMode;
    m_Task.g_strLogsFileDirectory = DefaultLogsDirectory();
    m_Task.g_strDirectory = ToU16String(p_strDirectory);
    m_Task.g_intEncoding = p_intEncoding;
    m_Task.g_strOldText = ToU16String(p_strOldText);
    m_Task.g_strNewText = ToU16String(p_strNewText);
    m_Task.g_strExtension = ToU16String(p_strExtension);
    m_Task.g_IsContainSubFloder = p_IsContainSubFloder;
    m_Task.g_IsMatchCase = p_IsMatchCase;
    StartTask(std::move(m_Task));
}

void TfrmResult::StartTask(TTaskParameters p_Task) {
    g_pgrProgressAdapter = std::make_shared<TQtProgressBar>(pgrProgress);
    g_lvwFileListAdapter = std::make_shared<TQtListView>(lvwFileList, iltListView);
    // The workers hand over many times a second; the window shows their latest state at the
    // refresh rate instead of laying out and repainting for every hand-off.
    g_pgrProgressAdapter->SetCoalescing(true);
    g_lvwFileListAdapter->SetCoalescing(true);
    tmrRefresh->start();

    g_TaskRunner = std::make_unique<TTaskRunner>(std::move(p_Task));
    WireTask(*g_TaskRunner);
    // A task that cannot start (no log folder of its own) ends within Start, summary included;
    // it has no folder to show.
    g_strLogsDirectory.clear();
    g_TaskRunner->Start();
    g_strLogsDirectory = ToQString(g_TaskRunner->TaskLogsDirectory());
}

void TfrmResult::WireTask(TTaskRunner& p_TaskRunner) {
    p_TaskRunner.g_pgrProgress = g_pgrProgressAdapter.get();
    p_TaskRunner.g_lvwFileList = g_lvwFileListAdapter.get();
    const std::uint64_t m_intTaskSerial = g_intTaskSerial;
    p_TaskRunner.g_doUpdatePagerInfoCallBackProcedure =
        [this, m_intTaskSerial](std::int32_t p_intRecordCount, std::int32_t p_intPageSize,
                                std::int32_t p_intPageCount) {
            if (IsCurrentTask(m_intTaskSerial)) {
                NotePagerInfo(p_intRecordCount, p_intPageSize, p_intPageCount);
            }
        };
    p_TaskRunner.g_doCheckCompletedCallBackProcedure = [this, m_intTaskSerial] {
        if (IsCurrentTask(m_intTaskSerial)) {
            CheckCompleted();
        }
    };
    // On the processing thread, which must not wait here: a notice for the event loop. Posted to
    // this window, it goes with it.
    p_TaskRunner.g_doTaskEndedProcedure = [this, m_intTaskSerial] {
        QMetaObject::invokeMethod(
            this,
            [this, m_intTaskSerial] {
                if (IsCurrentTask(m_intTaskSerial)) {
                    OnTaskEnded();
                }
            },
            Qt::QueuedConnection);
    };
}

void TfrmResult::OnTaskEnded() {
    if (g_TaskRunner != nullptr) {
        g_TaskRunner->SettleEnd();
    }
}

void TfrmResult::ReleaseTask() {
    ++g_intTaskSerial;
    tmrRefresh->stop();
    g_IsPagerInfoPending = false;
    // Only a task that still runs notices this: a finished one has stopped reading the flags.
    if (g_TaskRunner != nullptr) {
        g_TaskRunner->RequestStop();
    }
    if (g_pgrProgressAdapter != nullptr) {
        g_pgrProgressAdapter->Detach();
    }
    if (g_lvwFileListAdapter != nullptr) {
        g_lvwFileListAdapter->Detach();
    }
    const auto m_KeepAlive = std::make_shared<
        const std::pair<std::shared_ptr<TQtProgressBar>, std::shared_ptr<TQtListView>>>(
        std::move(g_pgrProgressAdapter), std::move(g_lvwFileListAdapter));
    g_ThreadGraveyard.Bury(std::move(g_TaskRunner), m_KeepAlive);
    g_ThreadGraveyard.Sweep();
}

bool TfrmResult::IsCurrentTask(std::uint64_t p_intTaskSerial) const {
    return !g_IsDestroying && p_intTaskSerial == g_intTaskSerial;
}

void TfrmResult::RebuildColumns(std::int32_t p_intMode) {
    const QList<TResultColumn> m_arrColumns = ResultColumns(p_intMode);
    lvwFileList->clear();
    lvwFileList->setColumnCount(0);
    lvwFileList->setColumnCount(static_cast<int>(m_arrColumns.size()));
    QTreeWidgetItem* m_Header = lvwFileList->headerItem();
    for (int m_intColumn = 0; m_intColumn < m_arrColumns.size(); ++m_intColumn) {
        const TResultColumn& m_Column = m_arrColumns.at(m_intColumn);
        m_Header->setText(m_intColumn, m_Column.g_strCaption);
        m_Header->setTextAlignment(m_intColumn, m_Column.g_Alignment | Qt::AlignVCenter);
        lvwFileList->setColumnWidth(m_intColumn, m_Column.g_intWidth);
    }
}

void TfrmResult::UpdatePagerInfo(std::int32_t p_intRecordCount, std::int32_t p_intPageSize,
                                 std::int32_t p_intPageCount) {
    g_intRecordCount = p_intRecordCount;
    g_intPageSize = p_intPageSize;
    g_intPageCount = p_intPageCount;
    ShowPagerInfo();
}

void TfrmResult::NotePagerInfo(std::int32_t p_intRecordCount, std::int32_t p_intPageSize,
                               std::int32_t p_intPageCount) {
    g_intRecordCount = p_intRecordCount;
    g_intPageSize = p_intPageSize;
    g_intPageCount = p_intPageCount;
    g_IsPagerInfoPending = true;
}

void TfrmResult::ApplyPendingUpdates() {
    // Rows first: a page count never shows before the rows it counts.
    if (g_lvwFileListAdapter != nullptr) {
        g_lvwFileListAdapter->ApplyPending();
    }
    if (g_IsPagerInfoPending) {
        g_IsPagerInfoPending = false;
        ShowPagerInfo();
    }
    if (g_pgrProgressAdapter != nullptr) {
        g_pgrProgressAdapter->ApplyPending();
    }
}

void TfrmResult::ShowPagerInfo() {
    const TPagerLabelTexts m_Texts =
        BuildPagerLabelTexts(g_intCurrentPage, g_intPageCount, g_intPageSize, g_intRecordCount);
    lblCurrentPage->setText(m_Texts.g_strCurrentPage);
    lblPageCount->setText(m_Texts.g_strPageCount);
    lblPageSize->setText(m_Texts.g_strPageSize);
    lblRecordCount->setText(m_Texts.g_strRecordCount);
    pnlPagerCounters->setToolTip(m_Texts.g_strCurrentPage + m_Texts.g_strPageCount +
                                 m_Texts.g_strPageSize + m_Texts.g_strRecordCount);

    if (!btnViewLogs->isEnabled() && g_intRecordCount > 0) {
        btnViewLogs->setEnabled(true);
    }
    if (const auto m_States = PagerButtonStates(g_intCurrentPage, g_intPageCount)) {
        btnFirstPage->setEnabled(m_States->g_IsFirstPageEnabled);
        btnPreviousPage->setEnabled(m_States->g_IsPreviousPageEnabled);
        btnNextPage->setEnabled(m_States->g_IsNextPageEnabled);
        btnLastPage->setEnabled(m_States->g_IsLastPageEnabled);
    }
}

bool TfrmResult::LoadPage(std::int32_t p_intPage) {
    if (p_intPage < 1 || p_intPage > g_intPageCount) {
        return false;
    }
    std::vector<std::u16string> m_arrLines;
    bool m_IsRead = false;
    try {
        m_IsRead = ReadLogPageFile(LogPageFileName(ToU16String(g_strLogsDirectory), p_intPage),
                                   m_arrLines);
    } catch (const std::exception&) {
        // A page that cannot be read now (the worker may be writing it) is treated as one that
        // is not there yet: the user is told to try again.
        m_IsRead = false;
    }
    if (!m_IsRead) {
        ShowNotice(this, kLogFileNotFound, QMessageBox::Information);
        return false;
    }

    // Live rows still waiting belong to the page being left: they go in before the list is
    // cleared, as if they had been shown already.
    ApplyPendingUpdates();
    lvwFileList->clear();
    {
        const TUpdatesSuspender m_Suspender(lvwFileList);
        for (const std::u16string& m_strLine : m_arrLines) {
            const TResultRowFields m_Row = LogLineToRowFields(ToQString(m_strLine), g_intMode);
            TQtListView::AppendRow(lvwFileList, iltListView, QString(), m_Row.g_intImageIndex,
                                   m_Row.g_arrSubItems);
        }
    }
    ShowPagerInfo();
    return true;
}

void TfrmResult::MoveToPage(std::int32_t p_intPage) {
    const std::int32_t m_intShownPage = g_intCurrentPage;
    g_intCurrentPage = p_intPage;
    if (!LoadPage(g_intCurrentPage)) {
        // The rows are still those of the page shown before: the labels, the page buttons and
        // the log view go on naming that page.
        g_intCurrentPage = m_intShownPage;
    }
}

void TfrmResult::PageButtonClick(TPageButton p_Button) {
    if (const auto m_intPage = PageButtonTarget(p_Button, g_intCurrentPage, g_intPageCount)) {
        MoveToPage(*m_intPage);
    }
}

void TfrmResult::btnFirstPageClick() {
    PageButtonClick(TPageButton::First);
}

void TfrmResult::btnPreviousPageClick() {
    PageButtonClick(TPageButton::Previous);
}

void TfrmResult::btnNextPageClick() {
    PageButtonClick(TPageButton::Next);
}

void TfrmResult::btnLastPageClick() {
    PageButtonClick(TPageButton::Last);
}

void TfrmResult::CheckCompleted() {
    // The runner has stopped the count pass and taken the end time by now.
    if (g_TaskRunner == nullptr || !g_TaskRunner->IsEnded()) {
        return;
    }
    // Everything the task handed over is shown before the summary.
    tmrRefresh->stop();
    ApplyPendingUpdates();
    if (g_pgrProgressAdapter != nullptr) {
        g_pgrProgressAdapter->FreezeMax();
        if (!g_TaskRunner->IsStoped()) {
            g_pgrProgressAdapter->Fill();
        }
    }

    btnStop->setVisible(false);
    btnAbout->setVisible(true);
    btnAbout->setEnabled(true);

    const QString m_strMessage =
        ToQString(BuildTaskSummary(g_TaskRunner->SummaryInput(UserDecimalSeparator().unicode())));
    if (!m_strMessage.isEmpty()) {
        ShowNotice(this, m_strMessage, QMessageBox::Information);
    }
    emit taskCompleted();
}

void TfrmResult::btnStopClick() {
    if (!AskYesNo(this, QStringLiteral("任务正在进行，是否终止任务？"))) {
        return;
    }
    btnStop->setEnabled(false);
    if (g_TaskRunner != nullptr) {
        g_TaskRunner->RequestStop();
    }
}

bool TfrmResult::FormCloseQuery() {
    if (!btnStop->isHidden()) {
        if (btnStop->isEnabled()) {
            btnStopClick();
        } else {
            ShowNotice(this, QStringLiteral("任务正在停止，请稍候..."), QMessageBox::Warning);
        }
        return false;
    }
    lvwFileList->setColumnCount(0);
    if (g_TaskRunner != nullptr) {
        g_TaskRunner->RequestTerminate();
    }
    return true;
}

void TfrmResult::FormClose() {
    if (g_frmMain != nullptr) {
        g_frmMain->show();
    }
    lvwFileList->clear();
}

void TfrmResult::closeEvent(QCloseEvent* p_Event) {
    if (!FormCloseQuery()) {
        p_Event->ignore();
        return;
    }
    FormClose();
    p_Event->accept();
}

void TfrmResult::showEvent(QShowEvent* p_Event) {
    QWidget::showEvent(p_Event);
    KeepOnScreen(this);
    QTimer::singleShot(0, this, [this] { KeepOnScreen(this); });
    edtDirectory->setFocus();
}

bool TfrmResult::eventFilter(QObject* p_Watched, QEvent* p_Event) {
    const QEvent::Type m_Type = p_Event->type();
    if (p_Watched == lvwFileList->viewport() &&
        (m_Type == QEvent::MouseButtonDblClick || m_Type == QEvent::MouseButtonPress)) {
        const auto* m_MouseEvent = static_cast<QMouseEvent*>(p_Event);
        if (m_Type == QEvent::MouseButtonDblClick && m_MouseEvent->button() == Qt::LeftButton) {
            lvwFileListDblClick();
        }
        // A right-click below the rows would clear the selection the menu items act on, while
        // the user still believes the row chosen before is the one they act on.
        if (m_Type == QEvent::MouseButtonPress && m_MouseEvent->button() == Qt::RightButton &&
            lvwFileList->itemAt(m_MouseEvent->position().toPoint()) == nullptr) {
            return true;
        }
    }
    if (p_Watched == lvwFileList && m_Type == QEvent::KeyPress) {
        const int m_intKey = static_cast<QKeyEvent*>(p_Event)->key();
        // Enter on a row does what a double-click does.
        if (m_intKey == Qt::Key_Return || m_intKey == Qt::Key_Enter) {
            lvwFileListDblClick();
            return true;
        }
    }
    return QWidget::eventFilter(p_Watched, p_Event);
}

QString TfrmResult::SelectedFileName() const {
    const QList<QTreeWidgetItem*> m_arrSelected = lvwFileList->selectedItems();
    return m_arrSelected.isEmpty()
               ? QString()
               : LogFieldToFileName(m_arrSelected.first()->text(kFileNameColumn));
}

void TfrmResult::lvwFileListDblClick() {
    if (lvwFileList->selectedItems().isEmpty()) {
        return;
    }
    if (!Shell().OpenInTextEditor(SelectedFileName())) {
        // Named as the row shows it: a name that is not UTF-8 is readable only escaped.
        ShowNoProgram(this, TShellTarget::File,
                      lvwFileList->selectedItems().first()->text(kFileNameColumn));
    }
}

void TfrmResult::pmiOpenFileClick() {
    lvwFileListDblClick();
}

void TfrmResult::pmiOpenFileDirectoryClick() {
    if (lvwFileList->selectedItems().isEmpty()) {
        return;
    }
    ShowInFileManager(SelectedFileName(),
                      lvwFileList->selectedItems().first()->text(kFileNameColumn));
}

void TfrmResult::ShowInFileManager(const QString& p_strFileName, const QString& p_strShownName) {
    if (!Shell().ShowInFileManager(p_strFileName)) {
        ShowNoProgram(this, TShellTarget::Folder, QFileInfo(p_strShownName).absolutePath());
    }
}

void TfrmResult::btnViewLogsClick() {
    const QString m_strFileName =
        ToQString(LogPageFileName(ToU16String(g_strLogsDirectory), g_intCurrentPage));
    if (QFileInfo::exists(m_strFileName)) {
        ShowInFileManager(m_strFileName, m_strFileName);
    } else {
        ShowNotice(this, kLogFileNotFound, QMessageBox::Information);
    }
}

void TfrmResult::btnAboutClick() {
    if (g_doAboutBoxOpener) {
        g_doAboutBoxOpener(g_strSoftware, g_strPlatform, g_strVersion);
    }
}

} // namespace morvane
