#include "files/u_DirectoryListing.h"

#ifdef _WIN32
#include "text/u_TextConvert.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

#ifdef _WIN32

namespace {

std::wstring ToWide(const std::u16string& p_strText) {
    return std::wstring(p_strText.begin(), p_strText.end());
}

} // namespace

TDirectoryListing::TDirectoryListing(const std::string& p_strNativeDirectory) {
    std::u16string m_strPattern = Utf8ToUtf16Lenient(p_strNativeDirectory);
    if (!m_strPattern.empty() && m_strPattern.back() != u'/' && m_strPattern.back() != u'\\') {
        m_strPattern += u'/';
    }
    m_strPattern += u"*.*";
    // Basic info skips the short 8.3 names, which nothing here uses.
    g_hFind = FindFirstFileExW(ToWide(m_strPattern).c_str(), FindExInfoBasic, &g_FindData,
                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    g_IsFirstPending = g_hFind != INVALID_HANDLE_VALUE;
}

TDirectoryListing::~TDirectoryListing() {
    if (g_hFind != INVALID_HANDLE_VALUE) {
        FindClose(g_hFind);
    }
}

bool TDirectoryListing::IsOpen() const {
    return g_hFind != INVALID_HANDLE_VALUE;
}

bool TDirectoryListing::Next() {
    if (g_hFind == INVALID_HANDLE_VALUE) {
        return false;
    }
    for (;;) {
        if (g_IsFirstPending) {
            g_IsFirstPending = false;
        } else if (!FindNextFileW(g_hFind, &g_FindData)) {
            // End of the listing and a failure midway end it alike.
            FindClose(g_hFind);
            g_hFind = INVALID_HANDLE_VALUE;
            return false;
        }
        const std::u16string_view m_strName(
            reinterpret_cast<const char16_t*>(g_FindData.cFileName));
        if (m_strName == u"." || m_strName == u"..") {
            continue;
        }
        // Symbolic links, junctions and mount points are reparse points: never entered or counted.
        if ((g_FindData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        g_strEntryName = Utf16ToUtf8(m_strName);
        g_IsDirectory = (g_FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return true;
    }
}

#else

namespace {

bool IsDotOrDotDot(const char* p_strName) {
    return p_strName[0] == '.' &&
           (p_strName[1] == '\0' || (p_strName[1] == '.' && p_strName[2] == '\0'));
}

} // namespace

TDirectoryListing::TDirectoryListing(const std::string& p_strNativeDirectory) {
    // O_CLOEXEC: a program launched meanwhile (an editor, the file manager) must not inherit it.
    const int m_intFd = open(p_strNativeDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_intFd < 0) {
        return;
    }
    g_Dir = fdopendir(m_intFd);
    if (g_Dir == nullptr) {
        close(m_intFd);
        return;
    }
    g_intFd = m_intFd;
}

TDirectoryListing::~TDirectoryListing() {
    if (g_Dir != nullptr) {
        closedir(g_Dir);
    }
}

bool TDirectoryListing::IsOpen() const {
    return g_Dir != nullptr;
}

int TDirectoryListing::DirectoryFd() const {
    return g_intFd;
}

bool TDirectoryListing::Next() {
    if (g_Dir == nullptr || g_IsEnded) {
        return false;
    }
    for (;;) {
        // readdir gives NULL both at the end and on failure: either way the listing has ended.
        // The folder stays open for DirectoryFd until the object goes.
        const dirent* m_Entry = readdir(g_Dir);
        if (m_Entry == nullptr) {
            g_IsEnded = true;
            return false;
        }
        if (IsDotOrDotDot(m_Entry->d_name)) {
            continue;
        }
        unsigned char m_intType = m_Entry->d_type;
        if (m_intType == DT_UNKNOWN) {
            // Some file systems do not fill d_type. An entry that cannot be examined (it vanished,
            // or the folder is readable but not searchable) counts as a file: reading it will fail
            // and skip it, just as it would for a listed file that disappears before it is read.
            struct stat m_Stat {};
            if (fstatat(dirfd(g_Dir), m_Entry->d_name, &m_Stat, AT_SYMLINK_NOFOLLOW) == 0) {
                if (S_ISLNK(m_Stat.st_mode)) {
                    m_intType = DT_LNK;
                } else if (S_ISDIR(m_Stat.st_mode)) {
                    m_intType = DT_DIR;
                } else {
                    m_intType = DT_REG;
                }
            } else {
                m_intType = DT_REG;
            }
        }
        if (m_intType == DT_LNK) {
            continue;
        }
        g_strEntryName.assign(m_Entry->d_name);
        g_IsDirectory = m_intType == DT_DIR;
        return true;
    }
}

#endif

} // namespace morvane
