// Strict and lenient UTF-8, upper-casing and number text.

#include "TextTestData.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <climits>

namespace morvane {
namespace {

using test::HexToBytes;
using test::TTsvTable;

// Every verdict of a shared vector file, with the decoded text of each well-formed case written
// back to the same bytes.
void ExpectStrictVerdicts(std::string_view p_strFileName, std::string_view p_strIdColumn,
                          std::size_t p_intMinimumRows) {
    const TTsvTable m_Table(p_strFileName);
    ASSERT_GE(m_Table.RowCount(), p_intMinimumRows);
    for (std::size_t m_intRow = 0; m_intRow < m_Table.RowCount(); ++m_intRow) {
        const std::string m_strBytes = HexToBytes(m_Table.Cell(m_intRow, "hex"));
        const std::string& m_strVerdict = m_Table.Cell(m_intRow, "strict_utf8");
        ASSERT_TRUE(m_strVerdict == "valid" || m_strVerdict == "invalid") << m_strVerdict;
        std::u16string m_strText;
        const bool m_IsValid = DecodeUtf8Strict(m_strBytes, m_strText);
        EXPECT_EQ(m_IsValid, m_strVerdict == "valid") << m_Table.Cell(m_intRow, p_strIdColumn);
        if (m_IsValid) {
            EXPECT_EQ(Utf16ToUtf8(m_strText), m_strBytes) << m_Table.Cell(m_intRow, p_strIdColumn);
        }
        // Embedded in ASCII, also past the eight-byte fast path, the verdict must not change.
        const std::string m_strEmbedded = "0123456789" + m_strBytes + "abcdefghij";
        EXPECT_EQ(DecodeUtf8Strict(m_strEmbedded, m_strText), m_strVerdict == "valid")
            << m_Table.Cell(m_intRow, p_strIdColumn);
    }
}

TEST(StrictUtf8, KuhnCasesMatchTheirVerdicts) {
    ExpectStrictVerdicts("kuhn-utf8-cases.tsv", "id", 80);
}

TEST(StrictUtf8, WebPlatformFatalCasesAreAllRejected) {
    ExpectStrictVerdicts("wpt-utf8-fatal-cases.tsv", "name", 33);
}

TEST(StrictUtf8, KuhnStressFileIsInvalidAsAWhole) {
    const std::string m_strBytes = test::ReadWholeFile(test::EncodingDataPath("UTF-8-test.txt"));
    ASSERT_EQ(m_strBytes.size(), 22835U);
    std::u16string m_strText;
    EXPECT_FALSE(DecodeUtf8Strict(m_strBytes, m_strText));
    // Everything before its first error (byte 4461) is well-formed.
    EXPECT_TRUE(DecodeUtf8Strict(std::string_view(m_strBytes).substr(0, 4461), m_strText));
}

TEST(StrictUtf8, DecodesAllSequenceLengths) {
    std::u16string m_strText;
    ASSERT_TRUE(DecodeUtf8Strict("A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", m_strText));
    EXPECT_EQ(m_strText, u"A\u00E9\u4E2D\U0001F600");
    ASSERT_TRUE(DecodeUtf8Strict("", m_strText));
    EXPECT_TRUE(m_strText.empty());
}

TEST(StrictUtf8, ReusesTheTargetAndDropsOldContent) {
    std::u16string m_strText(1000, u'x');
    ASSERT_TRUE(DecodeUtf8Strict("ab", m_strText));
    EXPECT_EQ(m_strText, u"ab");
}

// Bytes that come in pieces: a sequence cut by the end waits for more, a broken one ends it all.
TEST(StrictUtf8, PrefixTellsACutSequenceFromABrokenOne) {
    struct TCase {
        std::string g_strBytes;
        std::size_t g_intWhole;
        bool g_IsIllFormed;
    };
    const TCase m_arrCases[] = {
        {"", 0, false},
        {"plain", 5, false},
        {"a\xC3\xA9", 3, false},
        {"a\xC3", 1, false},
        {"a\xE4\xB8", 1, false},
        {"0123456789abcdef\xF0\x9F\x98", 16, false},
        {"a\xE0\x80", 1, true}, // overlong even before its last byte
        {"a\xED\xA0", 1, true}, // a surrogate's first two bytes
        {"a\xF4\x90", 1, true}, // above U+10FFFF
        {"a\xC3"
         "a",
         1, true},
        {"a\xE4\xB8"
         "a",
         1, true},
        {"a\x80", 1, true},
        {"a\xFF", 1, true},
        {"\xC3\xA9\xC3", 2, false},
    };
    for (const TCase& m_Case : m_arrCases) {
        bool m_IsIllFormed = !m_Case.g_IsIllFormed;
        EXPECT_EQ(WellFormedUtf8Prefix(m_Case.g_strBytes, m_IsIllFormed), m_Case.g_intWhole)
            << m_Case.g_strBytes;
        EXPECT_EQ(m_IsIllFormed, m_Case.g_IsIllFormed) << m_Case.g_strBytes;
    }
}

// Whatever the length and wherever the one high byte is, against the blocks the test works in.
TEST(HasHighByte, FindsASingleHighByteAnywhere) {
    for (std::size_t m_intLength = 0; m_intLength <= 200; ++m_intLength) {
        const std::string m_strAscii(m_intLength, '\x7F');
        EXPECT_FALSE(HasHighByte(m_strAscii)) << m_intLength;
        for (std::size_t m_intAt = 0; m_intAt < m_intLength; ++m_intAt) {
            std::string m_strBytes = m_strAscii;
            m_strBytes[m_intAt] = '\x80';
            ASSERT_TRUE(HasHighByte(m_strBytes)) << m_intLength << " at " << m_intAt;
        }
    }
}

TEST(LenientUtf8, ReplacesEachMaximalIllFormedPart) {
    const struct {
        std::string_view g_strBytes;
        std::u16string_view g_strText;
    } m_arrCases[] = {
        {"abc", u"abc"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xE4\xB8", u"\uFFFD"}, // truncated: one replacement
        {"\xE4\xB8"
         "A",
         u"\uFFFDA"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
    };
    for (const auto& m_Case : m_arrCases) {
        EXPECT_EQ(Utf8ToUtf16Lenient(m_Case.g_strBytes), m_Case.g_strText);
    }
}

TEST(Utf16ToUtf8, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const std::u16string m_strLone{u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(Utf16ToUtf8(m_strLone), "a\xEF\xBF\xBD"
                                      "b\xEF\xBF\xBD");
}

TEST(UpperCase, AsciiFoldsOnlyLatinLetters) {
    EXPECT_EQ(AsciiUpperCase(std::u16string_view(u"azAZ09 äöü ñ ω ａ")), u"AZAZ09 äöü ñ ω ａ");
    EXPECT_EQ(AsciiUpperCase(std::string_view("ab.txt\xC3\xA4")), "AB.TXT\xC3\xA4");
}

TEST(UpperCase, FullFoldsEveryBmpLetterAndKeepsLength) {
    EXPECT_EQ(FullUpperCase(u"abc äöü ñ ω ａ ÿ"), u"ABC ÄÖÜ Ñ Ω Ａ Ÿ");
    // ß has no single-unit upper-case form: unchanged, length kept.
    EXPECT_EQ(FullUpperCase(u"ß"), u"ß");
    // Surrogate units are mapped one by one, i.e. not at all (Deseret small letter stays).
    const std::u16string m_strDeseret = u"\U00010428";
    EXPECT_EQ(FullUpperCase(m_strDeseret), m_strDeseret);
    const std::u16string m_strLone{char16_t(0xDC00), u'a'};
    EXPECT_EQ(FullUpperCase(m_strLone), (std::u16string{char16_t(0xDC00), u'A'}));
}

TEST(IntToText, PlainDecimal) {
    EXPECT_EQ(IntToText(0), u"0");
    EXPECT_EQ(IntToText(5000), u"5000");
    EXPECT_EQ(IntToText(-42), u"-42");
    EXPECT_EQ(IntToText(LLONG_MIN), u"-9223372036854775808");
}

} // namespace
} // namespace morvane
