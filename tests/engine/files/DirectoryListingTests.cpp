// The listing the walks share: how a folder that cannot be listed, or that a link has replaced,
// tells so.

#include "TempTree.h"

#include "files/u_DirectoryListing.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace morvane::test {
namespace {

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
