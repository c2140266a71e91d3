#include "u_Main.h"

#include "core/u_Types.h"
#include "files/u_DataLocations.h"
#include "logs/u_ThreadDeleteLogsFile.h"
#include "task/u_TaskChecks.h"
#include "u_About.h"
#include "u_Application.h"
#include "u_Dialogs.h"
#include "u_Extension.h"
#include "u_GoTask.h"
#include "u_LinkLabel.h"
#include "u_MemoText.h"
#include "u_OpenedFolder.h"
#include "u_OptionsLayout.h"
#include "u_QtText.h"
#include "u_ScreenFit.h"
#include "u_SettingsStore.h"
#include "u_Shell.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace morvane {

namespace {

// The check-all toggle's states, kept in the button's hint property.
const QString kCheckAllNext = QStringLiteral("1");
const QString kUncheckAllNext = QStringLiteral("-1");

void ShowWarning(QWidget* p_Parent, const QString& p_strText) {
    ShowNotice(p_Parent, p_strText, QMessageBox::Warning);
}

void SetModeButtonLook(QPushButton* p_btnMode, bool p_IsCurrent) {
    QFont m_Font = p_btnMode->font();
    m_Font.setBold(p_IsCurrent);
    p_btnMode->setFont(m_Font);
    QPalette m_Palette = p_btnMode->palette();
    m_Palette.setColor(QPalette::ButtonText, p_IsCurrent ? QColor(255, 0, 0) : QColor(0, 0, 0));
    p_btnMode->setPalette(m_Palette);
}

QFont TahomaFont(int p_intPixelSize) {
    QFont m_Font(QStringLiteral("Tahoma"));
    m_Font.setPixelSize(p_intPixelSize);
    return m_Font;
}

} // namespace

TfrmMain::TfrmMain(QWidget* p_Parent) : QWidget(p_Parent) {
    setObjectName(QStringLiteral("frmMain"));
    setFont(TahomaFont(11));
    PlaceCentred(this, QSize(kDesignWidth, kDesignHeight));

    auto* m_Layout = new QVBoxLayout(this);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->setSpacing(0);
    BuildPages();
    m_Layout->addWidget(pnlPages);

    auto* m_pnlMiddle = new QWidget(this);
    auto* m_MiddleLayout = new QHBoxLayout(m_pnlMiddle);
    m_MiddleLayout->setContentsMargins(0, 0, 0, 0);
    m_MiddleLayout->setSpacing(0);
    auto* m_pnlMain = new QWidget(m_pnlMiddle);
    m_pnlMain->setObjectName(QStringLiteral("pnlMain"));
    auto* m_MainLayout = new QVBoxLayout(m_pnlMain);
    m_MainLayout->setContentsMargins(0, 0, 0, 0);
    m_MainLayout->setSpacing(0);
    m_MainLayout->addWidget(BuildDirectory(m_pnlMain));
    m_MainLayout->addWidget(BuildTask(m_pnlMain), 1);
    m_MainLayout->addWidget(BuildOptions(m_pnlMain));
    m_MiddleLayout->addWidget(m_pnlMain, 1);
    m_MiddleLayout->addWidget(BuildFileExt(m_pnlMiddle));
    m_Layout->addWidget(m_pnlMiddle, 1);

    BuildButtons();
    m_Layout->addWidget(pnlButtons);

    // The positions that follow a panel's size are worked out again whenever one is resized.
    for (QWidget* m_pnlWatched :
         {pnlDirectoryContent, pnlTask, pnlTaskFindLabel, pnlTaskReplaceLabel,
          static_cast<QWidget*>(gbxOptions), pnlButtons}) {
        m_pnlWatched->installEventFilter(this);
    }
    setAcceptDrops(true);
    // The directory box takes a dropped folder as the window does, not as typed text.
    drpDirectory->lineEdit()->installEventFilter(this);

    g_doLogsCleanUpStarter = [](const QString& p_strLogsFileDirectory) {
        // Frees itself when done; nobody keeps or waits for it.
        auto* m_trdDeleteLogsFile = new TThreadDeleteLogsFile(ToU16String(p_strLogsFileDirectory));
        m_trdDeleteLogsFile->Start();
    };

    try {
        FormCreate();
    } catch (...) {
        TApplication::HandleException(std::current_exception(), this);
        // The window must still be usable when a settings file could not be read.
        btnReplaceModeClick();
    }
}

