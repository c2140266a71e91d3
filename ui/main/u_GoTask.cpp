#include "u_GoTask.h"

#include "text/u_ExtensionFilter.h"
#include "u_QtText.h"

#include <QFileInfo>

#include <vector>

namespace morvane {

QString TGoTask::AddTrailingBackslash(const QString& p_strDirectory) {
#ifdef _WIN32
    constexpr char16_t kSeparator = u'\\';
#else
    constexpr char16_t kSeparator = u'/';
#endif
    if (p_strDirectory.endsWith(QChar(kSeparator))) {
        return p_strDirectory;
    }
    return p_strDirectory + QChar(kSeparator);
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
    // QFileInfo would take the empty text for the current folder.
    return !p_strDirectory.isEmpty() && QFileInfo(p_strDirectory).isDir();
}

} // namespace morvane
