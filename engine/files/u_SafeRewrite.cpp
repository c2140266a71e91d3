#include "files/u_SafeRewrite.h"

#include "core/u_Types.h"
#include "files/u_FileSystemOps.h"
#include "files/u_TemporaryFiles.h"
#include "text/u_TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

namespace morvane {

namespace {

constexpr std::string_view kTemporaryFileSuffix = ".tmp";
constexpr std::size_t kTemporaryRandomLength = 8;
// A clash needs another file of exactly such a name; several in a row mean something else is
// wrong, and the last error is reported.
constexpr int kTemporaryNameAttempts = 16;
constexpr const char* kStreamWriteErrorMessage = "Stream write error";
// Larger pieces gain nothing and some systems refuse single transfers of 2 GiB or more.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 26;
constexpr std::string_view kNameCharacters = "abcdefghijklmnopqrstuvwxyz0123456789";

[[noreturn]] void ThrowCannotCreate(const std::u16string& p_strDisplayPath, int p_intError) {
    throw TEngineError("Cannot create file \"" + Utf16ToUtf8(p_strDisplayPath) + "\". " +
                       SystemErrorText(p_intError));
}

[[noreturn]] void ThrowSystemError(int p_intError) {
    throw TEngineError(SystemErrorText(p_intError));
}

[[noreturn]] void ThrowChanged() {
    throw TEngineError(kFileChangedSinceReadMessage);
}

[[noreturn]] void ThrowBeingWritten() {
    throw TEngineError(kFileBeingWrittenMessage);
}

[[noreturn]] void ThrowStreamWriteError() {
    throw TEngineError(kStreamWriteErrorMessage);
}

std::uint64_t RandomSeed() {
    std::uint64_t m_intSeed =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        std::hash<std::thread::id>{}(std::this_thread::get_id());
    try {
        std::random_device m_Device;
        m_intSeed ^= (std::uint64_t{m_Device()} << 32) | m_Device();
    } catch (...) {
        // The clock and thread still make names unlikely to clash; O_EXCL settles the rest.
    }
    return m_intSeed;
}

// Short and of fixed length whatever the target's name, so a name of the longest allowed
// length still has a temporary beside it.
std::string TemporaryFileName() {
    thread_local std::mt19937_64 s_Random{RandomSeed()};
    std::uniform_int_distribution<std::size_t> m_Pick(0, kNameCharacters.size() - 1);
    std::string m_strName(kTemporaryFilePrefix);
    for (std::size_t m_intIndex = 0; m_intIndex < kTemporaryRandomLength; ++m_intIndex) {
        m_strName += kNameCharacters[m_Pick(s_Random)];
    }
    m_strName += kTemporaryFileSuffix;
    return m_strName;
}

// Folder and name of a native path; a bare name lies in the current folder.
std::pair<std::string, std::string> SplitNativePath(const std::string& p_strNativePath) {
#ifdef _WIN32
    const std::size_t m_intSlash = p_strNativePath.find_last_of("\\/");
#else
    const std::size_t m_intSlash = p_strNativePath.rfind('/');
#endif
    if (m_intSlash == std::string::npos) {
        return {".", p_strNativePath};
    }
    // The root folder keeps its separator ("/x" lies in "/").
    const std::size_t m_intFolderLength = m_intSlash == 0 ? 1 : m_intSlash;
    return {p_strNativePath.substr(0, m_intFolderLength), p_strNativePath.substr(m_intSlash + 1)};
}

bool IsNameTaken(int p_intError) {
#ifdef _WIN32
    return p_intError == ERROR_FILE_EXISTS || p_intError == ERROR_ALREADY_EXISTS;
#else
    return p_intError == EEXIST;
#endif
}

// Calls p_doCreate with fresh temporary names until it returns 0 (created) or an error other
// than a taken name.
template <typename TCreate>
void CreateUnderFreshName(const std::u16string& p_strDisplayPath, const TCreate& p_doCreate) {
    for (int m_intAttempt = 1;; ++m_intAttempt) {
        const int m_intError = p_doCreate(TemporaryFileName());
        if (m_intError == 0) {
            return;
        }
        if (!IsNameTaken(m_intError) || m_intAttempt == kTemporaryNameAttempts) {
            ThrowCannotCreate(p_strDisplayPath, m_intError);
        }
    }
}

} // namespace

bool IsRewriteTemporaryName(std::string_view p_strFileName) {
    if (p_strFileName.size() !=
            kTemporaryFilePrefix.size() + kTemporaryRandomLength + kTemporaryFileSuffix.size() ||
        !p_strFileName.starts_with(kTemporaryFilePrefix) ||
        !p_strFileName.ends_with(kTemporaryFileSuffix)) {
        return false;
    }
    const std::string_view m_strRandom =
        p_strFileName.substr(kTemporaryFilePrefix.size(), kTemporaryRandomLength);
    return m_strRandom.find_first_not_of(kNameCharacters) == std::string_view::npos;
}

#ifdef _WIN32

namespace {

bool IsMissing(DWORD p_intError) {
    return p_intError == ERROR_FILE_NOT_FOUND || p_intError == ERROR_PATH_NOT_FOUND;
}

int LastError() {
    return static_cast<int>(::GetLastError());
}

// Owns what a rewrite creates, and on failure removes it again.
class TRewriteState {
public:
    explicit TRewriteState(TFileSystemOps& p_Ops) : g_Ops(p_Ops) {}
    ~TRewriteState() {
        if (g_intTempHandle != INVALID_HANDLE_VALUE) {
            g_Ops.CloseHandle(g_intTempHandle);
        }
        if (!g_strTempPath.empty()) {
            g_Ops.DeleteFileW(g_strTempPath.c_str());
        }
    }
    TRewriteState(const TRewriteState&) = delete;
    TRewriteState& operator=(const TRewriteState&) = delete;

