#include "files/u_FolderPath.h"

#include "text/u_TextConvert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace morvane {

std::u16string AddTrailingSeparator(const std::u16string& p_strDirectory) {
    if (!p_strDirectory.empty() && p_strDirectory.back() == kPathSeparator) {
        return p_strDirectory;
    }
    return p_strDirectory + kPathSeparator;
}

std::filesystem::path NativePath(const std::u16string& p_strPath) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(p_strPath.begin(), p_strPath.end()));
#else
    return std::filesystem::path(Utf16ToUtf8(p_strPath));
#endif
}

bool IsExistingDirectory(const std::u16string& p_strDirectory) {
    if (p_strDirectory.empty()) {
        return false;
    }
#ifdef _WIN32
    const std::wstring m_strWide(p_strDirectory.begin(), p_strDirectory.end());
    const DWORD m_intAttributes = GetFileAttributesW(m_strWide.c_str());
    return m_intAttributes != INVALID_FILE_ATTRIBUTES &&
           (m_intAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
    struct stat m_Stat {};
    return stat(Utf16ToUtf8(p_strDirectory).c_str(), &m_Stat) == 0 && S_ISDIR(m_Stat.st_mode);
#endif
}

} // namespace morvane
