// The rewrite on the real file system: what the file looks like afterwards, and the files it must
// refuse to touch.

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

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
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
using test::TTempTree;

constexpr std::string_view kOldBytes = "old line one\r\nold line two\r\n";

TEST(SafeRewrite, ReplacesTheContentAndLeavesNoTemporaryFile) {
    const struct {
        const char* m_strCase;
        std::string m_strNew;
    } m_arrCases[] = {
        {"shorter", "new\r\n"},
        {"empty", ""},
        {"longer than the old", std::string(300000, 'n')},
        {"binary", std::string("\xff\xfe\0\r\n", 5)},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
        ASSERT_EQ(chmod(m_Path.c_str(), 0644), 0);
        const ino_t m_intOldInode = LinkStat(m_Path).st_ino;

        EXPECT_EQ(RewriteOutcome(m_Path, m_Case.m_strNew), "");

        EXPECT_EQ(TTempTree::ReadBytes(m_Path), m_Case.m_strNew);
        EXPECT_EQ(PermissionBits(m_Path), 0644u);
        EXPECT_NE(LinkStat(m_Path).st_ino, m_intOldInode) << "written in place, not replaced";
        EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
    }
}

TEST(SafeRewrite, KeepsThePermissionBits) {
    for (const mode_t m_intMode : {0600, 0640, 0644, 0755, 04755, 02750, 06711, 01644}) {
        SCOPED_TRACE(std::to_string(m_intMode));
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile("a.sh", kOldBytes);
        ASSERT_EQ(chmod(m_Path.c_str(), m_intMode), 0);

        EXPECT_EQ(RewriteOutcome(m_Path, "new"), "");

        EXPECT_EQ(TTempTree::ReadBytes(m_Path), "new");
        EXPECT_EQ(PermissionBits(m_Path), m_intMode);
    }
}

TEST(SafeRewrite, KeepsOwnerAndGroupWithSetIdBits) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    for (const mode_t m_intMode : {0640, 04755, 02755, 06750}) {
        SCOPED_TRACE(std::to_string(m_intMode));
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile("a.sh", kOldBytes);
        ASSERT_EQ(chown(m_Path.c_str(), 1234, 5678), 0);
        ASSERT_EQ(chmod(m_Path.c_str(), m_intMode), 0);

        EXPECT_EQ(RewriteOutcome(m_Path, "new"), "");

        const struct stat m_Stat = LinkStat(m_Path);
        EXPECT_EQ(m_Stat.st_uid, 1234u);
        EXPECT_EQ(m_Stat.st_gid, 5678u);
        EXPECT_EQ(m_Stat.st_mode & 07777, m_intMode);
    }
}

// The rename needs only the folder's permission; a read-only file must fail all the same, also
// for root, for whom the system itself would allow the write.
TEST(SafeRewrite, AReadOnlyFileFailsAndStaysAsItWas) {
    for (const mode_t m_intMode : {0444, 0400, 0555, 04555}) {
        SCOPED_TRACE(std::to_string(m_intMode));
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
        ASSERT_EQ(chmod(m_Path.c_str(), m_intMode), 0);
        const struct stat m_Before = LinkStat(m_Path);

        EXPECT_EQ(RewriteOutcome(m_Path, "new"), CannotCreate(m_Path, "Permission denied"));

        const struct stat m_After = LinkStat(m_Path);
        EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
        EXPECT_EQ(m_After.st_ino, m_Before.st_ino);
        EXPECT_EQ(m_After.st_mode, m_Before.st_mode);
        EXPECT_EQ(m_After.st_mtim.tv_nsec, m_Before.st_mtim.tv_nsec);
        EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
    }
}

TEST(SafeRewrite, TheFailureReasonNamesTheFileAsTheUserSeesIt) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
    ASSERT_EQ(chmod(m_Path.c_str(), 0444), 0);

    EXPECT_EQ(RewriteOutcome(m_Path.string(), "new", u"D:\\数据\\a.txt"),
              "Cannot create file \"D:\\数据\\a.txt\". Permission denied");
}

