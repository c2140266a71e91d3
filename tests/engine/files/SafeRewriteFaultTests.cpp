// Every call of one rewrite made to fail in turn: the old file must survive each failure byte for
// byte and mode for mode, no temporary file may stay, and the reason must be the right one.

#include "FaultFs.h"
#include "RewriteTestSupport.h"
#include "TempTree.h"

#include "core/u_Types.h"
#include "files/u_FileRead.h"
#include "files/u_SafeRewrite.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvane {
namespace {

using test::CannotCreate;
using test::IdentityAfterReading;
using test::LinkStat;
using test::PermissionBits;
using test::RewriteOutcome;
using test::TemporaryFilesIn;
using test::TFaultFs;
using test::TScopedFileSystemOps;
using test::TTempTree;

constexpr std::string_view kOldBytes = "old content\r\n";
const std::string kNewBytes =
    "the new content, longer than the old one\r\n" + std::string(5000, 'n');
constexpr mode_t kOldMode = 0640;

std::string SystemText(int p_intErrno) {
    switch (p_intErrno) {
    case EIO:
        return "Input/output error";
    case ENOSPC:
        return "No space left on device";
    case EACCES:
        return "Permission denied";
    case ENOENT:
        return "No such file or directory";
    case EINVAL:
        return "Invalid argument";
    case EEXIST:
        return "File exists";
    case EPERM:
        return "Operation not permitted";
    case EINTR:
        return "Interrupted system call";
    case EDQUOT:
        return "Disk quota exceeded";
    default:
        return std::strerror(p_intErrno);
    }
}

// What a rewrite must report when the call of this kind fails with this error; nothing when the
// rewrite can and must still succeed.
std::optional<std::string> ExpectedReason(const std::string& p_strKind, int p_intErrno,
                                          const std::filesystem::path& p_Path) {
    if (p_strKind == TFaultFs::kCloseTrial || p_strKind == TFaultFs::kCloseFolder ||
        p_strKind == TFaultFs::kCloseRead) {
        return std::nullopt; // nothing was written through them
    }
    if (p_strKind == TFaultFs::kSetLeaseSignal || p_strKind == TFaultFs::kSetOwner ||
        (p_strKind == TFaultFs::kSetLease &&
         (p_intErrno == EACCES || p_intErrno == EPERM || p_intErrno == EINVAL))) {
        return std::nullopt; // no lease, or no signal: the checks still stand
    }
    if (p_strKind == TFaultFs::kListXattr && p_intErrno == ENOTSUP) {
        return std::nullopt; // the file system keeps no attributes
    }
    if (p_strKind == TFaultFs::kRenameAt2 && p_intErrno == EINVAL) {
        return std::nullopt; // no exchange on this file system: a plain rename
    }
    if (p_strKind == TFaultFs::kUnlinkAt) {
        return std::nullopt; // the file is replaced; its old content stays behind
    }
    if ((p_strKind == TFaultFs::kRenameAt2 || p_strKind == TFaultFs::kOpenRead) &&
        p_intErrno == ENOENT) {
        return std::string(kFileChangedSinceReadMessage);
    }
    if (p_strKind == TFaultFs::kWrite) {
        if (p_intErrno == EINTR) {
            return std::nullopt;
        }
        return std::string("Stream write error");
    }
    if (p_strKind == TFaultFs::kFallocate && (p_intErrno == EOPNOTSUPP || p_intErrno == EINVAL)) {
        return std::nullopt; // the file system cannot reserve space; the writes still check
    }
    if (p_strKind == TFaultFs::kFdataSync && p_intErrno == EINVAL) {
        return std::nullopt; // the file system has nothing to flush
    }
    if (p_strKind == TFaultFs::kFchown && p_intErrno == EPERM && geteuid() != 0) {
        return std::nullopt; // a user keeps the file under the own name
    }
    if (p_strKind == TFaultFs::kOpenTemp && p_intErrno == EEXIST) {
        return std::nullopt; // another name is tried
    }
    if (p_strKind == TFaultFs::kFstatAt && p_intErrno == ENOENT) {
        return std::string(kFileChangedSinceReadMessage);
    }
    if (p_strKind == TFaultFs::kOpenFolder || p_strKind == TFaultFs::kOpenTrial ||
        p_strKind == TFaultFs::kOpenTemp) {
        return CannotCreate(p_Path, SystemText(p_intErrno));
    }
    return SystemText(p_intErrno);
}

class SafeRewriteFaults : public ::testing::Test {
protected:
    std::filesystem::path FreshFile() {
        const auto m_Path = g_Tree.WriteFile("dir/a.txt", kOldBytes);
        chmod(m_Path.c_str(), kOldMode);
        return m_Path;
    }

