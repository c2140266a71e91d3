// The rewrite against the system's own barriers: another user's rights, immutable files, a full
// disk, a file size limit and a read-only mount. Pieces that need root to set up skip without
// it; the pieces that change the process run in a child.

#include "FaultFs.h"
#include "RewriteTestSupport.h"
#include "TempTree.h"

#include "files/u_SafeRewrite.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace morvane {
namespace {

using test::CannotCreate;
using test::LinkStat;
using test::PermissionBits;
using test::RewriteOutcome;
using test::RunInChild;
using test::TemporaryFilesIn;
using test::TFaultFs;
using test::TScopedFileSystemOps;
using test::TTempTree;

constexpr std::string_view kOldBytes = "old content\r\n";
constexpr uid_t kRoot = 0;
constexpr uid_t kNobody = test::kNobodyId;

#define MORVANE_SKIP_UNLESS_ROOT()                                                                 \
    if (geteuid() != 0) {                                                                          \
        GTEST_SKIP() << "needs root";                                                              \
    }

TEST(SafeRewriteAsAnotherUser, HonoursTheRightsOfFileAndFolder) {
    MORVANE_SKIP_UNLESS_ROOT();
    const struct {
        const char* m_strCase;
        uid_t m_intFolderOwner;
        mode_t m_intFolderMode;
        uid_t m_intFileOwner;
        mode_t m_intFileMode;
        const char* m_strOsText; // nullptr: the rewrite succeeds
        bool m_IsCannotCreate;
    } m_arrCases[] = {
        {"own file", kNobody, 0755, kNobody, 0640, nullptr, false},
        {"own file in a read-only folder", kNobody, 0555, kNobody, 0644, "Permission denied", true},
        {"own read-only file", kNobody, 0755, kNobody, 0444, "Permission denied", true},
        {"another's file in a writable folder", kRoot, 0777, kRoot, 0644, "Permission denied",
         true},
        {"another's writable file", kRoot, 0777, kRoot, 0666, nullptr, false},
        {"another's writable file in a sticky folder", kRoot, 01777, kRoot, 0666,
         "Operation not permitted", false},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        TTempTree m_Tree;
        const auto m_Folder = m_Tree.MakeDir("dir");
        const auto m_Path = m_Tree.WriteFile("dir/a.txt", kOldBytes);
        ASSERT_EQ(chown(m_Path.c_str(), m_Case.m_intFileOwner, m_Case.m_intFileOwner), 0);
        ASSERT_EQ(chmod(m_Path.c_str(), m_Case.m_intFileMode), 0);
        ASSERT_EQ(chown(m_Folder.c_str(), m_Case.m_intFolderOwner, m_Case.m_intFolderOwner), 0);
        ASSERT_EQ(chmod(m_Folder.c_str(), m_Case.m_intFolderMode), 0);
        const ino_t m_intOldInode = LinkStat(m_Path).st_ino;

        const std::string m_strOutcome = RunInChild([&] {
            return test::BecomeNobody() ? RewriteOutcome(m_Path, "new")
                                        : std::string("cannot drop root");
        });

        if (m_Case.m_strOsText == nullptr) {
            EXPECT_EQ(m_strOutcome, "");
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), "new");
            // Owner and group cannot be given away by a user; the bits are kept.
            EXPECT_EQ(LinkStat(m_Path).st_uid, kNobody);
        } else {
            EXPECT_EQ(m_strOutcome, m_Case.m_IsCannotCreate
                                        ? CannotCreate(m_Path, m_Case.m_strOsText)
                                        : std::string(m_Case.m_strOsText));
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
            EXPECT_EQ(LinkStat(m_Path).st_ino, m_intOldInode);
            EXPECT_EQ(LinkStat(m_Path).st_uid, m_Case.m_intFileOwner);
        }
        EXPECT_EQ(PermissionBits(m_Path), m_Case.m_intFileMode);
        EXPECT_TRUE(TemporaryFilesIn(m_Folder).empty());
    }
}

// Sets inode flags for one scope; clears them again so the tree can be removed.
class TInodeFlags {
public:
    TInodeFlags(const std::filesystem::path& p_Path, int p_intFlags)
        : g_intFd(open(p_Path.c_str(), O_RDONLY | O_CLOEXEC)) {
        int m_intOld = 0;
        g_IsSet = g_intFd >= 0 && ioctl(g_intFd, FS_IOC_GETFLAGS, &m_intOld) == 0;
        g_intOld = m_intOld;
        int m_intNew = m_intOld | p_intFlags;
        g_IsSet = g_IsSet && ioctl(g_intFd, FS_IOC_SETFLAGS, &m_intNew) == 0;
    }
    ~TInodeFlags() {
        if (g_IsSet) {
            ioctl(g_intFd, FS_IOC_SETFLAGS, &g_intOld);
        }
        if (g_intFd >= 0) {
            close(g_intFd);
        }
    }
    TInodeFlags(const TInodeFlags&) = delete;
    TInodeFlags& operator=(const TInodeFlags&) = delete;
    bool IsSet() const { return g_IsSet; }

private:
    int g_intFd;
    int g_intOld = 0;
    bool g_IsSet = false;
};