// A new file under one name would leave the other names with the old content.
TEST(SafeRewrite, AFileWithMoreThanOneHardLinkIsLeftAlone) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
    const auto m_Other = m_Tree.Path("b.txt");
    ASSERT_EQ(link(m_Path.c_str(), m_Other.c_str()), 0);
    const ino_t m_intInode = LinkStat(m_Path).st_ino;

    EXPECT_EQ(RewriteOutcome(m_Path, "new"), kFileHasHardLinksMessage);

    for (const auto& m_Name : {m_Path, m_Other}) {
        EXPECT_EQ(TTempTree::ReadBytes(m_Name), kOldBytes);
        EXPECT_EQ(LinkStat(m_Name).st_ino, m_intInode);
        EXPECT_EQ(LinkStat(m_Name).st_nlink, 2u);
    }
    EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
}

// Extended attributes: the user's own always, a security label where this user may set one.
TEST(SafeRewrite, KeepsTheExtendedAttributes) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
    const std::string m_strBinary("\0\x01\xff value", 9);
    const struct {
        const char* m_strName;
        std::string m_strValue;
    } m_arrAttributes[] = {
        {"user.morvane.text", "some text"},
        {"user.morvane.binary", m_strBinary},
        {"user.morvane.empty", ""},
        {"security.morvane", "label"},
    };
    std::vector<std::pair<std::string, std::string>> m_arrSet;
    for (const auto& m_Attribute : m_arrAttributes) {
        if (setxattr(m_Path.c_str(), m_Attribute.m_strName, m_Attribute.m_strValue.data(),
                     m_Attribute.m_strValue.size(), 0) == 0) {
            m_arrSet.emplace_back(m_Attribute.m_strName, m_Attribute.m_strValue);
        }
    }
    if (m_arrSet.empty()) {
        GTEST_SKIP() << "this file system keeps no extended attributes for this user";
    }

    EXPECT_EQ(RewriteOutcome(m_Path, "new"), "");

    EXPECT_EQ(TTempTree::ReadBytes(m_Path), "new");
    for (const auto& [m_strName, m_strValue] : m_arrSet) {
        char m_arrValue[64] = {};
        const ssize_t m_intSize =
            getxattr(m_Path.c_str(), m_strName.c_str(), m_arrValue, sizeof m_arrValue);
        ASSERT_GE(m_intSize, 0) << m_strName;
        EXPECT_EQ(std::string(m_arrValue, static_cast<std::size_t>(m_intSize)), m_strValue)
            << m_strName;
    }
}

TEST(SafeRewrite, ASymbolicLinkIsNeverFollowed) {
    TTempTree m_Tree;
    const auto m_Target = m_Tree.WriteFile("target.txt", kOldBytes);
    const auto m_Link = m_Tree.MakeSymlink(m_Target.string(), "link.txt");
    const TFileIdentity m_Identity = IdentityAfterReading(m_Target);

    // Even handed the target's identity, the link's name is not written through.
    EXPECT_EQ(RewriteOutcome(m_Link, m_Identity, "new"), kFileChangedSinceReadMessage);

    EXPECT_TRUE(std::filesystem::is_symlink(m_Link));
    EXPECT_EQ(TTempTree::ReadBytes(m_Target), kOldBytes);
    EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
}