QString TfrmMain::Software() {
    return QStringLiteral("Morvane");
}

QString TfrmMain::Platform() {
    return QStringLiteral("(x64)");
}

QString TfrmMain::Version() {
    return QStringLiteral("v6.3");
}

void TfrmMain::setTaskStarter(TTaskStarter p_doTaskStarter) {
    g_doTaskStarter = std::move(p_doTaskStarter);
}

void TfrmMain::setLogsCleanUpStarter(TLogsCleanUpStarter p_doLogsCleanUpStarter) {
    g_doLogsCleanUpStarter = std::move(p_doLogsCleanUpStarter);
}

void TfrmMain::setExtensionWindow(TfrmExtension* p_frmExtension) {
    g_frmExtension = p_frmExtension;
}

void TfrmMain::setAboutWindow(TfrmAbout* p_frmAbout) {
    g_frmAbout = p_frmAbout;
}

void TfrmMain::FormCreate() {
    LoadSettings();
    btnReplaceModeClick();
}

void TfrmMain::LoadSettings() {
    const TSettingsStore m_Store(SettingsFolderText());
    const std::optional<QStringList> m_arrHistory = m_Store.LoadDirectoryHistory();
    if (m_arrHistory && !m_arrHistory->isEmpty()) {
        drpDirectory->addItems(*m_arrHistory);
        drpDirectory->setEditText(m_arrHistory->first());
    }
    drpFileEncoding->setCurrentIndex(0);
    LoadExtensionList();
    if (const std::optional<QString> m_strFindText = m_Store.LoadFindText()) {
        TMemoText::SetText(memFindText, *m_strFindText);
    }
    if (const std::optional<QString> m_strReplaceText = m_Store.LoadReplaceText()) {
        TMemoText::SetText(memReplaceText, *m_strReplaceText);
    }
    const TSettingsStore::TConfig m_Config = m_Store.LoadConfig();
    chkIncSubDirectory->setChecked(m_Config.g_IsContainSubFloder);
    chkIsMatchCase->setChecked(m_Config.g_IsMatchCase);
    chkDeleteLogsFile->setChecked(m_Config.g_IsDeleteLogsFile);
    if (!m_Config.g_strSelectedExtension.isEmpty()) {
        for (const QString& m_strPiece :
             TSettingsStore::SplitSelectedExtension(m_Config.g_strSelectedExtension)) {
            for (int m_intIndex = 0; m_intIndex < clbFileExtList->count(); ++m_intIndex) {
                QListWidgetItem* m_Item = clbFileExtList->item(m_intIndex);
                if (m_Item->text() == m_strPiece) {
                    m_Item->setCheckState(Qt::Checked);
                }
            }
        }
    }
}

void TfrmMain::FormClose() {
    const TSettingsStore m_Store(SettingsFolderText());
    const QString m_strDirectory = drpDirectory->currentText();
    if (TGoTask::DirectoryExists(m_strDirectory)) {
        AddDirectoryHistory(m_strDirectory);
    }
    m_Store.SaveFindText(TMemoText::Text(memFindText));
    m_Store.SaveReplaceText(TMemoText::Text(memReplaceText));
    TSettingsStore::TConfig m_Config;
    m_Config.g_IsContainSubFloder = chkIncSubDirectory->isChecked();
    m_Config.g_IsMatchCase = chkIsMatchCase->isChecked();
    m_Config.g_IsDeleteLogsFile = chkDeleteLogsFile->isChecked();
    m_Config.g_strSelectedExtension = TSettingsStore::JoinSelectedExtension(CheckedItems());
    m_Store.SaveConfig(m_Config);
}

void TfrmMain::closeEvent(QCloseEvent* p_Event) {
    // A save step that fails is reported, and the program still ends: keeping the window open
    // would leave the user no way out while the folder stays unwritable.
    try {
        FormClose();
    } catch (...) {
        TApplication::HandleException(std::current_exception(), this);
    }
    p_Event->accept();
    emit formClosed();
}