    TFileSystemOps& g_Ops;
    HANDLE g_intTempHandle = INVALID_HANDLE_VALUE;
    std::wstring g_strTempPath; // empty once renamed, or before it exists
};

// Returns the number of the file's names (hard links).
DWORD CheckStillTheFileRead(TFileSystemOps& p_Ops, const std::wstring& p_strPath,
                            const TFileIdentity& p_Original) {
    const HANDLE m_intHandle =
        p_Ops.CreateFileW(p_strPath.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS);
    if (m_intHandle == INVALID_HANDLE_VALUE) {
        const DWORD m_intError = ::GetLastError();
        if (IsMissing(m_intError)) {
            ThrowChanged();
        }
        ThrowSystemError(static_cast<int>(m_intError));
    }
    BY_HANDLE_FILE_INFORMATION m_Info{};
    const BOOL m_IsKnown = p_Ops.GetFileInformationByHandle(m_intHandle, &m_Info);
    const int m_intError = LastError();
    p_Ops.CloseHandle(m_intHandle);
    if (!m_IsKnown) {
        ThrowSystemError(m_intError);
    }
    if ((m_Info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            0 ||
        m_Info.dwVolumeSerialNumber != p_Original.g_intDevice ||
        FileIndex(m_Info) != p_Original.g_intInode || FileSize(m_Info) != p_Original.g_intSize ||
        LastWriteTime(m_Info) != p_Original.g_intModifiedNs) {
        ThrowChanged();
    }
    return m_Info.nNumberOfLinks;
}

// Throws unless the file is still the one read and may be written.
void CheckWritable(TFileSystemOps& p_Ops, const std::wstring& p_strPath,
                   const std::u16string& p_strDisplayPath, const TFileIdentity& p_Original) {
    // A read-only file must fail even where the rename would be allowed.
    const DWORD m_intAttributes = p_Ops.GetFileAttributesW(p_strPath.c_str());
    if (m_intAttributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD m_intError = ::GetLastError();
        if (IsMissing(m_intError)) {
            ThrowChanged();
        }
        ThrowCannotCreate(p_strDisplayPath, static_cast<int>(m_intError));
    }
    const DWORD m_intLinks = CheckStillTheFileRead(p_Ops, p_strPath, p_Original);
    if ((m_intAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ThrowCannotCreate(p_strDisplayPath, ERROR_ACCESS_DENIED);
    }
    if (m_intLinks > 1) {
        throw TEngineError(kFileHasHardLinksMessage);
    }
    // Opening for writing without truncation finds denied access and files in use.
    const HANDLE m_intTrial = p_Ops.CreateFileW(
        p_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (m_intTrial == INVALID_HANDLE_VALUE) {
        ThrowCannotCreate(p_strDisplayPath, LastError());
    }
    p_Ops.CloseHandle(m_intTrial);
}

void CreateTemporaryFile(TRewriteState& p_State, const std::wstring& p_strFolder,
                         const std::u16string& p_strDisplayPath) {
    CreateUnderFreshName(p_strDisplayPath, [&](const std::string& p_strName) {
        std::wstring m_strTempPath =
            p_strFolder + L'\\' + std::wstring(p_strName.begin(), p_strName.end());
        const HANDLE m_intHandle = p_State.g_Ops.CreateFileW(m_strTempPath.c_str(), GENERIC_WRITE,
                                                             0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (m_intHandle == INVALID_HANDLE_VALUE) {
            return LastError();
        }
        p_State.g_intTempHandle = m_intHandle;
        p_State.g_strTempPath = std::move(m_strTempPath);
        return 0;
    });
}

// Writes the new content in full, flushes it to the disk and closes the temporary file.
void WriteTemporaryFile(TRewriteState& p_State, std::string_view p_strBytes) {
    std::size_t m_intDone = 0;
    while (m_intDone < p_strBytes.size()) {
        const std::size_t m_intWant = std::min(p_strBytes.size() - m_intDone, kMaxTransfer);
        DWORD m_intWritten = 0;
        if (!p_State.g_Ops.WriteFile(p_State.g_intTempHandle, p_strBytes.data() + m_intDone,
                                     static_cast<DWORD>(m_intWant), &m_intWritten) ||
            m_intWritten == 0) {
            ThrowStreamWriteError();
        }
        m_intDone += m_intWritten;
    }
    if (!p_State.g_Ops.FlushFileBuffers(p_State.g_intTempHandle)) {
        ThrowSystemError(LastError());
    }
    const HANDLE m_intTemp = p_State.g_intTempHandle;
    p_State.g_intTempHandle = INVALID_HANDLE_VALUE;
    if (!p_State.g_Ops.CloseHandle(m_intTemp)) {
        ThrowSystemError(LastError());
    }
}

} // namespace

void SafeRewriteFile(const std::string& p_strNativePath, const std::u16string& p_strDisplayPath,
                     const TFileIdentity& p_Original, std::string_view p_strBytes,
                     bool p_IsCheckOnly) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const std::wstring m_strPath = NativePathToWide(p_strNativePath);
    const std::wstring m_strFolder = NativePathToWide(SplitNativePath(p_strNativePath).first);
    CheckWritable(m_Ops, m_strPath, p_strDisplayPath, p_Original);
    if (p_IsCheckOnly) {
        return;
    }

    TRewriteState m_State(m_Ops);
    CreateTemporaryFile(m_State, m_strFolder, p_strDisplayPath);
    WriteTemporaryFile(m_State, p_strBytes);

    CheckStillTheFileRead(m_Ops, m_strPath, p_Original);
    if (!m_Ops.MoveFileExW(m_State.g_strTempPath.c_str(), m_strPath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowSystemError(LastError());
    }
    m_State.g_strTempPath.clear();
}

#else

namespace {

// Owns what a rewrite opens and creates, and on failure removes it again.
class TRewriteState {
public:
    explicit TRewriteState(TFileSystemOps& p_Ops) : g_Ops(p_Ops) {}
    ~TRewriteState() {
        if (g_intTempFd >= 0) {
            g_Ops.Close(g_intTempFd);
        }
        if (!g_strTempName.empty()) {
            g_Ops.UnlinkAt(g_intDirFd, g_strTempName.c_str(), 0);
        }
        TTemporaryFiles::Process().Forget(g_intTempSlot);
        if (g_intReadFd >= 0) {
            // Read only; closing it ends the lease, so a writer it held up goes on.
            g_Ops.Close(g_intReadFd);
        }
        if (g_intDirFd >= 0) {
            // Nothing is written through the folder's descriptor.
            g_Ops.Close(g_intDirFd);
        }
    }
    TRewriteState(const TRewriteState&) = delete;
    TRewriteState& operator=(const TRewriteState&) = delete;

    TFileSystemOps& g_Ops;
    int g_intDirFd = -1;
    int g_intTempFd = -1;
    std::string g_strTempName; // empty once renamed, or before it exists
    int g_intTempSlot = -1;    // its entry in TTemporaryFiles::Process()
    int g_intReadFd = -1;      // the file read, opened again for reading
    bool g_IsLeaseHeld = false;
};

// Opens the folder of the file and returns the file's name in it.
std::string OpenFolder(TRewriteState& p_State, const std::string& p_strNativePath,
                       const std::u16string& p_strDisplayPath) {
    auto [m_strFolder, m_strName] = SplitNativePath(p_strNativePath);
    if (m_strName.empty() || m_strName == "." || m_strName == "..") {
        ThrowCannotCreate(p_strDisplayPath, EISDIR);
    }
#ifdef O_PATH
    // Names are looked up relative to the folder, so the temporary file surely lies beside the
    // target on the same file system, and folder plus name never meet the path length limit.
    constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    p_State.g_intDirFd = p_State.g_Ops.OpenAt(AT_FDCWD, m_strFolder.c_str(), kFolderFlags, 0);
    if (p_State.g_intDirFd < 0) {
        ThrowCannotCreate(p_strDisplayPath, errno);
    }
    return std::move(m_strName);
}

// Whether a file as fstat describes it is still the file read, as far as a rename leaves that to
// be seen: the status change time, which renames change too, is compared apart.
bool IsTheFileRead(const struct stat& p_Stat, const TFileIdentity& p_Original) {
    return S_ISREG(p_Stat.st_mode) &&
           static_cast<std::uint64_t>(p_Stat.st_dev) == p_Original.g_intDevice &&
           static_cast<std::uint64_t>(p_Stat.st_ino) == p_Original.g_intInode &&
           static_cast<std::uint64_t>(p_Stat.st_size) == p_Original.g_intSize &&
           ModifiedNs(p_Stat) == p_Original.g_intModifiedNs;
}

// The same and unchanged in every way since it was read. A write that keeps the size, with the
// modification time set back afterwards, still moves the change time, which no program can set.
bool IsUnchangedSinceRead(const struct stat& p_Stat, const TFileIdentity& p_Original) {
    return IsTheFileRead(p_Stat, p_Original) && ChangedNs(p_Stat) == p_Original.g_intChangedNs;
}

// Fills p_Current, or throws when the name no longer leads to the file that was read: a rename
// over a deleted file would bring it back, and over a changed one would undo another's work.
void CheckStillTheFileRead(TFileSystemOps& p_Ops, int p_intDirFd, const std::string& p_strName,
                           const TFileIdentity& p_Original, struct stat& p_Current) {
    if (p_Ops.FstatAt(p_intDirFd, p_strName.c_str(), &p_Current, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            ThrowChanged();
        }
        ThrowSystemError(errno);
    }
    if (!IsUnchangedSinceRead(p_Current, p_Original)) {
        ThrowChanged();
    }
}

// The rename needs only the folder's permission, and root may write anything, so a read-only
// file is refused by its mode; the trial open then finds immutable and append-only files,
// read-only mounts and running programs, without changing the file.
void CheckWritable(const TRewriteState& p_State, const std::string& p_strName,
                   const struct stat& p_Current, const std::u16string& p_strDisplayPath) {
    if ((p_Current.st_mode & 0222) == 0) {
        ThrowCannotCreate(p_strDisplayPath, EACCES);
    }
    if (p_Current.st_nlink > 1) {
        throw TEngineError(kFileHasHardLinksMessage);
    }
    const int m_intTrialFd =
        p_State.g_Ops.OpenAt(p_State.g_intDirFd, p_strName.c_str(),
                             O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (m_intTrialFd < 0) {
        ThrowCannotCreate(p_strDisplayPath, errno);
    }
    p_State.g_Ops.Close(m_intTrialFd);
}

// Takes a read lease on p_intFd where the system allows it: from then on any open of the file for
// writing, by whatever program, breaks the lease, which the last checks ask for. False where
// leases are not permitted (another user's file, a file system without them). Throws when the
// file is open for writing somewhere already.
bool TakeReadLease(TFileSystemOps& p_Ops, int p_intFd) {
#if defined(F_SETLEASE) && defined(F_SETSIG)
    // A break is signalled to the holder, with SIGIO unless told otherwise, and SIGIO ends a
    // program that does not handle it. SIGURG is ignored unless handled; without it, no lease.
    if (p_Ops.Fcntl(p_intFd, F_SETSIG, SIGURG) != 0) {
        return false;
    }
    if (p_Ops.Fcntl(p_intFd, F_SETLEASE, F_RDLCK) != 0) {
        const int m_intError = errno;
        if (m_intError == EAGAIN) {
            ThrowBeingWritten();
        }
        if (m_intError == EACCES || m_intError == EPERM || m_intError == EINVAL) {
            return false;
        }
        ThrowSystemError(m_intError);
    }
    // Taking the lease made this process the one signalled; no one is, from now on. Should this
    // fail, the signal is still the ignored SIGURG.
    (void)p_Ops.Fcntl(p_intFd, F_SETOWN, 0);
    return true;
#else
    (void)p_Ops;
    (void)p_intFd;
    return false;
#endif
}

// Opens the file read once more, for reading, and takes a lease on it; then makes sure that what
// is held is the file read, unchanged. Comes after the trial open, whose write access would
// break the lease.
void HoldTheFileRead(TRewriteState& p_State, const std::string& p_strName,
                     const TFileIdentity& p_Original) {
    TFileSystemOps& m_Ops = p_State.g_Ops;
    p_State.g_intReadFd =
        m_Ops.OpenAt(p_State.g_intDirFd, p_strName.c_str(),
                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (p_State.g_intReadFd < 0) {
        if (errno == ENOENT || errno == ELOOP) {
            ThrowChanged();
        }
        if (errno == EAGAIN) {
            ThrowBeingWritten(); // another holds a lease for writing
        }
        ThrowSystemError(errno);
    }
    p_State.g_IsLeaseHeld = TakeReadLease(m_Ops, p_State.g_intReadFd);
    struct stat m_Held {};
    if (m_Ops.Fstat(p_State.g_intReadFd, &m_Held) != 0) {
        ThrowSystemError(errno);
    }
    if (!IsUnchangedSinceRead(m_Held, p_Original)) {
        ThrowChanged();
    }
}

// Empty while the lease is unbroken, or when none is held; else the failure reason: another
// program has opened the file for writing since the lease was taken, or the system's text.
std::string LeaseFailure(const TRewriteState& p_State) {
#ifdef F_GETLEASE
    if (!p_State.g_IsLeaseHeld) {
        return {};
    }
    const int m_intLease = p_State.g_Ops.Fcntl(p_State.g_intReadFd, F_GETLEASE, 0);
    if (m_intLease < 0) {
        return SystemErrorText(errno);
    }
    return m_intLease == F_RDLCK ? std::string() : std::string(kFileBeingWrittenMessage);
#else
    (void)p_State;
    return {};
#endif
}

void CreateTemporaryFile(TRewriteState& p_State, const std::u16string& p_strDisplayPath) {
    CreateUnderFreshName(p_strDisplayPath, [&](const std::string& p_strName) {
        // Registered before it exists, so a second stop signal can remove it whatever the moment.
        const int m_intFd = TTemporaryFiles::Process().CreateAt(
            p_State.g_intDirFd, p_strName.c_str(),
            [&] {
                return p_State.g_Ops.OpenAt(
                    p_State.g_intDirFd, p_strName.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
            },
            p_State.g_intTempSlot);
        if (m_intFd < 0) {
            return errno;
        }
        p_State.g_intTempFd = m_intFd;
        p_State.g_strTempName = p_strName;
        return 0;
    });
}

void WriteNewContent(TRewriteState& p_State, std::string_view p_strBytes) {
    // A full disk or quota shows here, before a byte is written.
    if (!p_strBytes.empty()) {
        const int m_intError = p_State.g_Ops.PosixFallocate(p_State.g_intTempFd, 0,
                                                            static_cast<off_t>(p_strBytes.size()));
        if (m_intError != 0 && m_intError != EOPNOTSUPP && m_intError != EINVAL) {
            ThrowSystemError(m_intError);
        }
    }
    std::size_t m_intDone = 0;
    while (m_intDone < p_strBytes.size()) {
        const std::size_t m_intWant = std::min(p_strBytes.size() - m_intDone, kMaxTransfer);
        const ssize_t m_intWritten =
            p_State.g_Ops.Write(p_State.g_intTempFd, p_strBytes.data() + m_intDone, m_intWant);
        if (m_intWritten < 0 && errno == EINTR) {
            continue;
        }
        if (m_intWritten <= 0) {
            ThrowStreamWriteError();
        }
        m_intDone += static_cast<std::size_t>(m_intWritten);
    }
}

// Gives the temporary file the owner, group and permission bits of the file it replaces.
void CopyOwnerAndMode(TRewriteState& p_State, const struct stat& p_Current) {
    TFileSystemOps& m_Ops = p_State.g_Ops;
    // Owner first: a change of owner clears the set-user-ID and set-group-ID bits.
    if (m_Ops.Fchown(p_State.g_intTempFd, p_Current.st_uid, p_Current.st_gid) != 0) {
        const int m_intError = errno;
        if (m_intError != EPERM || m_Ops.GetEffectiveUserId() == 0) {
            ThrowSystemError(m_intError);
        }
        // A user may not give a file away, but may keep its group when a member of it.
        m_Ops.Fchown(p_State.g_intTempFd, static_cast<uid_t>(-1), p_Current.st_gid);
    }
    if (m_Ops.Fchmod(p_State.g_intTempFd, p_Current.st_mode & 07777) != 0) {
        ThrowSystemError(errno);
    }
}

// An attribute outside the user's namespace (security.*, system.posix_acl_*, trusted.*) may be
// beyond what this user, the security module or the file system allows to set; the file is
// rewritten without it rather than not at all.
bool MayGoWithout(const char* p_strName, int p_intError) {
    return std::strncmp(p_strName, "user.", 5) != 0 &&
           (p_intError == EPERM || p_intError == ENOTSUP || p_intError == EACCES);
}

// Reads a list or a value whose size is asked first; ERANGE means it grew in between.
template <typename TRead> bool ReadSized(std::string& p_strValue, const TRead& p_doRead) {
    for (int m_intAttempt = 0; m_intAttempt < kTemporaryNameAttempts; ++m_intAttempt) {
        const ssize_t m_intSize = p_doRead(nullptr, 0);
        if (m_intSize < 0) {
            return false;
        }
        p_strValue.resize(static_cast<std::size_t>(m_intSize));
        const ssize_t m_intGot =
            m_intSize == 0 ? 0 : p_doRead(p_strValue.data(), p_strValue.size());
        if (m_intGot >= 0) {
            p_strValue.resize(static_cast<std::size_t>(m_intGot));
            return true;
        }
        if (errno != ERANGE) {
            return false;
        }
    }
    return false;
}

// Gives the temporary file the extended attributes of the file read (access control lists and
// security labels among them). After the owner and the writes, which clear file capabilities.
void CopyExtendedAttributes(TRewriteState& p_State) {
    TFileSystemOps& m_Ops = p_State.g_Ops;
    const int m_intFromFd = p_State.g_intReadFd;
    std::string m_strNames;
    if (!ReadSized(m_strNames, [&](char* p_Buffer, std::size_t p_intSize) {
            return m_Ops.Flistxattr(m_intFromFd, p_Buffer, p_intSize);
        })) {
        if (errno == ENOTSUP) {
            return; // the file system keeps none
        }
        ThrowSystemError(errno);
    }
    std::string m_strValue;
    std::size_t m_intAt = 0;
    while (m_intAt < m_strNames.size()) {
        // Names end with a zero byte each.
        const std::string m_strName(
            m_strNames.c_str() + m_intAt,
            ::strnlen(m_strNames.c_str() + m_intAt, m_strNames.size() - m_intAt));
        m_intAt += m_strName.size() + 1;
        if (m_strName.empty()) {
            continue;
        }
        if (!ReadSized(m_strValue, [&](char* p_Buffer, std::size_t p_intSize) {
                return m_Ops.Fgetxattr(m_intFromFd, m_strName.c_str(), p_Buffer, p_intSize);
            })) {
            if (errno == ENODATA || MayGoWithout(m_strName.c_str(), errno)) {
                continue; // removed since the list was read, or not ours to see
            }
            ThrowSystemError(errno);
        }
        if (m_Ops.Fsetxattr(p_State.g_intTempFd, m_strName.c_str(), m_strValue.data(),
                            m_strValue.size(), 0) != 0 &&
            !MayGoWithout(m_strName.c_str(), errno)) {
            ThrowSystemError(errno);
        }
    }
}

void SyncAndCloseTemporaryFile(TRewriteState& p_State) {
    // Errors of delayed writes (quota, network file systems) surface only here.
    if (p_State.g_Ops.FdataSync(p_State.g_intTempFd) != 0 && errno != EINVAL) {
        ThrowSystemError(errno);
    }
    const int m_intTempFd = p_State.g_intTempFd;
    p_State.g_intTempFd = -1;
    if (p_State.g_Ops.Close(m_intTempFd) != 0) {
        ThrowSystemError(errno);
    }
}

// After the exchange the file read should lie under the temporary name. Anything else (another
// file renamed into its place, a write since the lease was checked) is put back where it was, and
// the new content goes. The exchange itself moved the change time, so that is not compared.
void CheckWhatWasExchanged(TRewriteState& p_State, const std::string& p_strName,
                           const TFileIdentity& p_Original) {
    TFileSystemOps& m_Ops = p_State.g_Ops;
    const int m_intDirFd = p_State.g_intDirFd;
    const char* const m_strTempName = p_State.g_strTempName.c_str();
    struct stat m_Out {};
    std::string m_strReason;
    if (m_Ops.FstatAt(m_intDirFd, m_strTempName, &m_Out, AT_SYMLINK_NOFOLLOW) != 0) {
        m_strReason = errno == ENOENT ? kFileChangedSinceReadMessage : SystemErrorText(errno);
    } else if (!IsTheFileRead(m_Out, p_Original)) {
        m_strReason = kFileChangedSinceReadMessage;
    } else {
        m_strReason = LeaseFailure(p_State);
    }
    if (m_strReason.empty()) {
        return;
    }
    if (m_Ops.RenameAt2(m_intDirFd, m_strTempName, m_intDirFd, p_strName.c_str(),
                        kRenameExchange) != 0) {
        // Not put back: what lies under the temporary name may be another's, so it stays.
        const int m_intError = errno;
        p_State.g_strTempName.clear();
        ThrowSystemError(m_intError);
    }
    throw TEngineError(m_strReason);
}

// Puts the new content in the file's place. Where the system can swap two names in one step it
// does, so nothing can come between the last check and the swap unseen; elsewhere a rename
// follows the last check.
void ReplaceTheFile(TRewriteState& p_State, const std::string& p_strName,
                    const TFileIdentity& p_Original) {
    TFileSystemOps& m_Ops = p_State.g_Ops;
    const int m_intDirFd = p_State.g_intDirFd;
    const char* const m_strTempName = p_State.g_strTempName.c_str();
    const std::string m_strLeaseFailure = LeaseFailure(p_State);
    if (!m_strLeaseFailure.empty()) {
        throw TEngineError(m_strLeaseFailure);
    }
    struct stat m_Current {};
    CheckStillTheFileRead(m_Ops, m_intDirFd, p_strName, p_Original, m_Current);
    if (m_Ops.RenameAt2(m_intDirFd, m_strTempName, m_intDirFd, p_strName.c_str(),
                        kRenameExchange) == 0) {
        CheckWhatWasExchanged(p_State, p_strName, p_Original);
        // The file is replaced; should its old content fail to go, it stays under the temporary
        // name, which no walk processes, rather than a replaced file being called failed.
        m_Ops.UnlinkAt(m_intDirFd, m_strTempName, 0);
        p_State.g_strTempName.clear();
        return;
    }
    const int m_intError = errno;
    if (m_intError == ENOENT) {
        ThrowChanged();
    }
    if (m_intError != EINVAL && m_intError != ENOSYS) {
        ThrowSystemError(m_intError);
    }
    if (m_Ops.RenameAt(m_intDirFd, m_strTempName, m_intDirFd, p_strName.c_str()) != 0) {
        ThrowSystemError(errno);
    }
    p_State.g_strTempName.clear();
}

} // namespace

void SafeRewriteFile(const std::string& p_strNativePath, const std::u16string& p_strDisplayPath,
                     const TFileIdentity& p_Original, std::string_view p_strBytes,
                     bool p_IsCheckOnly) {
    TFileSystemOps& m_Ops = FileSystemOps();
    TRewriteState m_State(m_Ops);
    const std::string m_strName = OpenFolder(m_State, p_strNativePath, p_strDisplayPath);
    struct stat m_Current {};
    CheckStillTheFileRead(m_Ops, m_State.g_intDirFd, m_strName, p_Original, m_Current);
    CheckWritable(m_State, m_strName, m_Current, p_strDisplayPath);
    HoldTheFileRead(m_State, m_strName, p_Original);
    if (p_IsCheckOnly) {
        // The state lets go of the folder, the file and its lease; nothing was made.
        return;
    }

    CreateTemporaryFile(m_State, p_strDisplayPath);
    WriteNewContent(m_State, p_strBytes);
    CopyOwnerAndMode(m_State, m_Current);
    CopyExtendedAttributes(m_State);
    SyncAndCloseTemporaryFile(m_State);

    ReplaceTheFile(m_State, m_strName, p_Original);
}

#endif

} // namespace morvane
