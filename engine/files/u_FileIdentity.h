#pragma once
// TFileIdentity: what a file was when it was read, taken the same way by the reading and the
// rewrite that later checks it, so the two can never disagree about what "unchanged" means.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace morvane {

// On Linux the fields are those of fstat (g_intMode holds the type and permission bits of
// st_mode, g_intChangedNs the status change time, which no program can set back); on Windows
// g_intDevice is the volume serial number, g_intInode the file index, g_intModifiedNs the
// last-write time in 100 ns units and g_intMode the file attributes (g_intUid, g_intGid and
// g_intChangedNs stay 0). g_intSize is the number of bytes read.
struct TFileIdentity {
    std::uint64_t g_intDevice = 0, g_intInode = 0, g_intSize = 0;
    std::int64_t g_intModifiedNs = 0;
    std::int64_t g_intChangedNs = 0;
    std::uint32_t g_intMode = 0, g_intUid = 0, g_intGid = 0;
};

#ifdef _WIN32
std::uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& p_Info);
std::int64_t LastWriteTime(const BY_HANDLE_FILE_INFORMATION& p_Info);
std::uint64_t FileIndex(const BY_HANDLE_FILE_INFORMATION& p_Info);
// The identity of a file as GetFileInformationByHandle describes it.
TFileIdentity FileIdentityOf(const BY_HANDLE_FILE_INFORMATION& p_Info);
#else
// Nanoseconds since the epoch.
std::int64_t ModifiedNs(const struct stat& p_Stat);
std::int64_t ChangedNs(const struct stat& p_Stat);
// The identity of a file as fstat describes it.
TFileIdentity FileIdentityOf(const struct stat& p_Stat);
#endif

} // namespace morvane
