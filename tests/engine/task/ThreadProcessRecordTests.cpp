// What the task does with each wanted file: records, live rows, counters and rewrites.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "text/u_AnsiCodePage.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace morvane::test {
namespace {

class ThreadProcessRecords : public ::testing::Test {
protected:
    ThreadProcessRecords() {
        SetAnsiCodePage(1252);
        g_Tree.MakeDir("tree");
        g_Tree.MakeDir("logs");
    }
    ~ThreadProcessRecords() override { SetAnsiCodePage(0); }

    TTaskParameters Parameters(std::int32_t p_intMode) const {
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = p_intMode;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = TreeRoot();
        return m_Parameters;
    }
    std::string TreeRoot() const { return g_Tree.RootWithSlash() + "tree/"; }
    std::string TreeFile(const std::string& p_strName) const { return TreeRoot() + p_strName; }

    std::vector<std::string> PageLines() const {
        return ReadPageLines(g_Tree.Path("logs/000001.txt"));
    }

    static ino_t Inode(const std::filesystem::path& p_Path) {
        struct stat m_Stat {};
        EXPECT_EQ(stat(p_Path.c_str(), &m_Stat), 0);
        return m_Stat.st_ino;
    }

    TTempTree g_Tree;
};

TEST_F(ThreadProcessRecords, FindModeReportsMatchesAndNeverWrites) {
    g_Tree.WriteFiles({{"tree/hit.txt", "a Needle\n"}, {"tree/miss.txt", "nothing\n"}});
    const auto m_intInode = Inode(g_Tree.Path("tree/hit.txt"));
    TTaskHarness m_Harness(Parameters(kModeFind));
    m_Harness.Run();

    TThreadProcess& m_Thread = m_Harness.Thread();
    EXPECT_EQ(m_Thread.g_intSearchFileCount, 2);
    EXPECT_EQ(m_Thread.g_intMatchingFileCount, 1);
    EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount, 0);
    EXPECT_EQ(m_Thread.g_intReplaceFailureFileCount, 0);
    EXPECT_EQ(g_Tree.ReadFile("tree/hit.txt"), "a Needle\n");
    EXPECT_EQ(Inode(g_Tree.Path("tree/hit.txt")), m_intInode);

    const std::string m_strLine = "1|成功|UTF8无Bom|" + TreeFile("hit.txt");
    EXPECT_EQ(PageLines(), std::vector<std::string>{m_strLine});
    ASSERT_EQ(m_Harness.g_arrRecordLines.size(), 1u);
    EXPECT_EQ(Utf16ToUtf8(m_Harness.g_arrRecordLines[0]), m_strLine);
    ASSERT_EQ(m_Harness.g_lvwFileList.g_arrRows.size(), 1u);
    const TFakeRow& m_Row = m_Harness.g_lvwFileList.g_arrRows[0];
    EXPECT_EQ(m_Row.g_strCaption, u"");
    EXPECT_EQ(m_Row.g_intImageIndex, 0);
    EXPECT_EQ(m_Row.g_arrSubItems,
              (std::vector<std::u16string>{u"1", u"成功", u"UTF8无Bom",
                                           Utf8ToUtf16Lenient(TreeFile("hit.txt"))}));
    using TPagerCall = std::tuple<std::int32_t, std::int32_t, std::int32_t>;
    EXPECT_EQ(m_Harness.g_arrPagerCalls, std::vector<TPagerCall>{TPagerCall(1, 5000, 1)});
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
}

