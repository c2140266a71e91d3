// Log page lines, names, writing and reading back.

#include "TempTree.h"

#include "core/u_Types.h"
#include "logs/u_LogPage.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace morvane::test {
namespace {

std::vector<std::string> FolderNames(const std::filesystem::path& p_Path) {
    std::vector<std::string> m_arrNames;
    for (const auto& m_Entry : std::filesystem::directory_iterator(p_Path)) {
        m_arrNames.push_back(m_Entry.path().filename().string());
    }
    std::sort(m_arrNames.begin(), m_arrNames.end());
    return m_arrNames;
}

TEST(LogPage, BuildsTheLineLayoutOfEachMode) {
    struct TCase {
        std::int32_t g_intMode;
        std::int32_t g_intSequence;
        std::u16string g_strStatus;
        std::u16string g_strFileName;
        std::u16string g_strErrorMessage;
        std::u16string g_strLine;
    };
    const TCase m_arrCases[] = {
        {1, 17, u"成功", u"D:/site/index.htm", u"", u"17|成功|UTF8无Bom|D:/site/index.htm|"},
        {1, 18, u"失败", u"D:/site/locked.txt", u"Cannot create file \"x\". Denied",
         u"18|失败|UTF8无Bom|D:/site/locked.txt|Cannot create file \"x\". Denied"},
        {2, 5, u"成功", u"D:/site/readme.txt", u"", u"5|成功|UTF8无Bom|D:/site/readme.txt"},
        // Find mode carries a reason only for a file that could not be read.
        {2, 6, u"失败", u"/a", u"Permission denied", u"6|失败|UTF8无Bom|/a|Permission denied"},
        // Empty fields stay empty fields.
        {1, 1, u"成功", u"", u"", u"1|成功|UTF8无Bom||"},
        // "|", CR and LF inside a name or a reason are written as they are.
        {1, 2147483647, u"失败", u"/a|b\r\nc", u"x|y\n",
         u"2147483647|失败|UTF8无Bom|/a|b\r\nc|x|y\n"},
    };
    for (const auto& m_Case : m_arrCases) {
        EXPECT_EQ(BuildLogLine(m_Case.g_intMode, m_Case.g_intSequence, m_Case.g_strStatus,
                               u"UTF8无Bom", m_Case.g_strFileName, m_Case.g_strErrorMessage),
                  m_Case.g_strLine);
    }
}

TEST(LogPage, NamesPagesWithAtLeastSixDigits) {
    const std::pair<std::int32_t, std::u16string> m_arrCases[] = {
        {1, u"/logs/x/000001.txt"},
        {42, u"/logs/x/000042.txt"},
        {999999, u"/logs/x/999999.txt"},
        {1234567, u"/logs/x/1234567.txt"},
    };
    for (const auto& [m_intPage, m_strName] : m_arrCases) {
        EXPECT_EQ(LogPageFileName(u"/logs/x", m_intPage), m_strName);
    }
}

TEST(LogPage, WritesUtf8WithMarkAndCrLfAfterEveryLine) {
    TTempTree m_Tree;
    const std::u16string m_strPage = Utf8ToUtf16Lenient(m_Tree.Path("000001.txt").string());
    WriteLogPageFile(m_strPage, {u"1|成功|ANSI|/a", u"2|成功|ANSI|/b|c\rd"});
    EXPECT_EQ(m_Tree.ReadFile("000001.txt"), "\xEF\xBB\xBF"
                                             "1|成功|ANSI|/a\r\n2|成功|ANSI|/b|c\rd\r\n");
    EXPECT_EQ(FolderNames(m_Tree.Root()), std::vector<std::string>{"000001.txt"});

    // Replacing a page leaves only the new content and no temporary file.
    WriteLogPageFile(m_strPage, {u"3"});
    EXPECT_EQ(m_Tree.ReadFile("000001.txt"), "\xEF\xBB\xBF"
                                             "3\r\n");
    WriteLogPageFile(m_strPage, {});
    EXPECT_EQ(m_Tree.ReadFile("000001.txt"), "\xEF\xBB\xBF");
    EXPECT_EQ(FolderNames(m_Tree.Root()), std::vector<std::string>{"000001.txt"});
}

TEST(LogPage, AFailedWriteThrowsWithTheFileNameAndLeavesNothingBehind) {
    TTempTree m_Tree;
    m_Tree.WriteFile("file", "x");
    m_Tree.MakeDir("000002.txt");
    const std::string m_arrPages[] = {
        m_Tree.RootWithSlash() + "missing/000001.txt", m_Tree.RootWithSlash() + "file/000001.txt",
        m_Tree.RootWithSlash() + "000002.txt", // a folder holds the page's name
    };
    for (const auto& m_strPage : m_arrPages) {
        SCOPED_TRACE(m_strPage);
        try {
            WriteLogPageFile(Utf8ToUtf16Lenient(m_strPage), {u"1|成功|ANSI|/a"});
            ADD_FAILURE() << "no error";
        } catch (const TEngineError& m_Error) {
            const std::string m_strMessage = m_Error.what();
            EXPECT_NE(m_strMessage.find("\"" + m_strPage + "\". "), std::string::npos)
                << m_strMessage;
            EXPECT_FALSE(m_strMessage.ends_with(". ")) << "a reason follows";
        }
    }
    EXPECT_EQ(FolderNames(m_Tree.Root()), (std::vector<std::string>{"000002.txt", "file"}));
    EXPECT_TRUE(std::filesystem::is_empty(m_Tree.Path("000002.txt")));
}

TEST(LogPage, ReadsPagesBackWhateverTheirLineBreaks) {
    struct TCase {
        const char* g_strName;
        std::string g_strBytes;
        std::vector<std::u16string> g_arrLines;
    };
    const TCase m_arrCases[] = {
        {"written",
         "\xEF\xBB\xBF"
         "1|成功|ANSI|/a\r\n2|成功|ANSI|/b\r\n",
         {u"1|成功|ANSI|/a", u"2|成功|ANSI|/b"}},
        {"mixed breaks", "a\r\nb\rc\nd\n\re", {u"a", u"b", u"c", u"d", u"", u"e"}},
        {"empty lines", "\r\n\r\nx\r\n", {u"", u"", u"x"}},
        {"no final break", "\xEF\xBB\xBFx", {u"x"}},
        {"only the mark", "\xEF\xBB\xBF", {}},
        {"empty", "", {}},
        {"lone CR at the end", "x\r", {u"x"}},
        {"two marks", "\xEF\xBB\xBF\xEF\xBB\xBFx", {u"\uFEFFx"}},
        {"ill-formed UTF-8", "a\xFFz\n", {u"a\uFFFDz"}},
    };
    TTempTree m_Tree;
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_strName);
        const auto m_Path = m_Tree.WriteFile("page.txt", m_Case.g_strBytes);
        std::vector<std::u16string> m_arrLines{u"stale"};
        ASSERT_TRUE(ReadLogPageFile(Utf8ToUtf16Lenient(m_Path.string()), m_arrLines));
        EXPECT_EQ(m_arrLines, m_Case.g_arrLines);
    }
}

