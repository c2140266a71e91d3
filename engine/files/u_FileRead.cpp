#include "files/u_FileRead.h"

#include "core/u_Types.h"
#include "files/u_FileSystemOps.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace morvane {

namespace {

constexpr const char* kNotRegularMessage = "不是普通文件，未处理。";
constexpr const char* kTooLargeMessage = "文件大于1 GiB，未处理。";
constexpr const char* kChangedWhileReadMessage = "文件在读取时被修改，未处理。";

// Larger pieces gain nothing and some systems refuse single transfers of 2 GiB or more.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 26;

[[noreturn]] void ThrowSystemError(int p_intError) {
    throw TFileSkipError(SystemErrorText(p_intError));
}

} // namespace

#ifdef _WIN32

namespace {

class THandleGuard {
public:
    explicit THandleGuard(HANDLE p_intHandle) : g_intHandle(p_intHandle) {}
    ~THandleGuard() { FileSystemOps().CloseHandle(g_intHandle); }
    THandleGuard(const THandleGuard&) = delete;
    THandleGuard& operator=(const THandleGuard&) = delete;

private:
    HANDLE g_intHandle;
};

} // namespace

void ReadWholeFile(const std::string& p_strNativePath, std::string& p_strBytes,
                   TFileIdentity& p_Identity) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const std::wstring m_strPath = NativePathToWide(p_strNativePath);
    // Readers may share the file, writers may not, so it cannot change under the read.
    const HANDLE m_intHandle =
        m_Ops.CreateFileW(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN);
    if (m_intHandle == INVALID_HANDLE_VALUE) {
        ThrowSystemError(static_cast<int>(::GetLastError()));
    }
    THandleGuard m_Guard(m_intHandle);
    BY_HANDLE_FILE_INFORMATION m_Before{};
    if (!m_Ops.GetFileInformationByHandle(m_intHandle, &m_Before)) {
        ThrowSystemError(static_cast<int>(::GetLastError()));
    }
    if ((m_Before.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
        0) {
        throw TEngineError(kNotRegularMessage);
    }
    const std::uint64_t m_intSize = FileSize(m_Before);
    if (m_intSize > kMaxProcessedFileSize) {
        throw TFileSkipError(kTooLargeMessage);
    }
    // One byte of room beyond the size tells a file that grew from one that ended.
    p_strBytes.clear();
    p_strBytes.resize(static_cast<std::size_t>(m_intSize) + 1);
    std::size_t m_intDone = 0;
    while (m_intDone < p_strBytes.size()) {
        const std::size_t m_intWant = std::min(p_strBytes.size() - m_intDone, kMaxTransfer);
        DWORD m_intGot = 0;
        if (!m_Ops.ReadFile(m_intHandle, p_strBytes.data() + m_intDone,
                            static_cast<DWORD>(m_intWant), &m_intGot)) {
            ThrowSystemError(static_cast<int>(::GetLastError()));
        }
        if (m_intGot == 0) {
            break;
        }
        m_intDone += m_intGot;
    }
    BY_HANDLE_FILE_INFORMATION m_After{};
    if (!m_Ops.GetFileInformationByHandle(m_intHandle, &m_After)) {
        ThrowSystemError(static_cast<int>(::GetLastError()));
    }
    if (m_intDone != m_intSize || FileSize(m_After) != m_intSize ||
        LastWriteTime(m_After) != LastWriteTime(m_Before)) {
        throw TFileSkipError(kChangedWhileReadMessage);
    }
    p_strBytes.resize(m_intDone);
    p_Identity = FileIdentityOf(m_Before);
}

#else