TEST_F(ThreadProcessRecords, ReplaceModeRewritesMatchesInTheLineModel) {
    g_Tree.WriteFiles(
        {{"tree/hit.txt", "one needle\ntwo NEEDLE\rthree"}, {"tree/miss.txt", "nothing\n"}});
    TTaskHarness m_Harness(Parameters(kModeReplace));
    m_Harness.Run();

    TThreadProcess& m_Thread = m_Harness.Thread();
    EXPECT_EQ(m_Thread.g_intMatchingFileCount, 1);
    EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount, 1);
    EXPECT_EQ(m_Thread.g_intReplaceFailureFileCount, 0);
    EXPECT_EQ(g_Tree.ReadFile("tree/hit.txt"), "one pin\ntwo pin\rthree");
    EXPECT_EQ(g_Tree.ReadFile("tree/miss.txt"), "nothing\n");
    EXPECT_EQ(PageLines(),
              std::vector<std::string>{"1|成功|UTF8无Bom|" + TreeFile("hit.txt") + "|"});
    ASSERT_EQ(m_Harness.g_lvwFileList.g_arrRows.size(), 1u);
    EXPECT_EQ(m_Harness.g_lvwFileList.g_arrRows[0].g_arrSubItems.size(), 5u);
    EXPECT_EQ(m_Harness.g_lvwFileList.g_arrRows[0].g_arrSubItems[4], u"");
}

// Even a replacement that leaves the text as it was rewrites the file (with its own line breaks).
TEST_F(ThreadProcessRecords, MatchedFileIsAlwaysRewritten) {
    g_Tree.WriteFile("tree/same.txt", "NEEDLE\n");
    TTaskParameters m_Parameters = Parameters(kModeReplace);
    m_Parameters.g_strNewText = u"NEEDLE";
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intReplaceSuccessFileCount, 1);
    EXPECT_EQ(g_Tree.ReadFile("tree/same.txt"), "NEEDLE\n");
}

// A rewrite renames a new file onto the old name while the folder is being walked; the file must
// still be handled once only, or a replacement containing the find text would grow every time.
TEST_F(ThreadProcessRecords, EachFileIsReplacedOnceWhenTheReplacementHoldsTheFindText) {
    WriteManyFiles(g_Tree.Path("tree"), 0, 50, ".txt", "needle");
    TTaskParameters m_Parameters = Parameters(kModeReplace);
    m_Parameters.g_strNewText = u"needle needle";
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 50);
    EXPECT_EQ(m_Harness.Thread().g_intReplaceSuccessFileCount, 50);
    for (const auto& m_strFile : WalkOrder(TreeRoot())) {
        EXPECT_EQ(TTempTree::ReadBytes(m_strFile), "needle needle") << m_strFile;
    }
}

// Ignoring case folds ASCII letters of the find text only; the match test folds only ASCII
// letters of the file, while a matched file's replacement folds every letter.
TEST_F(ThreadProcessRecords, IgnoringCaseFoldsOnlyAsciiLettersInTheMatchTest) {
    g_Tree.WriteFiles({{"tree/1.txt", "ABCä\n"},
                       {"tree/2.txt", "abcÄ\n"},
                       {"tree/3.txt", "aBcä\n"},
                       {"tree/4.txt", "abcä\n"}});
    struct TCase {
        bool g_IsMatchCase;
        std::u16string g_strStoredOldText;
        std::vector<std::string> g_arrMatched;
    };
    const TCase m_arrCases[] = {
        {false, u"ABCä", {"1.txt", "3.txt", "4.txt"}},
        {true, u"abcä", {"4.txt"}},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_IsMatchCase);
        TTaskParameters m_Parameters = Parameters(kModeFind);
        m_Parameters.g_strOldText = u"abcä";
        m_Parameters.g_IsMatchCase = m_Case.g_IsMatchCase;
        TTaskHarness m_Harness(m_Parameters);
        EXPECT_EQ(m_Harness.Thread().g_strOldText, m_Case.g_strStoredOldText);
        m_Harness.Run();
        std::vector<std::string> m_arrMatched;
        for (const auto& m_Row : m_Harness.g_lvwFileList.g_arrRows) {
            m_arrMatched.push_back(Utf16ToUtf8(m_Row.g_arrSubItems[3]).substr(TreeRoot().size()));
        }
        std::sort(m_arrMatched.begin(), m_arrMatched.end());
        EXPECT_EQ(m_arrMatched, m_Case.g_arrMatched);
    }

    std::filesystem::remove_all(g_Tree.Path("tree"));
    g_Tree.WriteFile("tree/both.txt", "abcä ABCÄ\n");
    TTaskParameters m_Parameters = Parameters(kModeReplace);
    m_Parameters.g_strOldText = u"abcä";
    m_Parameters.g_strNewText = u"X";
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(g_Tree.ReadFile("tree/both.txt"), "X X\n");
}

