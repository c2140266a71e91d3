#pragma once
// TDirectoryListing: the entries of one folder, one at a time, in the order the platform returns
// them. Shared by the processing walk, the file count pass and the old-log clean-up, so that all
// three agree on which entries exist: "." and ".." are never returned, and neither is a symbolic
// link (to a file or to a folder) or, on Windows, any other reparse point. Following links could
// lead the walk out of the chosen tree or round a cycle, and the clean-up through a link into
// someone else's folder.
//
// A walk opens the root by its path and every folder below it relative to its parent's open
// listing, never through a link: a folder replaced by a link while the walk runs is not
// followed, and no path is looked up again from the root, so paths of any length work.

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

namespace morvane {

// Which folder an open listing (or a path) is, however it was reached: device and inode on
// POSIX; on Windows the full path, ASCII upper-cased, without a trailing separator.
struct TFolderIdentity {
    bool g_IsKnown = false;
#ifdef _WIN32
    std::u16string g_strPath;
#else
    std::uint64_t g_intDevice = 0;
    std::uint64_t g_intInode = 0;
#endif
    bool IsSame(const TFolderIdentity& p_Other) const;
};

class TDirectoryListing;

// The folder at p_strNativePath (a final link followed); unknown when it cannot be examined.
TFolderIdentity FolderIdentityOf(const std::string& p_strNativePath);
// That folder and the one that holds it, those of them that can be examined (a task's log
// folder and the folder of all task log folders, which the walks never enter).
std::vector<TFolderIdentity> FolderAndParentIdentities(const std::string& p_strNativePath);
// Whether p_Listing is one of p_arrFolders.
bool IsOneOfFolders(const TDirectoryListing& p_Listing,
                    const std::vector<TFolderIdentity>& p_arrFolders);

class TDirectoryListing {
public:
    enum class TEntryKind : std::uint8_t {
        Directory,
        RegularFile,
        // A FIFO, socket or device: never opened, as opening one can block, or take data meant
        // for another program.
        Other,
    };

    // Opens the listing of a folder given by its native path (UTF-8 bytes; a trailing "/" is
    // allowed). A folder that cannot be listed gives a listing without entries; nothing is thrown.
    explicit TDirectoryListing(const std::string& p_strNativeDirectory);
    // Opens the folder p_strName of p_Parent relative to p_Parent's open folder, never through a
    // link (O_NOFOLLOW | O_DIRECTORY). Uses FileSystemOps() for the open.
    TDirectoryListing(const TDirectoryListing& p_Parent, const std::string& p_strName);
    ~TDirectoryListing();
    TDirectoryListing(const TDirectoryListing&) = delete;
    TDirectoryListing& operator=(const TDirectoryListing&) = delete;

    bool IsOpen() const;
    // The system's error code (errno; GetLastError() on Windows) when the folder could not be
    // opened or its listing failed midway; 0 otherwise, also for a folder without entries.
    int ErrorCode() const { return g_intErrorCode; }
    // Opened relative to a parent and refused because the name no longer is a folder (a link or
    // a file was put in its place): simply not followed, nothing to report.
    bool IsNotFollowed() const { return g_IsNotFollowed; }
    // The listed folder; unknown when it could not be opened.
    TFolderIdentity Identity() const;

    // Moves to the next entry. False when there is none; a listing that fails midway ends as if
    // it had no further entry, with ErrorCode set.
    bool Next();

    // The current entry's name as raw bytes (POSIX: as the file system holds it; Windows: UTF-8).
    const std::string& EntryName() const { return g_strEntryName; }
    // Anything that is not a folder (regular file, FIFO, socket, device) counts as a file.
    bool IsDirectory() const { return g_intEntryKind == TEntryKind::Directory; }
    TEntryKind EntryKind() const { return g_intEntryKind; }

#ifdef _WIN32
    // The listed folder's path, ending with a separator.
    const std::string& NativeDirectory() const {
        return g_strNativeDirectory;
    }
#else
    // The listed folder's descriptor, valid while this object lives (also after the last entry),
    // for opening entries relative to it; -1 when the folder could not be listed.
    int DirectoryFd() const;
#endif

private:
#ifdef _WIN32
    void OpenPath(const std::string& p_strNativeDirectory);

    std::string g_strNativeDirectory; // ends with a separator
    HANDLE g_hFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW g_FindData{};
    bool g_IsFirstPending = false; // FindFirstFileW has already delivered an entry
#else
    DIR* g_Dir = nullptr;
    int g_intFd = -1; // the folder's descriptor, owned by g_Dir; kept apart so that other
                      // threads may read it while the listing goes on
    bool g_IsEnded = false;

    void OpenAt(int p_intParentFd, const char* p_strName, int p_intFlags);
#endif
    int g_intErrorCode = 0;
    bool g_IsNotFollowed = false;
    std::string g_strEntryName;
    TEntryKind g_intEntryKind = TEntryKind::RegularFile;
};

} // namespace morvane
