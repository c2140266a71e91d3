#pragma once
// TSettingsStore: the five settings files of the settings folder, and the rules for their values.
// Knows no window: the main window and the extension editor map their controls to these values.
// A missing file is never an error; every other failure of a read or write is raised.

#include <QString>
#include <QStringList>

#include <optional>

namespace morvane {

class TSettingsStore {
public:
    // The options of "config.ini", with the values a missing file gives.
    struct TConfig {
        bool g_IsContainSubFloder = true;
        bool g_IsMatchCase = true;
        bool g_IsDeleteLogsFile = true;
        QString g_strSelectedExtension;
    };

    static constexpr int kHistoryLimit = 10;

    // p_strFolder: the settings folder (SettingsFolder()), ending with the separator.
    explicit TSettingsStore(QString p_strFolder);

    QString FilePath(const QString& p_strFileName) const;

    // "path.ini": the history, newest first; nothing when the file is missing.
    std::optional<QStringList> LoadDirectoryHistory() const;
    void SaveDirectoryHistory(const QStringList& p_arrHistory) const;

    // "find.ini" and "replace.ini": the memo text with CR LF breaks; nothing when missing.
    std::optional<QString> LoadFindText() const;
    std::optional<QString> LoadReplaceText() const;
    void SaveFindText(const QString& p_strText) const;
    void SaveReplaceText(const QString& p_strText) const;

    // "config.ini", section "zelkReplace".
    TConfig LoadConfig() const;
    // Rewrites the file with these four keys set; its other content stays.
    void SaveConfig(const TConfig& p_Config) const;

    // "extension.ini": nothing when the file is missing.
    bool HasExtensionList() const;
    std::optional<QStringList> LoadExtensionList() const;
    // Writes the file, creating it when there is none yet.
    void SaveExtensionList(const QStringList& p_arrLines) const;

    // The patterns the check list holds while there is no "extension.ini".
    static QStringList BuiltInExtensions();

    // The history after using p_strDirectory: equal lines (exact comparison) removed, the
    // directory put first, cut to kHistoryLimit lines.
    static QStringList AddToHistory(QStringList p_arrHistory, const QString& p_strDirectory);

    // Each checked item followed by "|", in list order, letter case kept.
    static QString JoinSelectedExtension(const QStringList& p_arrCheckedItems);
    // Pieces end at "|", CR, LF or the end; CR and LF starting a piece are skipped and empty
    // pieces dropped. A ' or " opens a quoted stretch up to the next quote of the same kind, in
    // which nothing ends the piece; the quotes stay part of it.
    static QStringList SplitSelectedExtension(const QString& p_strValue);

    // Unchecked only for a value that reads "false" once A to Z are lower-cased.
    static bool ParseOption(const QString& p_strValue);
    static QString OptionText(bool p_IsChecked);

    // A memo's text as stored: every lone CR and lone LF becomes CR LF.
    static QString NormalizeLineBreaks(const QString& p_strText);

private:
    // Creates the folder when missing; raises, naming it, when it cannot be made or written.
    void PrepareFolder() const;
    std::optional<QString> LoadText(const QString& p_strFileName) const;
    void SaveText(const QString& p_strFileName, const QString& p_strText) const;

    QString g_strFolder;
};

} // namespace morvane