// Rewrites that would fail or damage the file are "失败" records; the file stays byte for byte.
TEST_F(ThreadProcessRecords, FailedRewritesAreRecordedAndLeaveTheFileUnchanged) {
    struct TCase {
        const char* g_strName;
        std::string g_strBytes;
        mode_t g_intMode;
        const char* g_strEncodingName;
        const char* g_strReasonStart; // empty: any non-empty reason
        int g_intAnsiCodePage = 1252;
    };
    const TCase m_arrCases[] = {
        {"readonly.txt", "a needle\n", 0444, "UTF8无Bom", "Cannot create file"},
        {"nul.txt", std::string("needle\0tail\n", 12), 0644, "UTF8无Bom", ""},
        {"odd16.txt", std::string("\xFF\xFEn\0e\0e\0d\0l\0e\0!", 15), 0644, "UTF16LE", ""},
        // A GBK lead byte without its trail byte does not survive decoding and encoding.
        {"ansi.txt", "needle \x81\n", 0644, "ANSI", "", 936},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_strName);
        SetAnsiCodePage(m_Case.g_intAnsiCodePage);
        std::filesystem::remove_all(g_Tree.Path("tree"));
        std::filesystem::remove_all(g_Tree.Path("logs"));
        g_Tree.MakeDir("logs");
        const auto m_Path =
            g_Tree.WriteFile(std::string("tree/") + m_Case.g_strName, m_Case.g_strBytes);
        ASSERT_EQ(chmod(m_Path.c_str(), m_Case.g_intMode), 0);
        TTaskHarness m_Harness(Parameters(kModeReplace));
        m_Harness.Run();

        TThreadProcess& m_Thread = m_Harness.Thread();
        EXPECT_EQ(m_Thread.g_intMatchingFileCount, 1);
        EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount, 0);
        EXPECT_EQ(m_Thread.g_intReplaceFailureFileCount, 1);
        EXPECT_EQ(TTempTree::ReadBytes(m_Path), m_Case.g_strBytes);
        struct stat m_Stat {};
        ASSERT_EQ(stat(m_Path.c_str(), &m_Stat), 0);
        EXPECT_EQ(m_Stat.st_mode & 07777, m_Case.g_intMode);
        EXPECT_EQ(FolderNames(g_Tree.Path("tree")), std::vector<std::string>{m_Case.g_strName});

        ASSERT_EQ(m_Harness.g_lvwFileList.g_arrRows.size(), 1u);
        const TFakeRow& m_Row = m_Harness.g_lvwFileList.g_arrRows[0];
        EXPECT_EQ(m_Row.g_intImageIndex, 1);
        ASSERT_EQ(m_Row.g_arrSubItems.size(), 5u);
        EXPECT_EQ(m_Row.g_arrSubItems[1], u"失败");
        EXPECT_EQ(Utf16ToUtf8(m_Row.g_arrSubItems[2]), m_Case.g_strEncodingName);
        const std::string m_strReason = Utf16ToUtf8(m_Row.g_arrSubItems[4]);
        EXPECT_FALSE(m_strReason.empty());
        EXPECT_TRUE(m_strReason.starts_with(m_Case.g_strReasonStart)) << m_strReason;
        EXPECT_EQ(PageLines(),
                  std::vector<std::string>{"1|失败|" + std::string(m_Case.g_strEncodingName) + "|" +
                                           m_Path.string() + "|" + m_strReason});
    }
}

TEST_F(ThreadProcessRecords, FindModeReportsAReadOnlyMatchAsFound) {
    const auto m_Path = g_Tree.WriteFile("tree/readonly.txt", "needle");
    ASSERT_EQ(chmod(m_Path.c_str(), 0444), 0);
    TTaskHarness m_Harness(Parameters(kModeFind));
    m_Harness.Run();
    EXPECT_EQ(PageLines(), std::vector<std::string>{"1|成功|UTF8无Bom|" + m_Path.string()});
}

