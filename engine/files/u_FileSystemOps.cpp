#include "files/u_FileSystemOps.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include "text/u_TextConvert.h"
#else
#include <sys/syscall.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#endif

namespace morvane {

namespace {

std::atomic<TFileSystemOps*> g_OpsOverride{nullptr};

#ifndef _WIN32
// strerror_r comes in a GNU flavour (returns the text) and an XSI one (fills the buffer).
[[maybe_unused]] const char* StrErrorResult(const char* p_strResult, const char*) {
    return p_strResult;
}
[[maybe_unused]] const char* StrErrorResult(int p_intResult, const char* p_strBuffer) {
    return p_intResult == 0 ? p_strBuffer : "Unknown error";
}
#endif

} // namespace

#ifdef _WIN32

DWORD TFileSystemOps::GetFileAttributesW(const wchar_t* p_strPath) {
    return ::GetFileAttributesW(p_strPath);
}

HANDLE TFileSystemOps::CreateFileW(const wchar_t* p_strPath, DWORD p_intAccess, DWORD p_intShare,
                                   DWORD p_intDisposition, DWORD p_intFlags) {
    return ::CreateFileW(p_strPath, p_intAccess, p_intShare, nullptr, p_intDisposition, p_intFlags,
                         nullptr);
}

BOOL TFileSystemOps::GetFileInformationByHandle(HANDLE p_intHandle,
                                                BY_HANDLE_FILE_INFORMATION* p_Info) {
    return ::GetFileInformationByHandle(p_intHandle, p_Info);
}

BOOL TFileSystemOps::ReadFile(HANDLE p_intHandle, void* p_Buffer, DWORD p_intCount,
                              DWORD* p_intDone) {
    return ::ReadFile(p_intHandle, p_Buffer, p_intCount, p_intDone, nullptr);
}

BOOL TFileSystemOps::WriteFile(HANDLE p_intHandle, const void* p_Buffer, DWORD p_intCount,
                               DWORD* p_intDone) {
    return ::WriteFile(p_intHandle, p_Buffer, p_intCount, p_intDone, nullptr);
}

BOOL TFileSystemOps::FlushFileBuffers(HANDLE p_intHandle) {
    return ::FlushFileBuffers(p_intHandle);
}

BOOL TFileSystemOps::CloseHandle(HANDLE p_intHandle) {
    return ::CloseHandle(p_intHandle);
}

BOOL TFileSystemOps::MoveFileExW(const wchar_t* p_strFrom, const wchar_t* p_strTo,
                                 DWORD p_intFlags) {
    return ::MoveFileExW(p_strFrom, p_strTo, p_intFlags);
}

BOOL TFileSystemOps::DeleteFileW(const wchar_t* p_strPath) {
    return ::DeleteFileW(p_strPath);
}

std::string SystemErrorText(int p_intErrorCode) {
    wchar_t* m_strBuffer = nullptr;
    const DWORD m_intLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(p_intErrorCode), 0, reinterpret_cast<wchar_t*>(&m_strBuffer), 0,
        nullptr);
    std::u16string m_strText;
    if (m_strBuffer != nullptr) {
        m_strText.assign(m_strBuffer, m_strBuffer + m_intLength);
        ::LocalFree(m_strBuffer);
    }
    while (!m_strText.empty() &&
           (m_strText.back() <= u' ' || m_strText.back() == u'.' || m_strText.back() == u'\x7f')) {
        m_strText.pop_back();
    }
    return Utf16ToUtf8(m_strText);
}

std::wstring NativePathToWide(const std::string& p_strNativePath) {
    const std::u16string m_strWide = Utf8ToUtf16Lenient(p_strNativePath);
    return std::wstring(m_strWide.begin(), m_strWide.end());
}

#else

int TFileSystemOps::OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags,
                           mode_t p_intMode) {
    return ::openat(p_intDirFd, p_strPath, p_intFlags, p_intMode);
}

ssize_t TFileSystemOps::Read(int p_intFd, void* p_Buffer, std::size_t p_intCount) {
    return ::read(p_intFd, p_Buffer, p_intCount);
}

ssize_t TFileSystemOps::PRead(int p_intFd, void* p_Buffer, std::size_t p_intCount,
                              off_t p_intOffset) {
    return ::pread(p_intFd, p_Buffer, p_intCount, p_intOffset);
}

ssize_t TFileSystemOps::Write(int p_intFd, const void* p_Buffer, std::size_t p_intCount) {
    return ::write(p_intFd, p_Buffer, p_intCount);
}