void TfrmMain::showEvent(QShowEvent* p_Event) {
    QWidget::showEvent(p_Event);
    KeepOnScreen(this);
    // Once more when the window manager has put its frame around the window.
    QTimer::singleShot(0, this, [this] {
        FormResize();
        KeepOnScreen(this);
    });
}

void TfrmMain::resizeEvent(QResizeEvent* p_Event) {
    QWidget::resizeEvent(p_Event);
    FormResize();
}

bool TfrmMain::eventFilter(QObject* p_Watched, QEvent* p_Event) {
    const QEvent::Type m_Type = p_Event->type();
    if (p_Watched == drpDirectory->lineEdit() &&
        (m_Type == QEvent::DragEnter || m_Type == QEvent::DragMove || m_Type == QEvent::Drop)) {
        // Anything but a folder is the line edit's own to take.
        return FolderDragEvent(static_cast<QDropEvent*>(p_Event));
    }
    if (m_Type == QEvent::Resize) {
        FormResize();
    }
    return QWidget::eventFilter(p_Watched, p_Event);
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* p_Event) {
    FolderDragEvent(p_Event);
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* p_Event) {
    FolderDragEvent(p_Event);
}

void TfrmMain::dropEvent(QDropEvent* p_Event) {
    FolderDragEvent(p_Event);
}

bool TfrmMain::FolderDragEvent(QDropEvent* p_Event) {
    const QString m_strFolder = TOpenedFolder::FromDrag(p_Event->mimeData());
    if (m_strFolder.isEmpty()) {
        p_Event->ignore();
        return false;
    }
    p_Event->acceptProposedAction();
    if (p_Event->type() == QEvent::Drop) {
        PickDirectory(m_strFolder);
    }
    return true;
}

void TfrmMain::SetStartUpDirectory(const QString& p_strDirectory) {
    if (!p_strDirectory.isEmpty()) {
        drpDirectory->setEditText(p_strDirectory);
    }
}

void TfrmMain::FormResize() {
    // The limit is on the outer size; the frame is known only once the window is shown. A screen
    // with less room (a small one, or a large scale factor) lowers the limit to what it has.
    const QSize m_MinSize = FitClientSize(QSize(kMinOuterWidth, kMinOuterHeight), FrameExtra(this),
                                          AvailableGeometry(this));
    if (minimumSize() != m_MinSize) {
        setMinimumSize(m_MinSize);
    }
    if (width() < m_MinSize.width() || height() < m_MinSize.height()) {
        resize(std::max(width(), m_MinSize.width()), std::max(height(), m_MinSize.height()));
    }
    drpDirectory->setGeometry(0, 13, pnlDirectoryContent->width() - btnBrowse->width() - 12,
                              drpDirectory->sizeHint().height());
    btnBrowse->move(pnlDirectoryContent->width() - btnBrowse->width() - 6, btnBrowse->y());
    pnlTaskReplace->setFixedHeight(pnlTask->height() / 2);
    lblTaskFindLabel->move(lblTaskFindLabel->x(),
                           (pnlTaskFindLabel->height() - lblTaskFindLabel->height()) / 2);
    lblTaskReplaceLabel->move(lblTaskReplaceLabel->x(),
                              (pnlTaskReplaceLabel->height() - lblTaskReplaceLabel->height()) / 2);
    const std::array<int, 3> m_arrLefts = TOptionsLayout::Lefts(
        gbxOptions->width(),
        {chkIncSubDirectory->width(), chkIsMatchCase->width(), chkDeleteLogsFile->width()});
    chkIncSubDirectory->move(m_arrLefts[0], chkIncSubDirectory->y());
    chkIsMatchCase->move(m_arrLefts[1], chkIsMatchCase->y());
    chkDeleteLogsFile->move(m_arrLefts[2], chkDeleteLogsFile->y());
    btnAbout->move(30, btnAbout->y());
    btnGo->move(pnlButtons->width() / 2 - btnGo->width() / 2, btnGo->y());
    btnPreview->move(btnGo->x() + btnGo->width() + 10, btnGo->y());
}

void TfrmMain::btnReplaceModeClick() {
    SetMode(kModeReplace);
}