    // The calls of one undisturbed rewrite, in order.
    std::vector<std::string> CallsOfOneRewrite() {
        const auto m_Path = FreshFile();
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TFaultFs m_Fs;
        TScopedFileSystemOps m_Scope(m_Fs);
        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), "");
        return m_Fs.g_arrCalls;
    }

    void ExpectUnchanged(const std::filesystem::path& p_Path, ino_t p_intInode) {
        EXPECT_EQ(TTempTree::ReadBytes(p_Path), kOldBytes);
        EXPECT_EQ(PermissionBits(p_Path), kOldMode);
        EXPECT_EQ(LinkStat(p_Path).st_ino, p_intInode);
    }

    void ExpectReplacedOrUnchanged(const std::filesystem::path& p_Path, ino_t p_intInode,
                                   bool p_IsReplaced) {
        if (p_IsReplaced) {
            EXPECT_EQ(TTempTree::ReadBytes(p_Path), kNewBytes);
        } else {
            ExpectUnchanged(p_Path, p_intInode);
        }
    }

    TTempTree g_Tree;
};

TEST_F(SafeRewriteFaults, OneRewriteMakesTheseCallsInThisOrder) {
    const std::vector<std::string> m_arrExpected = {
        TFaultFs::kOpenFolder,  TFaultFs::kFstatAt,   TFaultFs::kOpenTrial,
        TFaultFs::kCloseTrial,  TFaultFs::kOpenRead,  TFaultFs::kSetLeaseSignal,
        TFaultFs::kSetLease,    TFaultFs::kSetOwner,  TFaultFs::kFstat,
        TFaultFs::kOpenTemp,    TFaultFs::kFallocate, TFaultFs::kWrite,
        TFaultFs::kFchown,      TFaultFs::kFchmod,    TFaultFs::kListXattr,
        TFaultFs::kFdataSync,   TFaultFs::kCloseTemp, TFaultFs::kGetLease,
        TFaultFs::kFstatAt,     TFaultFs::kRenameAt2, TFaultFs::kFstatAt,
        TFaultFs::kGetLease,    TFaultFs::kUnlinkAt,  TFaultFs::kCloseRead,
        TFaultFs::kCloseFolder,
    };
    EXPECT_EQ(CallsOfOneRewrite(), m_arrExpected);
}

