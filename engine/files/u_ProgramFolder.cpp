#include "files/u_ProgramFolder.h"

#include "text/u_TextConvert.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace morvane {

namespace {

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

std::mutex g_OverrideLock;    // guards g_strOverride
std::u16string g_strOverride; // guarded by g_OverrideLock

std::u16string ExecutableFolder() {
#ifdef _WIN32
    std::wstring m_strPath(32768, L'\0');
    const DWORD m_intLength =
        GetModuleFileNameW(nullptr, m_strPath.data(), static_cast<DWORD>(m_strPath.size()));
    m_strPath.resize(m_intLength);
    std::u16string m_strResult(m_strPath.begin(), m_strPath.end());
#else
    std::string m_strPath(PATH_MAX, '\0');
    const ssize_t m_intLength = readlink("/proc/self/exe", m_strPath.data(), m_strPath.size());
    if (m_intLength <= 0) {
        return std::u16string(1, kSeparator);
    }
    m_strPath.resize(static_cast<std::size_t>(m_intLength));
    std::u16string m_strResult = Utf8ToUtf16Lenient(m_strPath);
#endif
    const auto m_intSlash = m_strResult.find_last_of(kSeparator);
    return m_intSlash == std::u16string::npos ? std::u16string()
                                              : m_strResult.substr(0, m_intSlash + 1);
}

} // namespace

std::u16string GetProgramFolder() {
    {
        std::lock_guard m_Lock(g_OverrideLock);
        if (!g_strOverride.empty()) {
            return g_strOverride;
        }
    }
    return ExecutableFolder();
}

void SetProgramFolderOverride(const std::u16string& p_strFolder) {
    std::lock_guard m_Lock(g_OverrideLock);
    g_strOverride = p_strFolder;
    if (!g_strOverride.empty() && g_strOverride.back() != kSeparator) {
        g_strOverride += kSeparator;
    }
}

} // namespace morvane
