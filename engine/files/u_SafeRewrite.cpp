#include "files/u_SafeRewrite.h"

#include "core/u_Types.h"
#include "files/u_FileSystemOps.h"
#include "files/u_TemporaryFiles.h"
#include "text/u_TextConvert.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
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

std::uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    return (std::uint64_t{p_Info.nFileSizeHigh} << 32) | p_Info.nFileSizeLow;
}

std::int64_t LastWriteTime(const BY_HANDLE_FILE_INFORMATION& p_Info) {
    return static_cast<std::int64_t>((std::uint64_t{p_Info.ftLastWriteTime.dwHighDateTime} << 32) |
                                     p_Info.ftLastWriteTime.dwLowDateTime);
}

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

void CheckStillTheFileRead(TFileSystemOps& p_Ops, const std::wstring& p_strPath,
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
    const std::uint64_t m_intIndex =
        (std::uint64_t{m_Info.nFileIndexHigh} << 32) | m_Info.nFileIndexLow;
    if ((m_Info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            0 ||
        m_Info.dwVolumeSerialNumber != p_Original.g_intDevice ||
        m_intIndex != p_Original.g_intInode || FileSize(m_Info) != p_Original.g_intSize ||
        LastWriteTime(m_Info) != p_Original.g_intModifiedNs) {
        ThrowChanged();
    }
}

} // namespace