TEST_F(SafeRewriteFaults, EveryCallFailingInTurnLosesNothing) {
    const std::vector<std::string> m_arrCalls = CallsOfOneRewrite();
    for (const int m_intErrno :
         {EIO, ENOSPC, EDQUOT, EACCES, EPERM, ENOENT, EINVAL, EEXIST, EOPNOTSUPP, EINTR}) {
        for (int m_intFailAt = 1; m_intFailAt <= static_cast<int>(m_arrCalls.size());
             ++m_intFailAt) {
            const std::string& m_strKind = m_arrCalls[static_cast<std::size_t>(m_intFailAt - 1)];
            SCOPED_TRACE(std::to_string(m_intFailAt) + ": " + m_strKind + " fails with " +
                         SystemText(m_intErrno));
            const auto m_Path = FreshFile();
            const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
            const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
            TFaultFs m_Fs;
            m_Fs.g_intFailAt = m_intFailAt;
            m_Fs.g_intFailErrno = m_intErrno;
            std::string m_strOutcome;
            {
                TScopedFileSystemOps m_Scope(m_Fs);
                m_strOutcome = RewriteOutcome(m_Path, m_Identity, kNewBytes);
            }

            const std::optional<std::string> m_strExpected =
                ExpectedReason(m_strKind, m_intErrno, m_Path);
            if (m_strExpected) {
                EXPECT_EQ(m_strOutcome, *m_strExpected);
                ExpectUnchanged(m_Path, m_intOldInode);
                // Whatever was opened is closed again.
                for (const auto& [m_strOpen, m_strClose] :
                     {std::pair{TFaultFs::kOpenFolder, TFaultFs::kCloseFolder},
                      std::pair{TFaultFs::kOpenTrial, TFaultFs::kCloseTrial},
                      std::pair{TFaultFs::kOpenRead, TFaultFs::kCloseRead},
                      std::pair{TFaultFs::kOpenTemp, TFaultFs::kCloseTemp}}) {
                    EXPECT_EQ(m_Fs.CountOf(m_strOpen) - (m_strKind == m_strOpen ? 1 : 0),
                              m_Fs.CountOf(m_strClose))
                        << m_strOpen;
                }
            } else {
                EXPECT_EQ(m_strOutcome, "");
                EXPECT_EQ(TTempTree::ReadBytes(m_Path), kNewBytes);
                EXPECT_EQ(PermissionBits(m_Path), kOldMode);
            }
            const std::vector<std::string> m_arrLeft = TemporaryFilesIn(m_Path.parent_path());
            if (m_strKind == TFaultFs::kUnlinkAt) {
                ASSERT_EQ(m_arrLeft.size(), 1u);
                EXPECT_EQ(TTempTree::ReadBytes(m_Path.parent_path() / m_arrLeft[0]), kOldBytes);
                std::filesystem::remove(m_Path.parent_path() / m_arrLeft[0]);
            } else {
                EXPECT_EQ(m_arrLeft, std::vector<std::string>());
            }
        }
    }
}

TEST_F(SafeRewriteFaults, ShortWritesAreContinued) {
    const auto m_Path = FreshFile();
    const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
    TFaultFs m_Fs;
    m_Fs.g_intWriteLimit = 1000;
    {
        TScopedFileSystemOps m_Scope(m_Fs);
        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), "");
    }
    EXPECT_EQ(TTempTree::ReadBytes(m_Path), kNewBytes);
    EXPECT_EQ(m_Fs.CountOf(TFaultFs::kWrite), static_cast<int>((kNewBytes.size() + 999) / 1000));
}

// A write that stores part of the content and then cannot go on: the disk filled up meanwhile.
TEST_F(SafeRewriteFaults, AWriteThatCannotContinueFailsWithStreamWriteError) {
    for (const bool m_IsStalling : {false, true}) {
        for (const int m_intWritesBefore : {0, 1, 3}) {
            SCOPED_TRACE(std::to_string(m_intWritesBefore) + (m_IsStalling ? " stall" : " fail"));
            const auto m_Path = FreshFile();
            const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
            const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
            TFaultFs m_Fs;
            m_Fs.g_intWriteLimit = 700;
            m_Fs.g_intWritesBeforeFailure = m_intWritesBefore;
            m_Fs.g_IsWriteStalling = m_IsStalling;
            {
                TScopedFileSystemOps m_Scope(m_Fs);
                EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), "Stream write error");
            }
            ExpectUnchanged(m_Path, m_intOldInode);
            EXPECT_TRUE(TemporaryFilesIn(m_Path.parent_path()).empty());
        }
    }
}