// Between the read and the rewrite another program may delete, change or replace the file.
TEST(SafeRewrite, AFileThatChangedAfterTheReadIsNeitherOverwrittenNorBroughtBack) {
    TTempTree m_Tree;
    const auto m_Elsewhere = m_Tree.WriteFile("elsewhere.txt", "another file");
    const struct {
        const char* m_strCase;
        std::function<void(const std::filesystem::path&)> m_doChange;
        bool m_IsGone;
    } m_arrCases[] = {
        {"deleted", [](const auto& p_Path) { std::filesystem::remove(p_Path); }, true},
        {"appended to", [](const auto& p_Path) { std::ofstream(p_Path, std::ios::app) << "x"; },
         false},
        {"same size, new content",
         [](const auto& p_Path) {
             std::ofstream(p_Path, std::ios::binary | std::ios::trunc)
                 << std::string(kOldBytes.size(), 'z');
         },
         false},
        {"same size, new content, times set back",
         [](const auto& p_Path) {
             std::ofstream(p_Path, std::ios::binary | std::ios::trunc)
                 << std::string(kOldBytes.size(), 'z');
             const timespec m_arrTimes[2] = {{1000000000, 0}, {1000000000, 0}};
             utimensat(AT_FDCWD, p_Path.c_str(), m_arrTimes, 0);
         },
         false},
        {"replaced by another file",
         [&](const auto& p_Path) {
             std::filesystem::copy_file(m_Elsewhere, p_Path.string() + ".new");
             std::filesystem::rename(p_Path.string() + ".new", p_Path);
         },
         false},
        {"replaced by a link",
         [&](const auto& p_Path) {
             std::filesystem::remove(p_Path);
             std::filesystem::create_symlink(m_Elsewhere, p_Path);
         },
         false},
        {"replaced by a folder",
         [](const auto& p_Path) {
             std::filesystem::remove(p_Path);
             std::filesystem::create_directory(p_Path);
         },
         false},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
        // An old time stamp, so a change within the same clock tick still shows.
        const timespec m_arrTimes[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, m_Path.c_str(), m_arrTimes, 0), 0);
        const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
        m_Case.m_doChange(m_Path);
        const struct stat m_Changed = LinkStat(m_Path);
        if (m_Changed.st_ino == m_Identity.g_intInode &&
            ChangedNs(m_Changed) == m_Identity.g_intChangedNs) {
            // A clock too coarse to tell the change from the read: nothing can see it.
            std::filesystem::remove_all(m_Path);
            continue;
        }
        const bool m_IsLink = std::filesystem::is_symlink(m_Path);
        const bool m_IsFolder = !m_IsLink && std::filesystem::is_directory(m_Path);
        const std::string m_strChanged =
            m_Case.m_IsGone || m_IsFolder ? "" : TTempTree::ReadBytes(m_Path);

        EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, "new"), kFileChangedSinceReadMessage);

        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(m_Path)),
                  !m_Case.m_IsGone);
        EXPECT_EQ(std::filesystem::is_symlink(m_Path), m_IsLink);
        if (!m_Case.m_IsGone && !m_IsFolder) {
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), m_strChanged);
        }
        EXPECT_EQ(m_Tree.ReadFile("elsewhere.txt"), "another file");
        EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
        std::filesystem::remove_all(m_Path);
    }
}

// A program that holds the file open for writing may write at any moment; the file is left to it.
TEST(SafeRewrite, AFileOpenForWritingElsewhereIsLeftAlone) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", kOldBytes);
    const TFileIdentity m_Identity = IdentityAfterReading(m_Path);
    const int m_intWriterFd = open(m_Path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(m_intWriterFd, 0);
    const std::string m_strOutcome = RewriteOutcome(m_Path, m_Identity, "new");
    close(m_intWriterFd);
    if (m_strOutcome.empty()) {
        GTEST_SKIP() << "no read leases here";
    }

    EXPECT_EQ(m_strOutcome, kFileBeingWrittenMessage);
    EXPECT_EQ(TTempTree::ReadBytes(m_Path), kOldBytes);
    EXPECT_TRUE(TemporaryFilesIn(m_Tree.Root()).empty());
    EXPECT_EQ(RewriteOutcome(m_Path, m_Identity, "new"), "");
}

// The temporary file's name never grows with the target's, and native names are used as bytes.
TEST(SafeRewrite, WorksOnAnyFileName) {
    const std::string m_arrNames[] = {
        std::string(251, 'n') + ".txt", // the longest name a folder entry may have
        " leading and trailing .txt",   "a|b\"c.txt", "line\nbreak\r.txt",
        "\xff\xfe not UTF-8.txt",       "文件名.txt", ".~mv.txt",
    };
    for (const auto& m_strName : m_arrNames) {
        SCOPED_TRACE(m_strName);
        TTempTree m_Tree;
        const auto m_Path = m_Tree.WriteFile(m_strName, kOldBytes);

        EXPECT_EQ(RewriteOutcome(m_Path, "new"), "");

        EXPECT_EQ(TTempTree::ReadBytes(m_Path), "new");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_Tree.Root()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

TEST(SafeRewrite, RecognisesItsOwnTemporaryNames) {
    const struct {
        const char* m_strName;
        bool m_IsTemporary;
    } m_arrCases[] = {
        {".~mvabc12345.tmp", true},
        {".~mv00000000.tmp", true},
        {".~mvabc1234.tmp", false},
        {".~mvabc123456.tmp", false},
        {".~mvABC12345.tmp", false},
        {".~mvabc12345.txt", false},
        {"x.~mvabc12345.tmp", false},
        {"a.txt", false},
        {"", false},
    };
    for (const auto& m_Case : m_arrCases) {
        EXPECT_EQ(IsRewriteTemporaryName(m_Case.m_strName), m_Case.m_IsTemporary)
            << m_Case.m_strName;
    }
}

} // namespace
} // namespace morvane
