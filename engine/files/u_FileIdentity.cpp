#include "files/u_FileIdentity.h"

namespace morvane {

#ifdef _WIN32

std::uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    return (std::uint64_t{p_Info.nFileSizeHigh} << 32) | p_Info.nFileSizeLow;
}

std::int64_t LastWriteTime(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    return static_cast<std::int64_t>((std::uint64_t{p_Info.ftLastWriteTime.dwHighDateTime} << 32) |
                                     p_Info.ftLastWriteTime.dwLowDateTime);
}

std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    return (std::uint64_t{p_Info.nFileIndexHigh} << 32) | p_Info.nFileIndexLow;
}

TFileIdentity FileIdentityOf(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    TFileIdentity m_Identity;
    m_Identity.g_intDevice = p_Info.dwVolumeSerialNumber;
    m_Identity.g_intInode = FileIndex(p_Info);
    m_Identity.g_intSize = FileSize(p_Info);
    m_Identity.g_intModifiedNs = LastWriteTime(p_Info);
    m_Identity.g_intMode = p_Info.dwFileAttributes;
    return m_Identity;
}

#else

namespace {

std::int64_t Nanoseconds(const struct timespec& p_Time) {
    return static_cast<std::int64_t>(p_Time.tv_sec) * 1'000'000'000 + p_Time.tv_nsec;
}

} // namespace

std::int64_t ModifiedNs(const struct stat& p_Stat) {
    return Nanoseconds(p_Stat.st_mtim);
}

std::int64_t ChangedNs(const struct stat& p_Stat) {
    return Nanoseconds(p_Stat.st_ctim);
}

TFileIdentity FileIdentityOf(const struct stat& p_Stat) {
    TFileIdentity m_Identity;
    m_Identity.g_intDevice = static_cast<std::uint64_t>(p_Stat.st_dev);
    m_Identity.g_intInode = static_cast<std::uint64_t>(p_Stat.st_ino);
    m_Identity.g_intSize = static_cast<std::uint64_t>(p_Stat.st_size);
    m_Identity.g_intModifiedNs = ModifiedNs(p_Stat);
    m_Identity.g_intChangedNs = ChangedNs(p_Stat);
    m_Identity.g_intMode = static_cast<std::uint32_t>(p_Stat.st_mode);
    m_Identity.g_intUid = static_cast<std::uint32_t>(p_Stat.st_uid);
    m_Identity.g_intGid = static_cast<std::uint32_t>(p_Stat.st_gid);
    return m_Identity;
}

#endif

} // namespace morvane
