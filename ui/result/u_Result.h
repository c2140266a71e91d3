#pragma once
// TfrmResult: the window in which a task runs. InitGo hands the task to a TTaskRunner, which
// starts its two worker threads; the task then drives the window through its page counts and
// CheckCompleted. What the workers hand over is shown at a steady refresh rate, and all of it
// before the summary. The window pages through the task's log page files, stops the task on
// request, refuses to close while the task runs, and hands files, their folders and log pages to
// outside programs.

#include "u_PagerText.h"
#include "u_ThreadGraveyard.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace morvane {

class TQtListView;
class TQtProgressBar;
class TTaskRunner;
struct TTaskParameters;

class TfrmResult : public QWidget {
    Q_OBJECT

public:
    // Fills the About box with the three strings and shows it modally.
    using TAboutBoxOpener = std::function<void(
        const QString& p_strSoftware, const QString& p_strPlatform, const QString& p_strVersion)>;

    // Without a parent the window is top-level with a taskbar entry of its own, also while the
    // main window is hidden.
    explicit TfrmResult(QWidget* p_Parent = nullptr);
    // Stops a task that still runs and waits for its threads, serving their calls meanwhile.
    ~TfrmResult() override;
    TfrmResult(const TfrmResult&) = delete;
    TfrmResult& operator=(const TfrmResult&) = delete;

    void setSoftware(const QString& p_strSoftware);
    void setPlatform(const QString& p_strPlatform);
    void setVersion(const QString& p_strVersion);
    // Shown again when this window closes.
    void setMainWindow(QWidget* p_frmMain);
    void setAboutBoxOpener(TAboutBoxOpener p_doAboutBoxOpener);

    // Starts a task. p_strDirectory ends with the path separator; p_strSoftware is not used.
    // p_IsPreview (replace mode): a preview of the replace, which changes no file.
    void InitGo(const QString& p_strSoftware, int p_intMode, const QString& p_strDirectory,
                int p_intEncoding, const QString& p_strOldText, const QString& p_strNewText,
                const QString& p_strExtension, bool p_IsContainSubFloder, bool p_IsMatchCase,
                bool p_IsPreview = false);

    // The current task's log folder, without a trailing separator; empty before the first task.
    QString logsDirectory() const { return g_strLogsDirectory; }

    // Shows these counts at once; a running task's own counts wait for the next refresh.
    void UpdatePagerInfo(std::int32_t p_intRecordCount, std::int32_t p_intPageSize,
                         std::int32_t p_intPageCount);
    void CheckCompleted();

    void ShowPagerInfo();
    // Shows that page from its log page file; false, with nothing changed, when the page is out of
    // range or its file cannot be read.
    bool LoadPage(std::int32_t p_intPage);

    void btnFirstPageClick();
    void btnPreviousPageClick();
    void btnNextPageClick();
    void btnLastPageClick();
    void btnStopClick();
    void btnViewLogsClick();
    void btnAboutClick();
    void lvwFileListDblClick();
    void pmiOpenFileClick();
    void pmiOpenFileDirectoryClick();