TFileReader::TFileReader(int p_intDirectoryFd, const char* p_strName) {
    TFileSystemOps& m_Ops = FileSystemOps();
    // O_NONBLOCK: opening a FIFO without a writer, or a device, must not hang the task.
    g_intFd = m_Ops.OpenAt(p_intDirectoryFd, p_strName,
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (g_intFd < 0) {
        // A link put where the listing named a file is not followed, and not reported either.
        if (errno == ELOOP) {
            throw TEngineError(SystemErrorText(ELOOP));
        }
        ThrowSystemError(errno);
    }
    struct stat m_Before {};
    if (m_Ops.Fstat(g_intFd, &m_Before) != 0) {
        const int m_intError = errno;
        m_Ops.Close(g_intFd);
        ThrowSystemError(m_intError);
    }
    if (!S_ISREG(m_Before.st_mode)) {
        m_Ops.Close(g_intFd);
        throw TEngineError(kNotRegularMessage);
    }
    g_intSize = static_cast<std::uint64_t>(m_Before.st_size);
    if (g_intSize > kMaxProcessedFileSize) {
        m_Ops.Close(g_intFd);
        throw TFileSkipError(kTooLargeMessage);
    }
    g_Before = FileIdentityOf(m_Before);
}

// Nothing was written through the descriptor, so a failed close loses nothing.
TFileReader::~TFileReader() {
    FileSystemOps().Close(g_intFd);
}

std::size_t TFileReader::ReadAt(std::uint64_t p_intOffset, char* p_Buffer, std::size_t p_intCount) {
    std::size_t m_intDone = 0;
    while (m_intDone < p_intCount) {
        const ssize_t m_intGot = FileSystemOps().PRead(
            g_intFd, p_Buffer + m_intDone, std::min(p_intCount - m_intDone, kMaxTransfer),
            static_cast<off_t>(p_intOffset + m_intDone));
        if (m_intGot < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(errno);
        }
        if (m_intGot == 0) {
            break;
        }
        m_intDone += static_cast<std::size_t>(m_intGot);
    }
    return m_intDone;
}

void TFileReader::ReadWhole(std::string& p_strBytes, TFileIdentity& p_Identity) {
    // One byte of room beyond the size tells a file that grew from one that ended.
    p_strBytes.resize(static_cast<std::size_t>(g_intSize) + 1);
    p_strBytes.resize(ReadWholeInto(p_strBytes.data(), p_Identity));
}

std::size_t TFileReader::ReadWholeInto(char* p_Buffer, TFileIdentity& p_Identity) {
    TFileSystemOps& m_Ops = FileSystemOps();
    const std::uint64_t m_intSize = g_intSize;
    const std::size_t m_intRoom = static_cast<std::size_t>(m_intSize) + 1;
    std::size_t m_intDone = 0;
    while (m_intDone < m_intRoom) {
        const std::size_t m_intWant = std::min(m_intRoom - m_intDone, kMaxTransfer);
        const ssize_t m_intGot = m_Ops.Read(g_intFd, p_Buffer + m_intDone, m_intWant);
        if (m_intGot < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError(errno);
        }
        if (m_intGot == 0) {
            break;
        }
        m_intDone += static_cast<std::size_t>(m_intGot);
        // All the size promised has come and the spare byte did not fill: the file ended, or
        // grew after this read, which the second fstat below sees. Asking again only to be told
        // "end of file" would cost a call per file.
        if (m_intDone >= m_intSize && m_intDone < m_intRoom) {
            break;
        }
    }
    CheckUnchanged(m_intDone, p_Identity);
    return m_intDone;
}

void TFileReader::CheckUnchanged(std::uint64_t p_intBytesRead, TFileIdentity& p_Identity) {
    struct stat m_After {};
    if (FileSystemOps().Fstat(g_intFd, &m_After) != 0) {
        ThrowSystemError(errno);
    }
    if (p_intBytesRead != g_intSize || static_cast<std::uint64_t>(m_After.st_size) != g_intSize ||
        ModifiedNs(m_After) != g_Before.g_intModifiedNs) {
        throw TFileSkipError(kChangedWhileReadMessage);
    }
    p_Identity = g_Before;
}

void ReadWholeFile(const std::string& p_strNativePath, std::string& p_strBytes,
                   TFileIdentity& p_Identity) {
    ReadWholeFileAt(AT_FDCWD, p_strNativePath.c_str(), p_strBytes, p_Identity);
}

void ReadWholeFileAt(int p_intDirectoryFd, const char* p_strName, std::string& p_strBytes,
                     TFileIdentity& p_Identity,
                     const std::function<void(std::uint64_t p_intSize)>& p_doBeforeRead) {
    TFileReader m_Reader(p_intDirectoryFd, p_strName);
    if (p_doBeforeRead) {
        p_doBeforeRead(m_Reader.Size());
    }
    m_Reader.ReadWhole(p_strBytes, p_Identity);
}

#endif

} // namespace morvane