void TfrmMain::btnFindModeClick() {
    SetMode(kModeFind);
}

void TfrmMain::SetMode(int p_intMode) {
    const bool m_IsReplace = p_intMode == kModeReplace;
    g_intMode = p_intMode;
    setWindowTitle(Software() + Platform() + u' ' + Version() +
                   (m_IsReplace ? QStringLiteral(" - 替换模式") : QStringLiteral(" - 查找模式")));
    gbxOptions->setTitle(m_IsReplace ? QStringLiteral("5.选项设置") : QStringLiteral("4.选项设置"));
    btnGo->setText(m_IsReplace ? QStringLiteral("开始替换(&G)") : QStringLiteral("开始查找(&G)"));
    SetModeButtonLook(btnReplaceMode, m_IsReplace);
    SetModeButtonLook(btnFindMode, !m_IsReplace);
    pnlTaskReplace->setVisible(m_IsReplace);
    // A find task changes nothing: there is nothing to preview.
    btnPreview->setVisible(m_IsReplace);
    FormResize();
    btnGo->setEnabled(true);
    btnPreview->setEnabled(m_IsReplace);
}

void TfrmMain::btnBrowseClick() {
    PickDirectory(
        QDir::toNativeSeparators(Dialogs().PickFolder(this, QStringLiteral("请选择文件路径!"))));
}

void TfrmMain::PickDirectory(const QString& p_strFolder) {
    if (p_strFolder.isEmpty()) {
        return;
    }
    drpDirectory->setEditText(p_strFolder);
    AddDirectoryHistory(p_strFolder);
}

void TfrmMain::btnCheckAllClick() {
    if (btnCheckAll->property(kCheckAllHint).toString() == kCheckAllNext) {
        SetAllChecked(true);
        btnCheckAll->setText(QStringLiteral("不选(&S)"));
        btnCheckAll->setProperty(kCheckAllHint, kUncheckAllNext);
    } else {
        SetAllChecked(false);
        btnCheckAll->setText(QStringLiteral("全选(&S)"));
        btnCheckAll->setProperty(kCheckAllHint, kCheckAllNext);
    }
}

void TfrmMain::btnEditExtClick() {
    if (g_frmExtension != nullptr && g_frmExtension->exec() == TfrmExtension::kModalResultOk) {
        LoadExtensionList();
    }
}

void TfrmMain::btnAboutClick() {
    if (g_frmAbout == nullptr) {
        return;
    }
    g_frmAbout->setSoftware(Software());
    g_frmAbout->setPlatform(Platform());
    g_frmAbout->setVersion(Version());
    g_frmAbout->exec();
}

void TfrmMain::btnGoClick() {
    StartGoTask(false);
}

void TfrmMain::btnPreviewClick() {
    if (g_intMode == kModeReplace) {
        StartGoTask(true);
    }
}

void TfrmMain::StartGoTask(bool p_IsPreview) {
    TGoTask m_Task;
    m_Task.g_strSoftware = Software();
    m_Task.g_intMode = g_intMode;
    m_Task.g_IsPreview = p_IsPreview;
    m_Task.g_strDirectory = drpDirectory->currentText();
    m_Task.g_intEncoding = drpFileEncoding->currentIndex();
    m_Task.g_strOldText = TMemoText::Text(memFindText);
    m_Task.g_strNewText = TMemoText::Text(memReplaceText);
    m_Task.g_strExtension = TGoTask::BuildExtensionFilter(CheckedItems());
    m_Task.g_IsContainSubFloder = chkIncSubDirectory->isChecked();
    m_Task.g_IsMatchCase = chkIsMatchCase->isChecked();

    const TGoCheckResult m_Check = CheckGoTask(m_Task.TaskParameters());
    if (m_Check.g_Check == TGoCheck::DirectoryMissing) {
        ShowWarning(this, ToQString(m_Check.g_strMessage));
        return;
    }
    if (!PrepareDataFolders()) {
        return;
    }
    // An existing directory goes to the history whatever the later checks say.
    AddDirectoryHistory(m_Task.g_strDirectory);
    if (m_Check.g_Check != TGoCheck::Passed) {
        ShowWarning(this, ToQString(m_Check.g_strMessage));
        return;
    }
    if (chkDeleteLogsFile->isChecked() && g_doLogsCleanUpStarter) {
        g_doLogsCleanUpStarter(ToQString(LogsFolder()));
    }
    if (m_Check.g_IsConfirmationNeeded &&
        !AskYesNo(this, ToQString(ReplaceConfirmationQuestion()))) {
        return;
    }
    m_Task.g_strDirectory = TGoTask::AddTrailingBackslash(m_Task.g_strDirectory);
    hide();
    if (g_doTaskStarter) {
        g_doTaskStarter(windowTitle(), m_Task);
    }
}

