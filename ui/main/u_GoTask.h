#pragma once
// TGoTask: the task the main window hands to the result window on Go, and the rules that turn the
// window's fields into it.

#include <QString>
#include <QStringList>

namespace morvane {

struct TTaskParameters;

struct TGoTask {
    QString g_strSoftware;
    int g_intMode = 1;
    QString g_strDirectory; // ends with the separator
    int g_intEncoding = 0;
    QString g_strOldText;
    QString g_strNewText;
    QString g_strExtension; // every checked pattern upper-cased and followed by "|"
    bool g_IsContainSubFloder = true;
    bool g_IsMatchCase = true;
    bool g_IsPreview = false; // replace mode: a preview, which changes no file

    // The same values for the engine; the logs folder is left to the task.
    TTaskParameters TaskParameters() const;

    // The directory with one separator added unless it already ends with one.
    static QString AddTrailingBackslash(const QString& p_strDirectory);
    // Each checked item with a to z raised, followed by "|", in list order.
    static QString BuildExtensionFilter(const QStringList& p_arrCheckedItems);
    // An existing directory; the empty text names none.
    static bool DirectoryExists(const QString& p_strDirectory);
};

} // namespace morvane