int TFileSystemOps::PosixFallocate(int p_intFd, off_t p_intOffset, off_t p_intLength) {
    return ::posix_fallocate(p_intFd, p_intOffset, p_intLength);
}

int TFileSystemOps::FdataSync(int p_intFd) {
    return ::fdatasync(p_intFd);
}

int TFileSystemOps::Close(int p_intFd) {
    return ::close(p_intFd);
}

int TFileSystemOps::Fchown(int p_intFd, uid_t p_intUid, gid_t p_intGid) {
    return ::fchown(p_intFd, p_intUid, p_intGid);
}

int TFileSystemOps::Fchmod(int p_intFd, mode_t p_intMode) {
    return ::fchmod(p_intFd, p_intMode);
}

int TFileSystemOps::Fstat(int p_intFd, struct stat* p_Stat) {
    return ::fstat(p_intFd, p_Stat);
}

int TFileSystemOps::FstatAt(int p_intDirFd, const char* p_strPath, struct stat* p_Stat,
                            int p_intFlags) {
    return ::fstatat(p_intDirFd, p_strPath, p_Stat, p_intFlags);
}

int TFileSystemOps::RenameAt(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                             const char* p_strNewPath) {
    return ::renameat(p_intOldDirFd, p_strOldPath, p_intNewDirFd, p_strNewPath);
}

int TFileSystemOps::UnlinkAt(int p_intDirFd, const char* p_strPath, int p_intFlags) {
    return ::unlinkat(p_intDirFd, p_strPath, p_intFlags);
}

int TFileSystemOps::Fcntl(int p_intFd, int p_intCommand, int p_intArgument) {
    return ::fcntl(p_intFd, p_intCommand, p_intArgument);
}

int TFileSystemOps::RenameAt2(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                              const char* p_strNewPath, unsigned p_intFlags) {
#ifdef SYS_renameat2
    // Called directly: older C libraries have no wrapper.
    return static_cast<int>(::syscall(SYS_renameat2, p_intOldDirFd, p_strOldPath, p_intNewDirFd,
                                      p_strNewPath, p_intFlags));
#else
    (void)p_intOldDirFd;
    (void)p_strOldPath;
    (void)p_intNewDirFd;
    (void)p_strNewPath;
    (void)p_intFlags;
    errno = ENOSYS;
    return -1;
#endif
}

#ifdef __linux__

ssize_t TFileSystemOps::Flistxattr(int p_intFd, char* p_Buffer, std::size_t p_intSize) {
    return ::flistxattr(p_intFd, p_Buffer, p_intSize);
}

ssize_t TFileSystemOps::Fgetxattr(int p_intFd, const char* p_strName, void* p_Buffer,
                                  std::size_t p_intSize) {
    return ::fgetxattr(p_intFd, p_strName, p_Buffer, p_intSize);
}

int TFileSystemOps::Fsetxattr(int p_intFd, const char* p_strName, const void* p_Value,
                              std::size_t p_intSize, int p_intFlags) {
    return ::fsetxattr(p_intFd, p_strName, p_Value, p_intSize, p_intFlags);
}

#else

ssize_t TFileSystemOps::Flistxattr(int, char*, std::size_t) {
    errno = ENOTSUP;
    return -1;
}

ssize_t TFileSystemOps::Fgetxattr(int, const char*, void*, std::size_t) {
    errno = ENOTSUP;
    return -1;
}

int TFileSystemOps::Fsetxattr(int, const char*, const void*, std::size_t, int) {
    errno = ENOTSUP;
    return -1;
}

#endif

uid_t TFileSystemOps::GetEffectiveUserId() {
    return ::geteuid();
}

std::string SystemErrorText(int p_intErrorCode) {
    char m_strBuffer[256] = {};
    std::string m_strText =
        StrErrorResult(strerror_r(p_intErrorCode, m_strBuffer, sizeof m_strBuffer), m_strBuffer);
    while (!m_strText.empty() && (static_cast<unsigned char>(m_strText.back()) <= ' ' ||
                                  m_strText.back() == '.' || m_strText.back() == '\x7f')) {
        m_strText.pop_back();
    }
    return m_strText;
}

#endif

TFileSystemOps& FileSystemOps() {
    static TFileSystemOps s_RealOps;
    TFileSystemOps* m_Ops = g_OpsOverride.load(std::memory_order_acquire);
    return m_Ops != nullptr ? *m_Ops : s_RealOps;
}

void SetFileSystemOpsForTesting(TFileSystemOps* p_Ops) {
    g_OpsOverride.store(p_Ops, std::memory_order_release);
}

} // namespace morvane
