#pragma once
// TFaultFs: the real file system with one call made to fail on purpose, writes made short, and a
// hook that runs before every call (to change the file behind the rewrite's back). Each call is
// recorded under a kind, so a test can go through every call of one rewrite in turn.

#include "files/u_FileSystemOps.h"

#include <cerrno>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::test {

class TFaultFs : public TFileSystemOps {
public:
    // Kinds of recorded calls. Descriptors are told apart by how they were opened.
    static constexpr const char* kOpenFolder = "openat-folder";
    static constexpr const char* kOpenTrial = "openat-trial";
    static constexpr const char* kOpenTemp = "openat-temp";
    static constexpr const char* kOpenRead = "openat-read";
    static constexpr const char* kCloseFolder = "close-folder";
    static constexpr const char* kCloseTrial = "close-trial";
    static constexpr const char* kCloseTemp = "close-temp";
    static constexpr const char* kCloseRead = "close-read";
    static constexpr const char* kRead = "read";
    static constexpr const char* kWrite = "write";
    static constexpr const char* kFallocate = "fallocate";
    static constexpr const char* kFdataSync = "fdatasync";
    static constexpr const char* kFchown = "fchown";
    static constexpr const char* kFchmod = "fchmod";
    static constexpr const char* kFstat = "fstat";
    static constexpr const char* kFstatAt = "fstatat";
    static constexpr const char* kRenameAt = "renameat";
    static constexpr const char* kUnlinkAt = "unlinkat";
    static constexpr const char* kRenameAt2 = "renameat2";
    static constexpr const char* kSetLeaseSignal = "fcntl-setsig";
    static constexpr const char* kSetLease = "fcntl-setlease";
    static constexpr const char* kSetOwner = "fcntl-setown";
    static constexpr const char* kGetLease = "fcntl-getlease";
    static constexpr const char* kListXattr = "flistxattr";
    static constexpr const char* kGetXattr = "fgetxattr";
    static constexpr const char* kSetUserXattr = "fsetxattr-user";   // user.*
    static constexpr const char* kSetOtherXattr = "fsetxattr-other"; // any other namespace

    std::vector<std::string> g_arrCalls; // kinds, in call order
    int g_intFailAt = 0;                 // 1-based index into g_arrCalls; 0: nothing fails
    int g_intFailErrno = EIO;
    std::map<std::string, int> g_arrAlwaysFailing; // kind -> errno of every such call
    std::size_t g_intWriteLimit = 0;               // > 0: a write stores at most this many bytes
    int g_intWritesBeforeFailure = -1; // >= 0: writes after this many fail with ENOSPC...
    bool g_IsWriteStalling = false;    // ...or store nothing and return 0
    int g_intEffectiveUserId = -1;     // >= 0: what GetEffectiveUserId answers
    int g_intLeaseAnswer = -1;         // >= 0: what F_GETLEASE answers (F_UNLCK: broken)
    std::function<void(const std::string& p_strKind, int p_intIndex)> g_doBeforeCall;

    int CountOf(const std::string& p_strKind) const {
        int m_intCount = 0;
        for (const auto& m_strCall : g_arrCalls) {
            m_intCount += m_strCall == p_strKind ? 1 : 0;
        }
        return m_intCount;
    }

    int OpenAt(int p_intDirFd, const char* p_strPath, int p_intFlags, mode_t p_intMode) override {
        const char* m_strKind = (p_intFlags & O_DIRECTORY) != 0        ? kOpenFolder
                                : (p_intFlags & O_CREAT) != 0          ? kOpenTemp
                                : (p_intFlags & O_ACCMODE) == O_WRONLY ? kOpenTrial
                                                                       : kOpenRead;
        if (Fails(m_strKind)) {
            return -1;
        }
        const int m_intFd = TFileSystemOps::OpenAt(p_intDirFd, p_strPath, p_intFlags, p_intMode);
        if (m_intFd >= 0) {
            g_arrFdKinds[m_intFd] = m_strKind == kOpenFolder  ? kCloseFolder
                                    : m_strKind == kOpenTemp  ? kCloseTemp
                                    : m_strKind == kOpenTrial ? kCloseTrial
                                                              : kCloseRead;
        }
        return m_intFd;
    }

    int Close(int p_intFd) override {
        const auto m_It = g_arrFdKinds.find(p_intFd);
        const std::string m_strKind = m_It != g_arrFdKinds.end() ? m_It->second : "close-other";
        if (m_It != g_arrFdKinds.end()) {
            g_arrFdKinds.erase(m_It);
        }
        // Like Linux: the descriptor is gone even when close reports an error.
        const bool m_IsFailing = Fails(m_strKind);
        const int m_intErrno = errno;
        const int m_intResult = TFileSystemOps::Close(p_intFd);
        if (m_IsFailing) {
            errno = m_intErrno;
            return -1;
        }
        return m_intResult;
    }

    ssize_t Read(int p_intFd, void* p_Buffer, std::size_t p_intCount) override {
        return Fails(kRead) ? -1 : TFileSystemOps::Read(p_intFd, p_Buffer, p_intCount);
    }

    ssize_t Write(int p_intFd, const void* p_Buffer, std::size_t p_intCount) override {
        if (Fails(kWrite)) {
            return -1;
        }
        if (g_intWritesBeforeFailure >= 0 && g_intWritesDone >= g_intWritesBeforeFailure) {
            errno = ENOSPC;
            return g_IsWriteStalling ? 0 : -1;
        }
        ++g_intWritesDone;
        if (g_intWriteLimit > 0 && p_intCount > g_intWriteLimit) {
            p_intCount = g_intWriteLimit;
        }
        return TFileSystemOps::Write(p_intFd, p_Buffer, p_intCount);
    }

