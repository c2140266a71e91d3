#include "files/u_RewriteLeftovers.h"

#include "files/u_FileSystemOps.h"
#include "files/u_SafeRewrite.h"

#include <chrono>

#ifdef _WIN32
#include "text/u_TextConvert.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace morvane {

std::int64_t WallClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

#ifdef _WIN32

namespace {

// FILETIME counts 100 ns steps from 1601; the Unix epoch lies this many of them later.
constexpr std::int64_t kUnixEpochIn100Ns = 116444736000000000LL;

} // namespace

void RemoveStaleRewriteTemporaries(const TDirectoryListing& p_Folder,
                                   const std::vector<std::string>& p_arrNames,
                                   std::int64_t p_intTaskStartNs) {
    TFileSystemOps& m_Ops = FileSystemOps();
    for (const std::string& m_strName : p_arrNames) {
        if (!IsRewriteTemporaryName(m_strName)) {
            continue;
        }
        const std::wstring m_strPath = NativePathToWide(p_Folder.NativeDirectory() + m_strName);
        WIN32_FILE_ATTRIBUTE_DATA m_Data{};
        if (!GetFileAttributesExW(m_strPath.c_str(), GetFileExInfoStandard, &m_Data) ||
            (m_Data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0) {
            continue;
        }
        const std::int64_t m_intWritten =
            static_cast<std::int64_t>((std::uint64_t{m_Data.ftLastWriteTime.dwHighDateTime} << 32) |
                                      m_Data.ftLastWriteTime.dwLowDateTime);
        if ((m_intWritten - kUnixEpochIn100Ns) * 100 < p_intTaskStartNs) {
            m_Ops.DeleteFileW(m_strPath.c_str());
        }
    }
}

#else

void RemoveStaleRewriteTemporaries(const TDirectoryListing& p_Folder,
                                   const std::vector<std::string>& p_arrNames,
                                   std::int64_t p_intTaskStartNs) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const int m_intFolderFd = p_Folder.DirectoryFd();
    if (m_intFolderFd < 0) {
        return;
    }
    const uid_t m_intUser = m_Ops.GetEffectiveUserId();
    for (const std::string& m_strName : p_arrNames) {
        if (!IsRewriteTemporaryName(m_strName)) {
            continue;
        }
        struct stat m_Stat {};
        if (m_Ops.FstatAt(m_intFolderFd, m_strName.c_str(), &m_Stat, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(m_Stat.st_mode) || m_Stat.st_uid != m_intUser) {
            continue;
        }
        const std::int64_t m_intModifiedNs =
            static_cast<std::int64_t>(m_Stat.st_mtim.tv_sec) * 1'000'000'000 +
            m_Stat.st_mtim.tv_nsec;
        if (m_intModifiedNs < p_intTaskStartNs) {
            m_Ops.UnlinkAt(m_intFolderFd, m_strName.c_str(), 0);
        }
    }
}

#endif

} // namespace morvane
