#pragma once
// TFileSystemOps: every operating-system call made while reading a user's file and rewriting it
// goes through this one object, so tests can make any single call fail, write short or do
// something to the file in between, and then check that nothing was lost.

#include <cstddef>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace morvane {

class TFileSystemOps {
public:
    TFileSystemOps() = default;
    virtual ~TFileSystemOps() = default;
    TFileSystemOps(const TFileSystemOps&) = delete;
    TFileSystemOps& operator=(const TFileSystemOps&) = delete;

#ifdef _WIN32
    // Same results and GetLastError() as the Windows functions of the same names.
    virtual DWORD GetFileAttributesW(const wchar_t* p_strPath);
    virtual HANDLE CreateFileW(const wchar_t* p_strPath, DWORD p_intAccess, DWORD p_intShare,
                               DWORD p_intDisposition, DWORD p_intFlags);
    virtual BOOL GetFileInformationByHandle(HANDLE p_intHandle, BY_HANDLE_FILE_INFORMATION* p_Info);
    virtual BOOL ReadFile(HANDLE p_intHandle, void* p_Buffer, DWORD p_intCount, DWORD* p_intDone);
    virtual BOOL WriteFile(HANDLE p_intHandle, const void* p_Buffer, DWORD p_intCount,
                           DWORD* p_intDone);
    virtual BOOL FlushFileBuffers(HANDLE p_intHandle);
    virtual BOOL CloseHandle(HANDLE p_intHandle);
    virtual BOOL MoveFileExW(const wchar_t* p_strFrom, const wchar_t* p_strTo, DWORD p_intFlags);
    virtual BOOL DeleteFileW(const wchar_t* p_strPath);
#else
    // Same results and errno as the POSIX functions of the same names; PosixFallocate returns the
    // error number as posix_fallocate does, without touching errno.
    virtual int OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags, mode_t p_intMode);
    virtual ssize_t Read(int p_intFd, void* p_Buffer, std::size_t p_intCount);
    virtual ssize_t PRead(int p_intFd, void* p_Buffer, std::size_t p_intCount, off_t p_intOffset);
    virtual ssize_t Write(int p_intFd, const void* p_Buffer, std::size_t p_intCount);
    virtual int PosixFallocate(int p_intFd, off_t p_intOffset, off_t p_intLength);
    virtual int FdataSync(int p_intFd);
    virtual int Close(int p_intFd);
    virtual int Fchown(int p_intFd, uid_t p_intUid, gid_t p_intGid);
    virtual int Fchmod(int p_intFd, mode_t p_intMode);
    virtual int Fstat(int p_intFd, struct stat* p_Stat);
    virtual int FstatAt(int p_intDirFd, const char* p_strPath, struct stat* p_Stat, int p_intFlags);
    virtual int RenameAt(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                         const char* p_strNewPath);
    virtual int UnlinkAt(int p_intDirFd, const char* p_strPath, int p_intFlags);
    // fcntl with an integer argument (F_SETLEASE, F_GETLEASE, F_SETSIG, F_SETOWN).
    virtual int Fcntl(int p_intFd, int p_intCommand, int p_intArgument);
    // renameat2 of Linux; where the system has none, fails with ENOSYS.
    virtual int RenameAt2(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                          const char* p_strNewPath, unsigned p_intFlags);
    // flistxattr, fgetxattr and fsetxattr of Linux; where the system has none, they fail with
    // ENOTSUP.
    virtual ssize_t Flistxattr(int p_intFd, char* p_Buffer, std::size_t p_intSize);
    virtual ssize_t Fgetxattr(int p_intFd, const char* p_strName, void* p_Buffer,
                              std::size_t p_intSize);
    virtual int Fsetxattr(int p_intFd, const char* p_strName, const void* p_Value,
                          std::size_t p_intSize, int p_intFlags);
    // Never fails; tests use it to take the part of an unprivileged user.
    virtual uid_t GetEffectiveUserId();
#endif
};

#ifndef _WIN32
// The flag of RenameAt2 that swaps the two names in one step (RENAME_EXCHANGE).
#ifdef RENAME_EXCHANGE
inline constexpr unsigned kRenameExchange = RENAME_EXCHANGE;
#else
inline constexpr unsigned kRenameExchange = 1U << 1;
#endif
#endif

// The object in force: the real one unless a test has put another in its place.
TFileSystemOps& FileSystemOps();

// Puts p_Ops in force (not owned; it must outlive its use); nullptr restores the real one.
// Process-wide: call it only while no task runs.
void SetFileSystemOpsForTesting(TFileSystemOps* p_Ops);

// The operating system's text for an error code (errno; GetLastError() on Windows) as failure
// reasons show it: UTF-8, without trailing spaces, control characters and full stops.
std::string SystemErrorText(int p_intErrorCode);

#ifdef _WIN32
// A native path (UTF-8 on Windows) as the wide functions take it.
std::wstring NativePathToWide(const std::string& p_strNativePath);
#endif

} // namespace morvane
