#include "files/u_DataLocations.h"

#include "core/u_Types.h"
#include "files/u_FolderPath.h"
#include "files/u_ProgramFolder.h"
#include "text/u_TextConvert.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

[[noreturn]] void ThrowFolderError(std::string_view p_strWhat, const std::u16string& p_strFolder,
                                   const std::error_code& p_Error) {
    throw TEngineError(std::string(p_strWhat) + "“" + Utf16ToUtf8(p_strFolder) + "”：" +
                       p_Error.message());
}

#ifndef _WIN32

// An XDG base directory: the variable's value when it is an absolute path (the XDG rules ignore
// a relative one), else the home folder + p_strDefault. Empty when there is no home either.
std::u16string XdgBaseFolder(const char* p_strVariable, std::string_view p_strDefault) {
    const char* m_strValue = std::getenv(p_strVariable);
    if (m_strValue != nullptr && m_strValue[0] == '/') {
        return Utf8ToUtf16Lenient(m_strValue);
    }
    const char* m_strHome = std::getenv("HOME");
    if (m_strHome == nullptr || m_strHome[0] != '/') {
        const passwd* m_User = getpwuid(getuid());
        m_strHome = m_User != nullptr ? m_User->pw_dir : nullptr;
    }
    if (m_strHome == nullptr || m_strHome[0] != '/') {
        return {};
    }
    return Utf8ToUtf16Lenient(std::string(m_strHome) + "/" + std::string(p_strDefault));
}

std::u16string InstalledFolder(const char* p_strVariable, std::string_view p_strDefault,
                               std::u16string_view p_strBelow) {
    std::u16string m_strBase = XdgBaseFolder(p_strVariable, p_strDefault);
    if (m_strBase.empty()) {
        // Nowhere of the user's own: the program folder is the only place left.
        return GetProgramFolder() + std::u16string(p_strBelow);
    }
    return AddTrailingSeparator(m_strBase) + u"morvane/" + std::u16string(p_strBelow);
}

#endif

void CreateFolders(const std::u16string& p_strFolder) {
    const std::filesystem::path m_Path = NativePath(p_strFolder);
    std::error_code m_Error;
#ifdef _WIN32
    std::filesystem::create_directories(m_Path, m_Error);
#else
    // Each missing folder on the way is made private: settings and logs name the user's files.
    std::filesystem::path m_Prefix;
    for (const std::filesystem::path& m_Part : m_Path.lexically_normal()) {
        m_Prefix /= m_Part;
        if (m_Part.empty() || std::filesystem::is_directory(m_Prefix, m_Error)) {
            continue;
        }
        if (mkdir(m_Prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            m_Error.assign(errno, std::generic_category());
            break;
        }
        m_Error.clear();
    }
#endif
    if (!m_Error && !std::filesystem::is_directory(m_Path, m_Error)) {
        m_Error = std::make_error_code(std::errc::not_a_directory);
    }
    if (m_Error) {
        ThrowFolderError("无法创建文件夹", p_strFolder, m_Error);
    }
}

} // namespace

bool IsPortable() {
#ifdef _WIN32
    return true;
#else
    std::error_code m_Error;
    const std::filesystem::path m_Marker =
        NativePath(GetProgramFolder() + std::u16string(kPortableMarker));
    return std::filesystem::exists(m_Marker, m_Error) &&
           !std::filesystem::is_directory(m_Marker, m_Error);
#endif
}

std::u16string SettingsFolder() {
#ifndef _WIN32
    if (!IsPortable()) {
        return InstalledFolder("XDG_CONFIG_HOME", ".config", u"");
    }
#endif
    return GetProgramFolder();
}

std::u16string LogsFolder() {
#ifndef _WIN32
    if (!IsPortable()) {
        return InstalledFolder("XDG_STATE_HOME", ".local/state", u"logs");
    }
#endif
    return GetProgramFolder() + u"logs";
}

void PrepareDataFolder(const std::u16string& p_strFolder) {
    CreateFolders(p_strFolder);
#ifndef _WIN32
    // Root passes this test everywhere; anyone else learns here, before any file is started.
    if (access(NativePath(p_strFolder).c_str(), W_OK | X_OK) != 0) {
        ThrowFolderError("无法写入文件夹", p_strFolder,
                         std::error_code(errno, std::generic_category()));
    }
#endif
}

} // namespace morvane