void TfrmMain::lblWebsiteClick() {
    if (!Shell().OpenUrl(TfrmAbout::WebsiteUrl())) {
        ShowNoProgram(this, TShellTarget::Link, TfrmAbout::WebsiteUrl());
    }
}

void TfrmMain::lblWebsiteMouseEnter() {
    QPalette m_Palette = lblWebsite->palette();
    m_Palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWebsite->setPalette(m_Palette);
    QFont m_Font = lblWebsite->font();
    m_Font.setUnderline(true);
    lblWebsite->setFont(m_Font);
}

void TfrmMain::lblWebsiteMouseLeave() {
    QPalette m_Palette = lblWebsite->palette();
    m_Palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
    lblWebsite->setPalette(m_Palette);
    QFont m_Font = lblWebsite->font();
    m_Font.setUnderline(false);
    lblWebsite->setFont(m_Font);
}

void TfrmMain::AddDirectoryHistory(const QString& p_strDirectory) {
    const TSettingsStore m_Store(SettingsFolderText());
    const QStringList m_arrHistory = TSettingsStore::AddToHistory(
        m_Store.LoadDirectoryHistory().value_or(QStringList()), p_strDirectory);
    drpDirectory->clear();
    drpDirectory->addItems(m_arrHistory);
    m_Store.SaveDirectoryHistory(m_arrHistory);
    drpDirectory->setEditText(p_strDirectory);
}

void TfrmMain::LoadExtensionList() {
    const TSettingsStore m_Store(SettingsFolderText());
    if (!m_Store.HasExtensionList()) {
        return;
    }
    clbFileExtList->clear();
    try {
        for (const QString& m_strItem : m_Store.LoadExtensionList().value_or(QStringList())) {
            AddExtensionItem(m_strItem);
        }
    } catch (...) {
        // An unreadable list leaves the check list empty; the user sees that, not a message.
    }
}

QStringList TfrmMain::CheckedItems() const {
    QStringList m_arrItems;
    for (int m_intIndex = 0; m_intIndex < clbFileExtList->count(); ++m_intIndex) {
        const QListWidgetItem* m_Item = clbFileExtList->item(m_intIndex);
        if (m_Item->checkState() == Qt::Checked) {
            m_arrItems.append(m_Item->text());
        }
    }
    return m_arrItems;
}

void TfrmMain::SetAllChecked(bool p_IsChecked) {
    for (int m_intIndex = 0; m_intIndex < clbFileExtList->count(); ++m_intIndex) {
        clbFileExtList->item(m_intIndex)->setCheckState(p_IsChecked ? Qt::Checked : Qt::Unchecked);
    }
}

void TfrmMain::AddExtensionItem(const QString& p_strItem) {
    auto* m_Item = new QListWidgetItem(p_strItem, clbFileExtList);
    m_Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    m_Item->setCheckState(Qt::Unchecked);
}

QString TfrmMain::SettingsFolderText() {
    return ToQString(SettingsFolder());
}

bool TfrmMain::PrepareDataFolders() {
    // Checked before anything is written: a task that cannot keep its log pages, or settings
    // that cannot be saved, would otherwise fail later with less to go on.
    try {
        PrepareDataFolder(SettingsFolder());
        PrepareDataFolder(LogsFolder());
    } catch (const TEngineError& m_Error) {
        ShowWarning(this, QStringLiteral("无法保存设置和处理日志。\n") +
                              QString::fromUtf8(m_Error.what()));
        return false;
    }
    return true;
}

} // namespace morvane