// Only root may give a file to another user; others keep what they may (the group, when they
// are a member of it) instead of failing.
TEST_F(SafeRewriteFaults, AnOwnerThatCannotBeKeptFailsOnlyForRoot) {
    const struct {
        const char* m_strCase;
        int m_intEffectiveUserId;
        std::string m_strOutcome;
        int m_intFchownCalls;
    } m_arrCases[] = {
        {"root", 0, "Operation not permitted", 1},
        {"another user", 1000, "", 2},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        const auto m_Path = FreshFile();
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TFaultFs m_Fs;
        m_Fs.g_intEffectiveUserId = m_Case.m_intEffectiveUserId;
        m_Fs.g_arrAlwaysFailing[TFaultFs::kFchown] = EPERM;
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), m_Case.m_strOutcome);
        }
        EXPECT_EQ(m_Fs.CountOf(TFaultFs::kFchown), m_Case.m_intFchownCalls);
        EXPECT_EQ(PermissionBits(m_Path), kOldMode);
        EXPECT_TRUE(TemporaryFilesIn(m_Path.parent_path()).empty());
    }
}

TEST_F(SafeRewriteFaults, TemporaryNamesThatAreTakenAreSkippedThenGivenUp) {
    const auto m_Path = FreshFile();
    const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
    TFaultFs m_Fs;
    m_Fs.g_arrAlwaysFailing[TFaultFs::kOpenTemp] = EEXIST;
    {
        TScopedFileSystemOps m_Scope(m_Fs);
        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes),
                  CannotCreate(m_Path, "File exists"));
    }
    EXPECT_EQ(m_Fs.CountOf(TFaultFs::kOpenTemp), 16);
    EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
}

TEST_F(SafeRewriteFaults, TemporaryNamesAreShortRandomAndOurOwn) {
    const auto m_Path = FreshFile();
    std::set<std::string> m_arrNames;
    TFaultFs m_Fs;
    m_Fs.g_arrAlwaysFailing[TFaultFs::kRenameAt2] = EIO;
    m_Fs.g_arrAlwaysFailing[TFaultFs::kUnlinkAt] = EIO;
    for (int m_intRun = 0; m_intRun < 5; ++m_intRun) {
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TScopedFileSystemOps m_Scope(m_Fs);
        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), "Input/output error");
    }
    for (const auto& m_strName : TemporaryFilesIn(m_Path.parent_path())) {
        EXPECT_TRUE(IsRewriteTemporaryName(m_strName)) << m_strName;
        m_arrNames.insert(m_strName);
    }
    EXPECT_EQ(m_arrNames.size(), 5u);
    EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
}

// When even the clean-up fails, the reason is still the first failure's.
TEST_F(SafeRewriteFaults, AFailedCleanUpKeepsTheFirstReason) {
    const auto m_Path = FreshFile();
    const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
    const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
    TFaultFs m_Fs;
    m_Fs.g_arrAlwaysFailing[TFaultFs::kFchmod] = EROFS;
    m_Fs.g_arrAlwaysFailing[TFaultFs::kUnlinkAt] = EIO;
    {
        TScopedFileSystemOps m_Scope(m_Fs);
        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), "Read-only file system");
    }
    ExpectUnchanged(m_Path, m_intOldInode);
    EXPECT_EQ(TemporaryFilesIn(m_Path.parent_path()).size(), 1u);
}

