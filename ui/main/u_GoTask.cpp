#include "u_GoTask.h"

#include "files/u_FolderPath.h"
#include "task/u_TaskParameters.h"
#include "text/u_ExtensionFilter.h"
#include "u_QtText.h"

#include <vector>

namespace morvane {

TTaskParameters TGoTask::TaskParameters() const {
    TTaskParameters m_Task;
    m_Task.g_Kind = g_IsPreview ? TTaskKind::ReplacePreview : TTaskKind::FindReplace;
    m_Task.g_intMode = g_intMode;
    m_Task.g_strDirectory = ToU16String(g_strDirectory);
    m_Task.g_intEncoding = g_intEncoding;
    m_Task.g_strOldText = ToU16String(g_strOldText);
    m_Task.g_strNewText = ToU16String(g_strNewText);
    m_Task.g_strExtension = ToU16String(g_strExtension);
    m_Task.g_IsContainSubFloder = g_IsContainSubFloder;
    m_Task.g_IsMatchCase = g_IsMatchCase;
    return m_Task;
}

QString TGoTask::AddTrailingBackslash(const QString& p_strDirectory) {
    return ToQString(AddTrailingSeparator(ToU16String(p_strDirectory)));
}

QString TGoTask::BuildExtensionFilter(const QStringList& p_arrCheckedItems) {
    std::vector<std::u16string> m_arrItems;
    m_arrItems.reserve(static_cast<std::size_t>(p_arrCheckedItems.size()));
    for (const QString& m_strItem : p_arrCheckedItems) {
        m_arrItems.push_back(ToU16String(m_strItem));
    }
    return ToQString(morvane::BuildExtensionFilter(m_arrItems));
}

bool TGoTask::DirectoryExists(const QString& p_strDirectory) {
    return IsExistingDirectory(ToU16String(p_strDirectory));
}

} // namespace morvane