TEST(LogPage, ReadingAMissingPageFails) {
    TTempTree m_Tree;
    m_Tree.MakeDir("folder.txt");
    std::vector<std::u16string> m_arrLines{u"stale"};
    EXPECT_FALSE(ReadLogPageFile(Utf8ToUtf16Lenient(m_Tree.Path("none.txt").string()), m_arrLines));
    EXPECT_TRUE(m_arrLines.empty());
    EXPECT_FALSE(
        ReadLogPageFile(Utf8ToUtf16Lenient(m_Tree.Path("folder.txt").string()), m_arrLines));
}

TEST(LogPage, WhatIsWrittenReadsBackLineForLine) {
    TTempTree m_Tree;
    const std::u16string m_strPage = Utf8ToUtf16Lenient(m_Tree.Path("000007.txt").string());
    std::vector<std::u16string> m_arrWritten;
    for (int m_intIndex = 1; m_intIndex <= 5000; ++m_intIndex) {
        m_arrWritten.push_back(BuildLogLine(1, m_intIndex, u"成功", u"UTF16LE",
                                            u"/数据/文件" + IntToText(m_intIndex) + u".txt", u""));
    }
    WriteLogPageFile(m_strPage, m_arrWritten);
    std::vector<std::u16string> m_arrRead;
    ASSERT_TRUE(ReadLogPageFile(m_strPage, m_arrRead));
    EXPECT_EQ(m_arrRead, m_arrWritten);
}

} // namespace
} // namespace morvane::test