// Whether this process may take read leases where the tests make their files.
bool AreLeasesAvailable(const std::filesystem::path& p_Path) {
    const int m_intFd = open(p_Path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool m_IsAvailable = m_intFd >= 0 && fcntl(m_intFd, F_SETSIG, SIGURG) == 0 &&
                               fcntl(m_intFd, F_SETLEASE, F_RDLCK) == 0;
    if (m_intFd >= 0) {
        close(m_intFd);
    }
    return m_IsAvailable;
}

// Another program acts on the file while the rewrite runs: it deletes the file, renames another
// over it, or opens it for writing (without waiting, as a waiting writer would block this test;
// the open breaks the lease all the same).
TEST_F(SafeRewriteFaults, AFileChangedDuringTheRewriteIsNeitherOverwrittenNorBroughtBack) {
    enum class TAct { Delete, Replace, OpenForWriting };
    const struct {
        const char* m_strCase;
        const char* m_strBeforeKind;
        TAct m_Act;
        const char* m_strReason;
        int m_intExchanges; // 2: exchanged and put back
    } m_arrCases[] = {
        {"deleted while writing", TFaultFs::kWrite, TAct::Delete, kFileChangedSinceReadMessage, 0},
        {"replaced while writing", TFaultFs::kWrite, TAct::Replace, kFileChangedSinceReadMessage,
         0},
        {"opened for writing while writing", TFaultFs::kWrite, TAct::OpenForWriting,
         kFileBeingWrittenMessage, 0},
        {"deleted just before the last check", TFaultFs::kFdataSync, TAct::Delete,
         kFileChangedSinceReadMessage, 0},
        {"replaced just before the last check", TFaultFs::kCloseTemp, TAct::Replace,
         kFileChangedSinceReadMessage, 0},
        {"deleted between the last check and the exchange", TFaultFs::kRenameAt2, TAct::Delete,
         kFileChangedSinceReadMessage, 1},
        {"replaced between the last check and the exchange", TFaultFs::kRenameAt2, TAct::Replace,
         kFileChangedSinceReadMessage, 2},
        {"opened for writing between the last check and the exchange", TFaultFs::kRenameAt2,
         TAct::OpenForWriting, kFileBeingWrittenMessage, 2},
    };
    if (!AreLeasesAvailable(FreshFile())) {
        GTEST_SKIP() << "no read leases here";
    }
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        const auto m_Path = FreshFile();
        const auto m_Theirs = g_Tree.WriteFile("theirs.txt", "theirs");
        const timespec m_arrTimes[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, m_Path.c_str(), m_arrTimes, 0), 0);
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TFaultFs m_Fs;
        m_Fs.g_doBeforeCall = [&](const std::string& p_strKind, int) {
            if (p_strKind != m_Case.m_strBeforeKind || m_Fs.CountOf(p_strKind) != 1) {
                return;
            }
            if (m_Case.m_Act == TAct::Delete) {
                std::filesystem::remove(m_Path);
            } else if (m_Case.m_Act == TAct::Replace) {
                std::filesystem::rename(m_Theirs, m_Path);
            } else {
                const int m_intFd = open(m_Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                EXPECT_LT(m_intFd, 0) << "the file was not held";
                if (m_intFd >= 0) {
                    close(m_intFd);
                }
            }
        };
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), m_Case.m_strReason);
        }
        switch (m_Case.m_Act) {
        case TAct::Delete:
            EXPECT_FALSE(std::filesystem::exists(m_Path));
            break;
        case TAct::Replace:
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), "theirs");
            break;
        case TAct::OpenForWriting:
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
            // The lease is gone with the rewrite: a writer goes on at once.
            EXPECT_TRUE(std::ofstream(m_Path, std::ios::app).good());
            break;
        }
        EXPECT_EQ(m_Fs.CountOf(TFaultFs::kRenameAt2), m_Case.m_intExchanges);
        EXPECT_EQ(m_Fs.CountOf(TFaultFs::kRenameAt), 0);
        EXPECT_TRUE(TemporaryFilesIn(m_Path.parent_path()).empty());
        std::filesystem::remove(m_Path);
    }
}

// What the system says about leases and exchanges, as the seam answers it.
TEST_F(SafeRewriteFaults, LeasesAndExchangesThatTheSystemRefuses) {
    const struct {
        const char* m_strCase;
        const char* m_strKind;
        int m_intErrno;
        int m_intLeaseAnswer;
        const char* m_strReason; // "" : replaced
        int m_intRenames;
    } m_arrCases[] = {
        {"open for writing elsewhere", TFaultFs::kSetLease, EAGAIN, -1, kFileBeingWrittenMessage,
         0},
        {"another's file", TFaultFs::kSetLease, EACCES, -1, "", 0},
        {"no leases on this file system", TFaultFs::kSetLease, EINVAL, -1, "", 0},
        {"lease broken", "", 0, F_UNLCK, kFileBeingWrittenMessage, 0},
        {"no exchange in this kernel", TFaultFs::kRenameAt2, ENOSYS, -1, "", 1},
        {"no exchange on this file system", TFaultFs::kRenameAt2, EINVAL, -1, "", 1},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        const auto m_Path = FreshFile();
        const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TFaultFs m_Fs;
        if (*m_Case.m_strKind != '\0') {
            m_Fs.g_arrAlwaysFailing[m_Case.m_strKind] = m_Case.m_intErrno;
        }
        m_Fs.g_intLeaseAnswer = m_Case.m_intLeaseAnswer;
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), m_Case.m_strReason);
        }
        ExpectReplacedOrUnchanged(m_Path, m_intOldInode, *m_Case.m_strReason == '\0');
        EXPECT_EQ(m_Fs.CountOf(TFaultFs::kRenameAt), m_Case.m_intRenames);
        EXPECT_EQ(m_Fs.CountOf(TFaultFs::kOpenRead), m_Fs.CountOf(TFaultFs::kCloseRead));
        EXPECT_TRUE(TemporaryFilesIn(m_Path.parent_path()).empty());
    }
}