void SafeRewriteFile(const std::string& p_strNativePath, const std::u16string& p_strDisplayPath,
                     const TFileIdentity& p_Original, std::string_view p_strBytes) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const std::wstring m_strPath = NativePathToWide(p_strNativePath);
    const std::wstring m_strFolder = NativePathToWide(SplitNativePath(p_strNativePath).first);

    // A read-only file must fail even where the rename would be allowed.
    const DWORD m_intAttributes = m_Ops.GetFileAttributesW(m_strPath.c_str());
    if (m_intAttributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD m_intError = ::GetLastError();
        if (IsMissing(m_intError)) {
            ThrowChanged();
        }
        ThrowCannotCreate(p_strDisplayPath, static_cast<int>(m_intError));
    }
    CheckStillTheFileRead(m_Ops, m_strPath, p_Original);
    if ((m_intAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ThrowCannotCreate(p_strDisplayPath, ERROR_ACCESS_DENIED);
    }
    // Opening for writing without truncation finds denied access and files in use.
    const HANDLE m_intTrial = m_Ops.CreateFileW(
        m_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (m_intTrial == INVALID_HANDLE_VALUE) {
        ThrowCannotCreate(p_strDisplayPath, LastError());
    }
    m_Ops.CloseHandle(m_intTrial);

    TRewriteState m_State(m_Ops);
    for (int m_intAttempt = 0; m_intAttempt < kTemporaryNameAttempts; ++m_intAttempt) {
        const std::string m_strName = TemporaryFileName();
        std::wstring m_strTempPath =
            m_strFolder + L'\\' + std::wstring(m_strName.begin(), m_strName.end());
        const HANDLE m_intHandle = m_Ops.CreateFileW(m_strTempPath.c_str(), GENERIC_WRITE, 0,
                                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (m_intHandle != INVALID_HANDLE_VALUE) {
            m_State.g_intTempHandle = m_intHandle;
            m_State.g_strTempPath = std::move(m_strTempPath);
            break;
        }
        const int m_intError = LastError();
        if ((m_intError != ERROR_FILE_EXISTS && m_intError != ERROR_ALREADY_EXISTS) ||
            m_intAttempt + 1 == kTemporaryNameAttempts) {
            ThrowCannotCreate(p_strDisplayPath, m_intError);
        }
    }

    std::size_t m_intDone = 0;
    while (m_intDone < p_strBytes.size()) {
        const std::size_t m_intWant = std::min(p_strBytes.size() - m_intDone, kMaxTransfer);
        DWORD m_intWritten = 0;
        if (!m_Ops.WriteFile(m_State.g_intTempHandle, p_strBytes.data() + m_intDone,
                             static_cast<DWORD>(m_intWant), &m_intWritten) ||
            m_intWritten == 0) {
            ThrowStreamWriteError();
        }
        m_intDone += m_intWritten;
    }
    if (!m_Ops.FlushFileBuffers(m_State.g_intTempHandle)) {
        ThrowSystemError(LastError());
    }
    const HANDLE m_intTemp = m_State.g_intTempHandle;
    m_State.g_intTempHandle = INVALID_HANDLE_VALUE;
    if (!m_Ops.CloseHandle(m_intTemp)) {
        ThrowSystemError(LastError());
    }

    CheckStillTheFileRead(m_Ops, m_strPath, p_Original);
    if (!m_Ops.MoveFileExW(m_State.g_strTempPath.c_str(), m_strPath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowSystemError(LastError());
    }
    m_State.g_strTempPath.clear();
}

#else

namespace {

std::int64_t ModifiedNs(const struct stat& p_Stat) {
    return static_cast<std::int64_t>(p_Stat.st_mtim.tv_sec) * 1'000'000'000 +
           p_Stat.st_mtim.tv_nsec;
}

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
};

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
    if (!S_ISREG(p_Current.st_mode) ||
        static_cast<std::uint64_t>(p_Current.st_dev) != p_Original.g_intDevice ||
        static_cast<std::uint64_t>(p_Current.st_ino) != p_Original.g_intInode ||
        static_cast<std::uint64_t>(p_Current.st_size) != p_Original.g_intSize ||
        ModifiedNs(p_Current) != p_Original.g_intModifiedNs) {
        ThrowChanged();
    }
}

} // namespace

void SafeRewriteFile(const std::string& p_strNativePath, const std::u16string& p_strDisplayPath,
                     const TFileIdentity& p_Original, std::string_view p_strBytes) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const auto [m_strFolder, m_strName] = SplitNativePath(p_strNativePath);
    if (m_strName.empty() || m_strName == "." || m_strName == "..") {
        ThrowCannotCreate(p_strDisplayPath, EISDIR);
    }
    TRewriteState m_State(m_Ops);
#ifdef O_PATH
    // Names are looked up relative to the folder, so the temporary file surely lies beside the
    // target on the same file system, and folder plus name never meet the path length limit.
    constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
    constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
    m_State.g_intDirFd = m_Ops.OpenAt(AT_FDCWD, m_strFolder.c_str(), kFolderFlags, 0);
    if (m_State.g_intDirFd < 0) {
        ThrowCannotCreate(p_strDisplayPath, errno);
    }
    struct stat m_Current {};
    CheckStillTheFileRead(m_Ops, m_State.g_intDirFd, m_strName, p_Original, m_Current);

    // The rename needs only the folder's permission, and root may write anything, so a
    // read-only file is refused by its mode; the trial open then finds immutable and
    // append-only files, read-only mounts and running programs, without changing the file.
    if ((m_Current.st_mode & 0222) == 0) {
        ThrowCannotCreate(p_strDisplayPath, EACCES);
    }
    const int m_intTrialFd =
        m_Ops.OpenAt(m_State.g_intDirFd, m_strName.c_str(),
                     O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (m_intTrialFd < 0) {
        ThrowCannotCreate(p_strDisplayPath, errno);
    }
    m_Ops.Close(m_intTrialFd);

    for (int m_intAttempt = 0; m_intAttempt < kTemporaryNameAttempts; ++m_intAttempt) {
        std::string m_strTempName = TemporaryFileName();
        const int m_intFd = TTemporaryFiles::Process().CreateAt(
            m_State.g_intDirFd, m_strTempName.c_str(),
            [&] {
                return m_Ops.OpenAt(m_State.g_intDirFd, m_strTempName.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                                    0600);
            },
            m_State.g_intTempSlot);
        if (m_intFd >= 0) {
            m_State.g_intTempFd = m_intFd;
            m_State.g_strTempName = std::move(m_strTempName);
            break;
        }
        const int m_intError = errno;
        if (m_intError != EEXIST || m_intAttempt + 1 == kTemporaryNameAttempts) {
            ThrowCannotCreate(p_strDisplayPath, m_intError);
        }
    }

    // A full disk or quota shows here, before a byte is written.
    if (!p_strBytes.empty()) {
        const int m_intError =
            m_Ops.PosixFallocate(m_State.g_intTempFd, 0, static_cast<off_t>(p_strBytes.size()));
        if (m_intError != 0 && m_intError != EOPNOTSUPP && m_intError != EINVAL) {
            ThrowSystemError(m_intError);
        }
    }

    std::size_t m_intDone = 0;
    while (m_intDone < p_strBytes.size()) {
        const std::size_t m_intWant = std::min(p_strBytes.size() - m_intDone, kMaxTransfer);
        const ssize_t m_intWritten =
            m_Ops.Write(m_State.g_intTempFd, p_strBytes.data() + m_intDone, m_intWant);
        if (m_intWritten < 0 && errno == EINTR) {
            continue;
        }
        if (m_intWritten <= 0) {
            ThrowStreamWriteError();
        }
        m_intDone += static_cast<std::size_t>(m_intWritten);
    }

    // Owner first: a change of owner clears the set-user-ID and set-group-ID bits.
    if (m_Ops.Fchown(m_State.g_intTempFd, m_Current.st_uid, m_Current.st_gid) != 0) {
        const int m_intError = errno;
        if (m_intError != EPERM || m_Ops.GetEffectiveUserId() == 0) {
            ThrowSystemError(m_intError);
        }
        // A user may not give a file away, but may keep its group when a member of it.
        m_Ops.Fchown(m_State.g_intTempFd, static_cast<uid_t>(-1), m_Current.st_gid);
    }
    if (m_Ops.Fchmod(m_State.g_intTempFd, m_Current.st_mode & 07777) != 0) {
        ThrowSystemError(errno);
    }

    // Errors of delayed writes (quota, network file systems) surface only here.
    if (m_Ops.FdataSync(m_State.g_intTempFd) != 0 && errno != EINVAL) {
        ThrowSystemError(errno);
    }
    const int m_intTempFd = m_State.g_intTempFd;
    m_State.g_intTempFd = -1;
    if (m_Ops.Close(m_intTempFd) != 0) {
        ThrowSystemError(errno);
    }

    CheckStillTheFileRead(m_Ops, m_State.g_intDirFd, m_strName, p_Original, m_Current);
    if (m_Ops.RenameAt(m_State.g_intDirFd, m_State.g_strTempName.c_str(), m_State.g_intDirFd,
                       m_strName.c_str()) != 0) {
        ThrowSystemError(errno);
    }
    m_State.g_strTempName.clear();
}

#endif

} // namespace morvane
