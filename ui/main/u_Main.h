#pragma once
// TfrmMain: the main window, where a task is set up. It loads the settings when it is created,
// checks the input on Go, hands the task on through its task starter and hides itself; closing
// it saves the settings and ends the program.

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDropEvent;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace morvane {

class TLinkLabel;
class TfrmAbout;
class TfrmExtension;
struct TGoTask;

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // Hands an accepted task to the result window: the main window's caption, then the task.
    using TTaskStarter = std::function<void(const QString& p_strCaption, const TGoTask& p_Task)>;
    // Starts the removal of old task log folders in the given logs folder.
    using TLogsCleanUpStarter = std::function<void(const QString& p_strLogsFileDirectory)>;

    static constexpr int kDesignWidth = 804;
    static constexpr int kDesignHeight = 594;
    // The smallest outer size, lowered to the screen's available size where that is smaller.
    static constexpr int kMinOuterWidth = 750;
    // Where btnCheckAll keeps its toggle: "1" checks every item next, "-1" clears them.
    static constexpr const char* kCheckAllHint = "hint";
    static constexpr int kMinOuterHeight = 600;

    explicit TfrmMain(QWidget* p_Parent = nullptr);

    // The product texts of captions and the About box.
    static QString Software();
    static QString Platform();
    static QString Version();

    void setTaskStarter(TTaskStarter p_doTaskStarter);
    void setLogsCleanUpStarter(TLogsCleanUpStarter p_doLogsCleanUpStarter);
    void setExtensionWindow(TfrmExtension* p_frmExtension);
    void setAboutWindow(TfrmAbout* p_frmAbout);

    int Mode() const { return g_intMode; }

    void FormCreate();
    void FormClose();
    void FormResize();
    void btnReplaceModeClick();
    void btnFindModeClick();
    void btnBrowseClick();
    void btnCheckAllClick();
    void btnEditExtClick();
    void btnAboutClick();
    void btnGoClick();
    // Replace mode: Go's checks, then a preview of the replace without asking first.
    void btnPreviewClick();
    void lblWebsiteClick();
    void lblWebsiteMouseEnter();
    void lblWebsiteMouseLeave();

    void AddDirectoryHistory(const QString& p_strDirectory);
    void LoadExtensionList();

    // The folder the program was started with, shown in the directory box (nothing when empty).
    // Like a typed directory it reaches the history on Go or on close.
    void SetStartUpDirectory(const QString& p_strDirectory);

signals:
    // After the settings were saved (or failed to save) on close: the program ends.
    void formClosed();

protected:
    void closeEvent(QCloseEvent* p_Event) override;
    // Brings the window back onto the screen it is shown on.
    void showEvent(QShowEvent* p_Event) override;
    void resizeEvent(QResizeEvent* p_Event) override;
    bool eventFilter(QObject* p_Watched, QEvent* p_Event) override;
    // A folder dropped anywhere on the window is taken as if picked with Browse.
    void dragEnterEvent(QDragEnterEvent* p_Event) override;
    void dragMoveEvent(QDragMoveEvent* p_Event) override;
    void dropEvent(QDropEvent* p_Event) override;

private:
    void BuildPages();
    QWidget* BuildDirectory(QWidget* p_pnlParent);
    QWidget* BuildTask(QWidget* p_pnlParent);
    QWidget* BuildOptions(QWidget* p_pnlParent);
    QWidget* BuildFileExt(QWidget* p_pnlParent);
    void BuildButtons();

    void LoadSettings();
    void PickDirectory(const QString& p_strFolder);
    bool FolderDragEvent(QDropEvent* p_Event);
    void SetMode(int p_intMode);
    // Go and its preview: the checks, the history, the clean-up and the hand-over.
    void StartGoTask(bool p_IsPreview);
    QStringList CheckedItems() const;
    void SetAllChecked(bool p_IsChecked);
    void AddExtensionItem(const QString& p_strItem);
    // Where the settings files live (SettingsFolder()), ending with the separator.
    static QString SettingsFolderText();
    // Creates the settings and logs folders when missing; false, after telling the user which
    // folder and why, when either cannot be made or written.
    bool PrepareDataFolders();

    int g_intMode = 1;
    TTaskStarter g_doTaskStarter;
    TLogsCleanUpStarter g_doLogsCleanUpStarter;
    TfrmExtension* g_frmExtension = nullptr;
    TfrmAbout* g_frmAbout = nullptr;

    QWidget* pnlPages = nullptr;
    QPushButton* btnReplaceMode = nullptr;
    QPushButton* btnFindMode = nullptr;
    QWidget* pnlWebsite = nullptr;
    TLinkLabel* lblWebsite = nullptr;
    QWidget* pnlButtons = nullptr;
    QPushButton* btnAbout = nullptr;
    QPushButton* btnGo = nullptr;
    QPushButton* btnPreview = nullptr; // replace mode only
    QListWidget* clbFileExtList = nullptr;
    QPushButton* btnCheckAll = nullptr;
    QPushButton* btnEditExt = nullptr;
    QWidget* pnlDirectoryContent = nullptr;
    QComboBox* drpDirectory = nullptr;
    QPushButton* btnBrowse = nullptr;
    QComboBox* drpFileEncoding = nullptr;
    QGroupBox* gbxOptions = nullptr;
    QCheckBox* chkIncSubDirectory = nullptr;
    QCheckBox* chkIsMatchCase = nullptr;
    QCheckBox* chkDeleteLogsFile = nullptr;
    QWidget* pnlTask = nullptr;
    QWidget* pnlTaskReplace = nullptr;
    QWidget* pnlTaskFindLabel = nullptr;
    QWidget* pnlTaskReplaceLabel = nullptr;
    QLabel* lblTaskFindLabel = nullptr;
    QLabel* lblTaskReplaceLabel = nullptr;
    QPlainTextEdit* memFindText = nullptr;
    QPlainTextEdit* memReplaceText = nullptr;
};

} // namespace morvane
