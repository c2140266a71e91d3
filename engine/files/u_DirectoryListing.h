#pragma once
// TDirectoryListing: the entries of one folder, one at a time, in the order the platform returns
// them. Shared by the processing walk, the file count pass and the old-log clean-up, so that all
// three agree on which entries exist: "." and ".." are never returned, and neither is a symbolic
// link (to a file or to a folder) or, on Windows, any other reparse point. Following links could
// lead the walk out of the chosen tree or round a cycle, and the clean-up through a link into
// someone else's folder.

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace morvane {

class TDirectoryListing {
public:
    // Opens the listing of a folder given by its native path (UTF-8 bytes; a trailing "/" is
    // allowed). A folder that cannot be listed gives a listing without entries; nothing is thrown.
    explicit TDirectoryListing(const std::string& p_strNativeDirectory);
    ~TDirectoryListing();
    TDirectoryListing(const TDirectoryListing&) = delete;
    TDirectoryListing& operator=(const TDirectoryListing&) = delete;

    bool IsOpen() const;

    // Moves to the next entry. False when there is none; a listing that fails midway ends as if
    // it had no further entry.
    bool Next();

    // The current entry's name as raw bytes (POSIX: as the file system holds it; Windows: UTF-8).
    const std::string& EntryName() const { return g_strEntryName; }
    // Anything that is not a folder (regular file, FIFO, socket, device) counts as a file.
    bool IsDirectory() const { return g_IsDirectory; }

#ifndef _WIN32
    // The listed folder's descriptor, valid while this object lives (also after the last entry),
    // for opening entries relative to it; -1 when the folder could not be listed.
    int DirectoryFd() const;
#endif

private:
#ifdef _WIN32
    HANDLE g_hFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW g_FindData{};
    bool g_IsFirstPending = false; // FindFirstFileW has already delivered an entry
#else
    DIR* g_Dir = nullptr;
    int g_intFd = -1; // the folder's descriptor, owned by g_Dir; kept apart so that other
                      // threads may read it while the listing goes on
    bool g_IsEnded = false;
#endif
    std::string g_strEntryName;
    bool g_IsDirectory = false;
};

} // namespace morvane
