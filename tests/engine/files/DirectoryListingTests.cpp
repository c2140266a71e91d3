// The listing the walks share: what kind each entry is, and how a folder that cannot be listed,
// or that a link has replaced, tells so.

#include "TempTree.h"

#include "files/u_DirectoryListing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#include <sys/stat.h>

namespace morvane::test {
namespace {

TEST(DirectoryListing, TellsEachEntrysKindAndLeavesLinksOut) {
    TTempTree m_Tree;
    m_Tree.WriteFile("file.txt", "x");
    m_Tree.MakeDir("folder");
    m_Tree.MakeSymlink(m_Tree.Path("folder").string(), "link");
    ASSERT_EQ(mkfifo(m_Tree.Path("pipe").c_str(), 0644), 0);
    TDirectoryListing m_Listing(m_Tree.RootWithSlash());
    std::map<std::string, TDirectoryListing::TEntryKind> m_arrKinds;
    while (m_Listing.Next()) {
        m_arrKinds[m_Listing.EntryName()] = m_Listing.EntryKind();
    }
    EXPECT_EQ(m_Listing.ErrorCode(), 0);
    const std::map<std::string, TDirectoryListing::TEntryKind> m_arrExpected = {
        {"file.txt", TDirectoryListing::TEntryKind::RegularFile},
        {"folder", TDirectoryListing::TEntryKind::Directory},
        {"pipe", TDirectoryListing::TEntryKind::Other},
    };
    EXPECT_EQ(m_arrKinds, m_arrExpected);
}

// Opening a folder through its parent: what each kind of name gives.
TEST(DirectoryListing, AFolderOpenedThroughItsParentIsNeverALink) {
    TTempTree m_Tree;
    m_Tree.WriteFile("folder/inner.txt", "x");
    m_Tree.WriteFile("file.txt", "x");
    m_Tree.MakeSymlink(m_Tree.Path("folder").string(), "link");
    const TDirectoryListing m_Parent(m_Tree.RootWithSlash());
    struct TCase {
        const char* g_strName;
        int g_intErrorCode;
        bool g_IsNotFollowed;
    };
    const TCase m_arrCases[] = {
        {"folder", 0, false},
        {"link", ENOTDIR, true}, // Linux says so for O_DIRECTORY | O_NOFOLLOW
        {"file.txt", ENOTDIR, true},
        {"missing", ENOENT, false},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_strName);
        const TDirectoryListing m_Listing(m_Parent, m_Case.g_strName);
        EXPECT_EQ(m_Listing.ErrorCode(), m_Case.g_intErrorCode);
        EXPECT_EQ(m_Listing.IsNotFollowed(), m_Case.g_IsNotFollowed);
        EXPECT_EQ(m_Listing.IsOpen(), m_Case.g_intErrorCode == 0);
    }
    // The folder reached through its parent is the folder its path names, and the holder of a
    // log folder is known by name even before that folder exists.
    const TDirectoryListing m_Folder(m_Parent, "folder");
    EXPECT_TRUE(m_Folder.Identity().IsSame(FolderIdentityOf(m_Tree.Path("folder").string())));
    EXPECT_TRUE(
        IsOneOfFolders(m_Folder, FolderAndParentIdentities(m_Tree.Path("folder/sub").string())));
}

} // namespace
} // namespace morvane::test
