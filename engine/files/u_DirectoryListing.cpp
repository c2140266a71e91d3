#include "files/u_DirectoryListing.h"

#include "files/u_FileSystemOps.h"
#include "text/u_TextConvert.h"

#ifndef _WIN32
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

// Separators as the walk writes them, no trailing one, ASCII letters upper-cased: Windows file
// names compare without regard to case.
std::u16string ComparablePath(const std::string& p_strNativePath) {
    std::u16string m_strPath = AsciiUpperCase(Utf8ToUtf16Lenient(p_strNativePath));
    for (char16_t& m_chrChar : m_strPath) {
        if (m_chrChar == u'\\') {
            m_chrChar = u'/';
        }
    }
    while (m_strPath.size() > 1 && m_strPath.back() == u'/') {
        m_strPath.pop_back();
    }
    return m_strPath;
}

} // namespace

bool TFolderIdentity::IsSame(const TFolderIdentity& p_Other) const {
    return g_IsKnown && p_Other.g_IsKnown && g_strPath == p_Other.g_strPath;
}

TFolderIdentity FolderIdentityOf(const std::string& p_strNativePath) {
    TFolderIdentity m_Identity;
    m_Identity.g_IsKnown = !p_strNativePath.empty();
    m_Identity.g_strPath = ComparablePath(p_strNativePath);
    return m_Identity;
}

TDirectoryListing::TDirectoryListing(const std::string& p_strNativeDirectory) {
    OpenPath(p_strNativeDirectory);
}

TDirectoryListing::TDirectoryListing(const TDirectoryListing& p_Parent,
                                     const std::string& p_strName) {
    OpenPath(p_Parent.g_strNativeDirectory + p_strName);
}