    // Whether the window may close now.
    bool FormCloseQuery();
    // The window has been allowed to close.
    void FormClose();

signals:
    // Emitted at the end of CheckCompleted, after the summary message.
    void taskCompleted();

protected:
    void closeEvent(QCloseEvent* p_Event) override;
    void showEvent(QShowEvent* p_Event) override;
    bool eventFilter(QObject* p_Watched, QEvent* p_Event) override;

private:
    void CreateInfoPanel();
    void CreateListPanel();
    QWidget* CreatePagerBar();
    QWidget* CreateViewLogsPanel(QWidget* p_Parent);
    void CreatePopupMenu();
    void ConnectHandlers();
    void RebuildColumns(std::int32_t p_intMode);
    // The one handler behind the four page buttons.
    void PageButtonClick(TPageButton p_Button);
    void MoveToPage(std::int32_t p_intPage);
    // Hands the task to a new runner, wired to this window, and starts it.
    void StartTask(TTaskParameters p_Task);
    void WireTask(TTaskRunner& p_TaskRunner);
    // The processing thread has ended (a notice it posted): an end without its completion
    // hand-off still ends the task here.
    void OnTaskEnded();
    // Lets the current task's threads go: its callbacks no longer reach the window, and the
    // thread objects are released as soon as their bodies have returned.
    void ReleaseTask();
    // The processing thread's page counts: kept at once (the page buttons act on them), shown
    // with the next refresh.
    void NotePagerInfo(std::int32_t p_intRecordCount, std::int32_t p_intPageSize,
                       std::int32_t p_intPageCount);
    // Shows what the current task has handed over since the last refresh: rows, then the pager,
    // then the progress bar.
    void ApplyPendingUpdates();
    bool IsCurrentTask(std::uint64_t p_intTaskSerial) const;
    // Hands the file to the file manager; says so, naming p_strShownName's folder, when there is
    // none to take it.
    void ShowInFileManager(const QString& p_strFileName, const QString& p_strShownName);
    // The file of the selected row (its exact bytes, LogFieldToFileName), or an empty text when
    // no row is selected.
    QString SelectedFileName() const;

    QString g_strSoftware;
    QString g_strPlatform;
    QString g_strVersion;
    std::int32_t g_intMode = 0;
    QString g_strLogsDirectory;
    // The current task: its threads, their start and end times and its outcome.
    std::unique_ptr<TTaskRunner> g_TaskRunner;
    std::int32_t g_intRecordCount = 0;
    std::int32_t g_intPageSize = 0;
    std::int32_t g_intPageCount = 0;
    std::int32_t g_intCurrentPage = 0;

    // What the current task's threads hold of the window; let go together with them.
    std::shared_ptr<TQtProgressBar> g_pgrProgressAdapter;
    std::shared_ptr<TQtListView> g_lvwFileListAdapter;
    TThreadGraveyard g_ThreadGraveyard;
    std::uint64_t g_intTaskSerial = 0;
    bool g_IsPagerInfoPending = false;
    bool g_IsDestroying = false;
    QPointer<QWidget> g_frmMain;
    TAboutBoxOpener g_doAboutBoxOpener;

    QFrame* pnlInfoContainer = nullptr;
    QWidget* pnlInfoLabel = nullptr;
    QLabel* lblOperate = nullptr;
    QLabel* lblDirectory = nullptr;
    QLabel* lblProgress = nullptr;
    QWidget* pnlInfo = nullptr;
    QLineEdit* edtOperate = nullptr;
    QLineEdit* edtDirectory = nullptr;
    QProgressBar* pgrProgress = nullptr;
    QWidget* pnlList = nullptr;
    QTreeWidget* lvwFileList = nullptr;
    QWidget* pnlPagerContainer = nullptr;
    QPushButton* btnFirstPage = nullptr;
    QPushButton* btnPreviousPage = nullptr;
    QPushButton* btnNextPage = nullptr;
    QPushButton* btnLastPage = nullptr;
    QWidget* pnlPagerCounters = nullptr;
    QLabel* lblCurrentPage = nullptr;
    QLabel* lblPageCount = nullptr;
    QLabel* lblPageSize = nullptr;
    QLabel* lblRecordCount = nullptr;
    QWidget* pnlViewLogs = nullptr;
    QPushButton* btnViewLogs = nullptr;
    QPushButton* btnStop = nullptr;
    QPushButton* btnAbout = nullptr;
    QMenu* ppmListView = nullptr;
    QAction* pmiOpenFile = nullptr;
    QAction* pmiOpenFileDirectory = nullptr;
    QList<QIcon> iltListView;
    QTimer* tmrRefresh = nullptr;
};

} // namespace morvane