    int PosixFallocate(int p_intFd, off_t p_intOffset, off_t p_intLength) override {
        if (Fails(kFallocate)) {
            return errno;
        }
        return TFileSystemOps::PosixFallocate(p_intFd, p_intOffset, p_intLength);
    }

    int FdataSync(int p_intFd) override {
        return Fails(kFdataSync) ? -1 : TFileSystemOps::FdataSync(p_intFd);
    }

    int Fchown(int p_intFd, uid_t p_intUid, gid_t p_intGid) override {
        return Fails(kFchown) ? -1 : TFileSystemOps::Fchown(p_intFd, p_intUid, p_intGid);
    }

    int Fchmod(int p_intFd, mode_t p_intMode) override {
        return Fails(kFchmod) ? -1 : TFileSystemOps::Fchmod(p_intFd, p_intMode);
    }

    int Fstat(int p_intFd, struct stat* p_Stat) override {
        return Fails(kFstat) ? -1 : TFileSystemOps::Fstat(p_intFd, p_Stat);
    }

    int FstatAt(int p_intDirFd, const char* p_strPath, struct stat* p_Stat,
                int p_intFlags) override {
        return Fails(kFstatAt) ? -1
                               : TFileSystemOps::FstatAt(p_intDirFd, p_strPath, p_Stat, p_intFlags);
    }

    int RenameAt(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                 const char* p_strNewPath) override {
        return Fails(kRenameAt) ? -1
                                : TFileSystemOps::RenameAt(p_intOldDirFd, p_strOldPath,
                                                           p_intNewDirFd, p_strNewPath);
    }

    int UnlinkAt(int p_intDirFd, const char* p_strPath, int p_intFlags) override {
        return Fails(kUnlinkAt) ? -1 : TFileSystemOps::UnlinkAt(p_intDirFd, p_strPath, p_intFlags);
    }

    int Fcntl(int p_intFd, int p_intCommand, int p_intArgument) override {
        const char* m_strKind = p_intCommand == F_SETSIG     ? kSetLeaseSignal
                                : p_intCommand == F_SETLEASE ? kSetLease
                                : p_intCommand == F_SETOWN   ? kSetOwner
                                : p_intCommand == F_GETLEASE ? kGetLease
                                                             : "fcntl-other";
        if (Fails(m_strKind)) {
            return -1;
        }
        if (p_intCommand == F_GETLEASE && g_intLeaseAnswer >= 0) {
            return g_intLeaseAnswer;
        }
        return TFileSystemOps::Fcntl(p_intFd, p_intCommand, p_intArgument);
    }

    int RenameAt2(int p_intOldDirFd, const char* p_strOldPath, int p_intNewDirFd,
                  const char* p_strNewPath, unsigned p_intFlags) override {
        return Fails(kRenameAt2)
                   ? -1
                   : TFileSystemOps::RenameAt2(p_intOldDirFd, p_strOldPath, p_intNewDirFd,
                                               p_strNewPath, p_intFlags);
    }

    ssize_t Flistxattr(int p_intFd, char* p_Buffer, std::size_t p_intSize) override {
        return Fails(kListXattr) ? -1 : TFileSystemOps::Flistxattr(p_intFd, p_Buffer, p_intSize);
    }

    ssize_t Fgetxattr(int p_intFd, const char* p_strName, void* p_Buffer,
                      std::size_t p_intSize) override {
        return Fails(kGetXattr)
                   ? -1
                   : TFileSystemOps::Fgetxattr(p_intFd, p_strName, p_Buffer, p_intSize);
    }

    int Fsetxattr(int p_intFd, const char* p_strName, const void* p_Value, std::size_t p_intSize,
                  int p_intFlags) override {
        const bool m_IsUser = std::string_view(p_strName).starts_with("user.");
        return Fails(m_IsUser ? kSetUserXattr : kSetOtherXattr)
                   ? -1
                   : TFileSystemOps::Fsetxattr(p_intFd, p_strName, p_Value, p_intSize, p_intFlags);
    }

    uid_t GetEffectiveUserId() override {
        return g_intEffectiveUserId >= 0 ? static_cast<uid_t>(g_intEffectiveUserId)
                                         : TFileSystemOps::GetEffectiveUserId();
    }

private:
    // Records the call; true (with errno set) when this is the one to fail.
    bool Fails(const std::string& p_strKind) {
        g_arrCalls.push_back(p_strKind);
        const int m_intIndex = static_cast<int>(g_arrCalls.size());
        if (g_doBeforeCall) {
            g_doBeforeCall(p_strKind, m_intIndex);
        }
        if (m_intIndex == g_intFailAt) {
            errno = g_intFailErrno;
            return true;
        }
        const auto m_It = g_arrAlwaysFailing.find(p_strKind);
        if (m_It != g_arrAlwaysFailing.end()) {
            errno = m_It->second;
            return true;
        }
        return false;
    }

    std::map<int, std::string> g_arrFdKinds;
    int g_intWritesDone = 0;
};

// Puts a seam in force for one scope.
class TScopedFileSystemOps {
public:
    explicit TScopedFileSystemOps(TFileSystemOps& p_Ops) { SetFileSystemOpsForTesting(&p_Ops); }
    ~TScopedFileSystemOps() { SetFileSystemOpsForTesting(nullptr); }
    TScopedFileSystemOps(const TScopedFileSystemOps&) = delete;
    TScopedFileSystemOps& operator=(const TScopedFileSystemOps&) = delete;
};

} // namespace morvane::test