void TDirectoryListing::OpenPath(const std::string& p_strNativeDirectory) {
    g_strNativeDirectory = p_strNativeDirectory;
    if (!g_strNativeDirectory.empty() && g_strNativeDirectory.back() != '/' &&
        g_strNativeDirectory.back() != '\\') {
        g_strNativeDirectory += '/';
    }
    const std::u16string m_strPattern = Utf8ToUtf16Lenient(g_strNativeDirectory) + u"*.*";
    // Basic info skips the short 8.3 names, which nothing here uses.
    g_hFind = FindFirstFileExW(ToWide(m_strPattern).c_str(), FindExInfoBasic, &g_FindData,
                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    g_IsFirstPending = g_hFind != INVALID_HANDLE_VALUE;
    if (g_hFind == INVALID_HANDLE_VALUE) {
        const DWORD m_intError = ::GetLastError();
        // Nothing found is a folder without entries, not a failure.
        g_intErrorCode = m_intError == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(m_intError);
    }
}

TDirectoryListing::~TDirectoryListing() {
    if (g_hFind != INVALID_HANDLE_VALUE) {
        FindClose(g_hFind);
    }
}

bool TDirectoryListing::IsOpen() const {
    return g_hFind != INVALID_HANDLE_VALUE;
}

TFolderIdentity TDirectoryListing::Identity() const {
    return g_intErrorCode == 0 ? FolderIdentityOf(g_strNativeDirectory) : TFolderIdentity{};
}

bool TDirectoryListing::Next() {
    if (g_hFind == INVALID_HANDLE_VALUE) {
        return false;
    }
    for (;;) {
        if (g_IsFirstPending) {
            g_IsFirstPending = false;
        } else if (!FindNextFileW(g_hFind, &g_FindData)) {
            const DWORD m_intError = ::GetLastError();
            if (m_intError != ERROR_NO_MORE_FILES) {
                g_intErrorCode = static_cast<int>(m_intError);
            }
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
        g_intEntryKind =
            (g_FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TEntryKind::Directory
            : (g_FindData.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0  ? TEntryKind::Other
                                                                          : TEntryKind::RegularFile;
        return true;
    }
}

#else

namespace {

bool IsDotOrDotDot(const char* p_strName) {
    return p_strName[0] == '.' &&
           (p_strName[1] == '\0' || (p_strName[1] == '.' && p_strName[2] == '\0'));
}

TFolderIdentity IdentityOfStat(const struct stat& p_Stat) {
    TFolderIdentity m_Identity;
    m_Identity.g_IsKnown = true;
    m_Identity.g_intDevice = static_cast<std::uint64_t>(p_Stat.st_dev);
    m_Identity.g_intInode = static_cast<std::uint64_t>(p_Stat.st_ino);
    return m_Identity;
}

// The kind of an entry whose listing did not say (some file systems do not fill d_type). An
// entry that cannot be examined (it vanished, or the folder is readable but not searchable)
// counts as a regular file: reading it fails and reports why, as for a listed file that
// disappears before it is read.
unsigned char ExaminedType(int p_intDirectoryFd, const char* p_strName) {
    struct stat m_Stat {};
    if (FileSystemOps().FstatAt(p_intDirectoryFd, p_strName, &m_Stat, AT_SYMLINK_NOFOLLOW) != 0) {
        return DT_REG;
    }
    if (S_ISLNK(m_Stat.st_mode)) {
        return DT_LNK;
    }
    if (S_ISDIR(m_Stat.st_mode)) {
        return DT_DIR;
    }
    return S_ISREG(m_Stat.st_mode) ? DT_REG : DT_FIFO;
}

} // namespace

bool TFolderIdentity::IsSame(const TFolderIdentity& p_Other) const {
    return g_IsKnown && p_Other.g_IsKnown && g_intDevice == p_Other.g_intDevice &&
           g_intInode == p_Other.g_intInode;
}

TFolderIdentity FolderIdentityOf(const std::string& p_strNativePath) {
    struct stat m_Stat {};
    if (p_strNativePath.empty() || stat(p_strNativePath.c_str(), &m_Stat) != 0) {
        return {};
    }
    return IdentityOfStat(m_Stat);
}

TDirectoryListing::TDirectoryListing(const std::string& p_strNativeDirectory) {
    OpenAt(AT_FDCWD, p_strNativeDirectory.c_str(), 0);
}

TDirectoryListing::TDirectoryListing(const TDirectoryListing& p_Parent,
                                     const std::string& p_strName) {
    if (p_Parent.g_intFd < 0) {
        g_intErrorCode = EBADF;
        return;
    }
    OpenAt(p_Parent.g_intFd, p_strName.c_str(), O_NOFOLLOW);
    // ELOOP: a link now stands where the folder was listed; ENOTDIR: something else does.
    g_IsNotFollowed = g_intErrorCode == ELOOP || g_intErrorCode == ENOTDIR;
}

void TDirectoryListing::OpenAt(int p_intParentFd, const char* p_strName, int p_intFlags) {
    // O_CLOEXEC: a program launched meanwhile (an editor, the file manager) must not inherit it.
    // O_DIRECTORY refuses anything else before it is opened, so no FIFO or device is touched.
    const int m_intFd = FileSystemOps().OpenAt(p_intParentFd, p_strName,
                                               O_RDONLY | O_DIRECTORY | O_CLOEXEC | p_intFlags, 0);
    if (m_intFd < 0) {
        g_intErrorCode = errno;
        return;
    }
    g_Dir = fdopendir(m_intFd);
    if (g_Dir == nullptr) {
        g_intErrorCode = errno;
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

TFolderIdentity TDirectoryListing::Identity() const {
    struct stat m_Stat {};
    if (g_intFd < 0 || fstat(g_intFd, &m_Stat) != 0) {
        return {};
    }
    return IdentityOfStat(m_Stat);
}

bool TDirectoryListing::Next() {
    if (g_Dir == nullptr || g_IsEnded) {
        return false;
    }
    for (;;) {
        // readdir gives NULL both at the end and on failure; only errno tells them apart. Either
        // way the listing has ended; the folder stays open for DirectoryFd until the object goes.
        errno = 0;
        const dirent* m_Entry = readdir(g_Dir);
        if (m_Entry == nullptr) {
            g_intErrorCode = errno;
            g_IsEnded = true;
            return false;
        }
        if (IsDotOrDotDot(m_Entry->d_name)) {
            continue;
        }
        unsigned char m_intType = m_Entry->d_type;
        if (m_intType == DT_UNKNOWN) {
            m_intType = ExaminedType(g_intFd, m_Entry->d_name);
        }
        if (m_intType == DT_LNK) {
            continue;
        }
        g_strEntryName.assign(m_Entry->d_name);
        g_intEntryKind = m_intType == DT_DIR   ? TEntryKind::Directory
                         : m_intType == DT_REG ? TEntryKind::RegularFile
                                               : TEntryKind::Other;
        return true;
    }
}

#endif

std::vector<TFolderIdentity> FolderAndParentIdentities(const std::string& p_strNativePath) {
    std::vector<TFolderIdentity> m_arrFolders;
    if (p_strNativePath.empty()) {
        return m_arrFolders;
    }
    std::string m_strFolder = p_strNativePath;
    while (m_strFolder.size() > 1 && (m_strFolder.back() == '/' || m_strFolder.back() == '\\')) {
        m_strFolder.pop_back();
    }
    const std::size_t m_intSeparator = m_strFolder.find_last_of("/\\");
    const std::string m_strParent = m_intSeparator == std::string::npos ? std::string(".")
                                    : m_intSeparator == 0               ? std::string("/")
                                                          : m_strFolder.substr(0, m_intSeparator);
    TFolderIdentity m_Folder = FolderIdentityOf(m_strFolder);
#ifdef _WIN32
    TFolderIdentity m_Holder = FolderIdentityOf(m_strParent);
#else
    // Through "..", so that a path that ends in a link still finds the folder that really holds
    // it; by the name when the folder itself is missing.
    TFolderIdentity m_Holder =
        m_Folder.g_IsKnown ? FolderIdentityOf(m_strFolder + "/..") : FolderIdentityOf(m_strParent);
#endif
    for (TFolderIdentity* m_pIdentity : {&m_Folder, &m_Holder}) {
        if (m_pIdentity->g_IsKnown) {
            m_arrFolders.push_back(std::move(*m_pIdentity));
        }
    }
    return m_arrFolders;
}

bool IsOneOfFolders(const TDirectoryListing& p_Listing,
                    const std::vector<TFolderIdentity>& p_arrFolders) {
    if (p_arrFolders.empty() || !p_Listing.IsOpen()) {
        return false;
    }
    const TFolderIdentity m_Identity = p_Listing.Identity();
    for (const TFolderIdentity& m_Folder : p_arrFolders) {
        if (m_Folder.IsSame(m_Identity)) {
            return true;
        }
    }
    return false;
}

} // namespace morvane