TEST(SafeRewriteOnProtectedFiles, ImmutableAndAppendOnlyFilesFail) {
    MORVANE_SKIP_UNLESS_ROOT();
    for (const int m_intFlag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        SCOPED_TRACE(m_intFlag == FS_IMMUTABLE_FL ? "immutable" : "append only");
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
        const ino_t m_intOldInode = LinkStat(m_Path).st_ino;
        TInodeFlags m_Flags(m_Path, m_intFlag);
        if (!m_Flags.IsSet()) {
            GTEST_SKIP() << "the file system takes no inode flags";
        }

        EXPECT_EQ(RewriteOutcome(m_Path, "new"), CannotCreate(m_Path, "Operation not permitted"));

        EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
        EXPECT_EQ(LinkStat(m_Path).st_ino, m_intOldInode);
        EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
    }
}

enum class TLimit { SmallDisk, FileSizeLimit, ReadOnlyMount };

// In a child: mounts a 64 KiB file system (in a mount namespace of its own, gone with the child)
// or sets a file size limit, then rewrites a small file with content too large for it. Reports
// the reason, whether the old content survived and how many temporary files are left.
std::string RewriteUnderLimit(const std::filesystem::path& p_Folder, TLimit p_Limit,
                              bool p_IsFallocateUsable) {
    if (p_Limit != TLimit::FileSizeLimit) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", p_Folder.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
            return "SKIP: cannot mount a small file system";
        }
    }
    const auto m_Path = p_Folder / "a.txt";
    {
        std::ofstream m_Out(m_Path, std::ios::binary);
        m_Out << kOldBytes;
    }
    if (p_Limit == TLimit::FileSizeLimit) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit m_Limit{64 * 1024, 64 * 1024};
        if (setrlimit(RLIMIT_FSIZE, &m_Limit) != 0) {
            return "SKIP: cannot limit the file size";
        }
    }
    if (p_Limit == TLimit::ReadOnlyMount &&
        mount(nullptr, p_Folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return "SKIP: cannot make the mount read-only";
    }
    TFaultFs m_Fs;
    if (!p_IsFallocateUsable) {
        m_Fs.g_arrAlwaysFailing[TFaultFs::kFallocate] = EOPNOTSUPP;
    }
    std::string m_strOutcome;
    {
        TScopedFileSystemOps m_Scope(m_Fs);
        m_strOutcome = RewriteOutcome(m_Path, std::string(200 * 1024, 'n'));
    }
    return m_strOutcome + " | " + (TTempTree::ReadBytes(m_Path) == kOldBytes ? "old" : "changed") +
           " | temporary files: " + std::to_string(TemporaryFilesIn(p_Folder).size());
}

// The size limit needs no privilege; the mounts need root and come last, so a skip loses
// nothing else.
TEST(SafeRewriteOnAFullDisk, TheOldFileSurvives) {
    TTempTree m_Tree;
    const auto m_Folder = m_Tree.MakeDir("small");
    const auto m_Path = m_Folder / "a.txt";
    const struct {
        const char* m_strCase;
        TLimit m_Limit;
        bool m_IsFallocateUsable;
        std::string m_strOutcome;
    } m_arrCases[] = {
        {"size limit, space reserved first", TLimit::FileSizeLimit, true, "File too large"},
        {"size limit, no reservation", TLimit::FileSizeLimit, false, "Stream write error"},
        {"small disk, space reserved first", TLimit::SmallDisk, true, "No space left on device"},
        {"small disk, no reservation", TLimit::SmallDisk, false, "Stream write error"},
        {"read-only mount", TLimit::ReadOnlyMount, true,
         CannotCreate(m_Path, "Read-only file system")},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        const std::string m_strReport = RunInChild([&] {
            return RewriteUnderLimit(m_Folder, m_Case.m_Limit, m_Case.m_IsFallocateUsable);
        });
        if (m_strReport.starts_with("SKIP: ")) {
            GTEST_SKIP() << m_strReport;
        }
        EXPECT_EQ(m_strReport, m_Case.m_strOutcome + " | old | temporary files: 0");
        std::filesystem::remove_all(m_Folder);
        std::filesystem::create_directory(m_Folder);
    }
}

} // namespace
} // namespace morvane