// Copying the extended attributes, each of its calls refused: the user's own attributes must come
// along or the file fails; others may be left out where the system does not let them be set.
TEST_F(SafeRewriteFaults, ExtendedAttributesThatCannotBeCopied) {
    const auto m_Probe = FreshFile();
    if (setxattr(m_Probe.c_str(), "user.morvane", "u", 1, 0) != 0 ||
        setxattr(m_Probe.c_str(), "security.morvane", "s", 1, 0) != 0) {
        GTEST_SKIP() << "needs user and security attributes on the test file system";
    }
    const struct {
        const char* m_strKind;
        int m_intErrno;
        int m_intOccurrence;     // 0: every such call
        const char* m_strReason; // "": replaced
        bool m_IsUserAttributeKept;
    } m_arrCases[] = {
        {TFaultFs::kListXattr, EIO, 0, "Input/output error", true},
        {TFaultFs::kListXattr, ENOTSUP, 0, "", false},
        {TFaultFs::kGetXattr, ENODATA, 0, "", false},
        {TFaultFs::kGetXattr, EIO, 0, "Input/output error", true},
        {TFaultFs::kGetXattr, ERANGE, 2, "", true}, // the value grew: asked again
        {TFaultFs::kSetUserXattr, EPERM, 0, "Operation not permitted", true},
        {TFaultFs::kSetUserXattr, ENOSPC, 0, "No space left on device", true},
        {TFaultFs::kSetOtherXattr, EPERM, 0, "", true},
        {TFaultFs::kSetOtherXattr, ENOTSUP, 0, "", true},
        {TFaultFs::kSetOtherXattr, EACCES, 0, "", true},
        {TFaultFs::kSetOtherXattr, EIO, 0, "Input/output error", true},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(std::string(m_Case.m_strKind) + " fails with " +
                     SystemText(m_Case.m_intErrno));
        const auto m_Path = FreshFile();
        ASSERT_EQ(setxattr(m_Path.c_str(), "user.morvane", "u", 1, 0), 0);
        ASSERT_EQ(setxattr(m_Path.c_str(), "security.morvane", "s", 1, 0), 0);
        const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        TFaultFs m_Fs;
        if (m_Case.m_intOccurrence == 0) {
            m_Fs.g_arrAlwaysFailing[m_Case.m_strKind] = m_Case.m_intErrno;
        } else {
            m_Fs.g_doBeforeCall = [&](const std::string& p_strKind, int p_intIndex) {
                if (p_strKind == m_Case.m_strKind &&
                    m_Fs.CountOf(p_strKind) == m_Case.m_intOccurrence) {
                    m_Fs.g_intFailAt = p_intIndex;
                    m_Fs.g_intFailErrno = m_Case.m_intErrno;
                }
            };
        }
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, kNewBytes), m_Case.m_strReason);
        }
        ExpectReplacedOrUnchanged(m_Path, m_intOldInode, *m_Case.m_strReason == '\0');
        char m_chrValue = 0;
        EXPECT_EQ(getxattr(m_Path.c_str(), "user.morvane", &m_chrValue, 1) == 1,
                  m_Case.m_IsUserAttributeKept);
        EXPECT_TRUE(TemporaryFilesIn(m_Path.parent_path()).empty());
    }
}

} // namespace
} // namespace morvane