// Files that cannot be read in the encoding in effect are skipped without a record or a count.
TEST_F(ThreadProcessRecords, UnreadableFilesAreSkippedSilently) {
    struct TCase {
        const char* g_strName;
        std::string g_strBytes;
        std::int32_t g_intEncoding;
    };
    const TCase m_arrCases[] = {
        {"bad-utf8.txt", "needle \xC3\x28\n", 2},
        {"bad-utf8-bom.txt", "\xEF\xBB\xBFneedle \xE0\x80\x80\n", 3},
        {"utf32.txt", std::string("\xFF\xFE\0\0n\0\0\0", 8), 0},
        {"one-byte-utf16.txt", "\xFF\xFEn", 5},
        {"forced-out-of-range.txt", "needle", 6},
    };
    for (const std::int32_t m_intMode : {kModeFind, kModeReplace}) {
        for (const auto& m_Case : m_arrCases) {
            SCOPED_TRACE(std::string(m_Case.g_strName) + " mode " + std::to_string(m_intMode));
            std::filesystem::remove_all(g_Tree.Path("tree"));
            const auto m_Path =
                g_Tree.WriteFile(std::string("tree/") + m_Case.g_strName, m_Case.g_strBytes);
            TTaskParameters m_Parameters = Parameters(m_intMode);
            m_Parameters.g_intEncoding = m_Case.g_intEncoding;
            TTaskHarness m_Harness(m_Parameters);
            m_Harness.Run();
            EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 1);
            EXPECT_EQ(m_Harness.Thread().g_intMatchingFileCount, 0);
            EXPECT_EQ(m_Harness.Thread().g_intReplaceFailureFileCount, 0);
            EXPECT_TRUE(m_Harness.g_arrRecordLines.empty());
            EXPECT_EQ(TTempTree::ReadBytes(m_Path), m_Case.g_strBytes);
        }
    }
}

// A forced encoding wins over whatever mark the file carries; a foreign mark is text and is
// written back as text.
TEST_F(ThreadProcessRecords, ForcedEncodingsReadAndWriteInThatEncoding) {
    struct TCase {
        const char* g_strName;
        std::int32_t g_intEncoding;
        std::string g_strBefore;
        std::string g_strAfter;
        const char* g_strEncodingName;
    };
    const TCase m_arrCases[] = {
        {"ansi-over-utf8-mark", 1, "\xEF\xBB\xBFneedle\n", "\xEF\xBB\xBFpin\n", "ANSI"},
        {"utf8-drops-mark", 2, "\xEF\xBB\xBFneedle\n", "pin\n", "UTF8无Bom"},
        {"utf8-mark-added", 3, "needle\n", "\xEF\xBB\xBFpin\n", "UTF8有Bom"},
        {"be-over-le-mark", 4, std::string("\xFF\xFE\0n\0e\0e\0d\0l\0e", 14),
         std::string("\xFE\xFF\xFF\xFE\0p\0i\0n", 10), "UTF16BE"},
        {"detected-le", 0, std::string("\xFF\xFEn\0e\0e\0d\0l\0e\0", 14),
         std::string("\xFF\xFEp\0i\0n\0", 8), "UTF16LE"},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_strName);
        std::filesystem::remove_all(g_Tree.Path("tree"));
        std::filesystem::remove_all(g_Tree.Path("logs"));
        g_Tree.MakeDir("logs");
        const auto m_Path = g_Tree.WriteFile("tree/file.txt", m_Case.g_strBefore);
        TTaskParameters m_Parameters = Parameters(kModeReplace);
        m_Parameters.g_intEncoding = m_Case.g_intEncoding;
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        EXPECT_EQ(TTempTree::ReadBytes(m_Path), m_Case.g_strAfter);
        EXPECT_EQ(PageLines(),
                  std::vector<std::string>{"1|成功|" + std::string(m_Case.g_strEncodingName) + "|" +
                                           m_Path.string() + "|"});
    }
}

} // namespace
} // namespace morvane::test
