// The match test (ASCII letters folded) and the replacement (every BMP letter folded).

#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <gtest/gtest.h>

#include <random>

namespace morvane {
namespace {

struct TContainsCase {
    std::u16string_view g_strText;
    std::u16string_view g_strOldText; // as the caller passes it
    bool g_IsMatchCase;
    bool g_IsContained;
};

TEST(ContainsFindText, FoldsOnlyAsciiLettersWhenCaseIsIgnored) {
    const TContainsCase m_arrCases[] = {
        {u"", u"A", false, false},
        {u"abc", u"", false, false},
        {u"", u"", true, false},
        {u"Hello World", u"WORLD", false, true},
        {u"Hello WoRlD", u"WORLD", false, true},
        {u"Hello World", u"world", true, false},
        {u"Hello World", u"World", true, true},
        {u"über", u"üBER", false, true},  // "über" as the caller upper-cases it
        {u"Über", u"üBER", false, false}, // Ü is not folded by the match test
        {u"ÜBER", u"üBER", false, false},
        {u"Über über", u"üBER", false, true},
        {u"ΑΒΓ αβγ", u"αβγ", false, true},
        {u"ΑΒΓ", u"αβγ", false, false},
        {u"ａｂｃ", u"ＡＢＣ", false, false}, // full-width letters are not folded
        {u"line1\r\nline2", u"1\r\nL", false, true},
        {u"abc", u"abcd", false, false},
        {u"xxxxabcab", u"CAB", false, true},
        {u"\u0141x", u"AX", false, false}, // same low byte as 'A' in the shift table
        {u"aAaA", u"AAAA", false, true},
        {u"\U0001F600", u"\U0001F600", true, true},
    };
    for (const TContainsCase& m_Case : m_arrCases) {
        EXPECT_EQ(ContainsFindText(m_Case.g_strText, m_Case.g_strOldText, m_Case.g_IsMatchCase),
                  m_Case.g_IsContained)
            << Utf16ToUtf8(m_Case.g_strText) << " / " << Utf16ToUtf8(m_Case.g_strOldText);
    }
}

struct TReplaceCase {
    const char* g_strWhat;
    std::u16string_view g_strText;
    std::u16string_view g_strOldText;
    std::u16string_view g_strNewText;
    bool g_IsMatchCase;
    std::u16string_view g_strResult;
};

TEST(ReplaceAllOccurrences, LeftToRightWithoutOverlap) {
    const TReplaceCase m_arrCases[] = {
        {"two of three", u"aaa", u"aa", u"X", true, u"Xa"},
        {"two of three, ignoring case", u"aAa", u"AA", u"X", false, u"Xa"},
        {"four", u"aaaa", u"aa", u"b", true, u"bb"},
        {"exact case only", u"Ab ab AB", u"ab", u"x", true, u"Ab x AB"},
        {"any case", u"Ab ab AB", u"AB", u"x", false, u"x x x"},
        {"rest keeps its case", u"Hello HELLO hello", u"HELLO", u"Bye", false, u"Bye Bye Bye"},
        {"umlaut in both cases", u"Über über", u"üBER", u"x", false, u"x x"},
        {"Greek", u"Σίσυφος ΣΊΣΥΦΟΣ", u"σίσυφος", u"S", false, u"S S"},
        {"final sigma folds to sigma", u"ς", u"Σ", u"s", false, u"s"},
        {"sharp s does not fold", u"straße STRASSE", u"STRASSE", u"x", false, u"straße x"},
        {"replacement removes all", u"abc", u"ABC", u"", false, u""},
        {"replacement grows", u"a-a", u"A", u"<A>", false, u"<A>-<A>"},
        {"no occurrence", u"abc", u"d", u"x", false, u"abc"},
        {"empty find text", u"abc", u"", u"x", false, u"abc"},
        {"empty text", u"", u"a", u"x", false, u""},
        {"replacement holds the find text", u"ab", u"A", u"aa", false, u"aab"},
        {"across lines", u"a\r\nb", u"A\r\nB", u"c", false, u"c"},
        {"supplementary characters kept", u"\U0001F600a\U0001F600", u"A", u"b", false,
         u"\U0001F600b\U0001F600"},
    };
    for (const TReplaceCase& m_Case : m_arrCases) {
        EXPECT_EQ(ReplaceAllOccurrences(m_Case.g_strText, m_Case.g_strOldText, m_Case.g_strNewText,
                                        m_Case.g_IsMatchCase),
                  m_Case.g_strResult)
            << m_Case.g_strWhat;
    }
}

// The obvious quadratic search, to compare the skipping search with.
std::size_t NaiveFind(std::u16string_view p_strText, std::u16string_view p_strPattern,
                      std::size_t p_intFrom) {
    for (std::size_t m_intStart = p_intFrom; m_intStart + p_strPattern.size() <= p_strText.size();
         ++m_intStart) {
        if (p_strText.substr(m_intStart, p_strPattern.size()) == p_strPattern) {
            return m_intStart;
        }
    }
    return std::u16string_view::npos;
}

std::u16string NaiveReplace(std::u16string_view p_strText, std::u16string_view p_strOldText,
                            std::u16string_view p_strNewText, bool p_IsMatchCase) {
    const std::u16string m_strSearchText =
        p_IsMatchCase ? std::u16string(p_strText) : FullUpperCase(p_strText);
    const std::u16string m_strPattern =
        p_IsMatchCase ? std::u16string(p_strOldText) : FullUpperCase(p_strOldText);
    std::u16string m_strResult;
    std::size_t m_intCopied = 0;
    for (std::size_t m_intFound = NaiveFind(m_strSearchText, m_strPattern, 0);
         m_intFound != std::u16string_view::npos;
         m_intFound = NaiveFind(m_strSearchText, m_strPattern, m_intCopied)) {
        m_strResult.append(p_strText.substr(m_intCopied, m_intFound - m_intCopied));
        m_strResult.append(p_strNewText);
        m_intCopied = m_intFound + m_strPattern.size();
    }
    m_strResult.append(p_strText.substr(m_intCopied));
    return m_strResult;
}

// Small alphabets with letters in both cases, non-ASCII letters and units sharing a low byte
// make the skipping search meet every awkward alignment.
TEST(TextMatch, AgreesWithTheNaiveSearchOnRandomTexts) {
    const char16_t m_arrPool[] = {u'a', u'A', u'b', u'B', u'ä', u'Ä', u'\u0141', u'\u0161', u'\r'};
    std::mt19937 m_Random(99);
    auto m_doRandomText = [&](std::size_t p_intMaxLength) {
        std::u16string m_strText;
        const std::size_t m_intLength = m_Random() % (p_intMaxLength + 1);
        for (std::size_t m_intIndex = 0; m_intIndex < m_intLength; ++m_intIndex) {
            m_strText += m_arrPool[m_Random() % std::size(m_arrPool)];
        }
        return m_strText;
    };
    for (int m_intRound = 0; m_intRound < 50000; ++m_intRound) {
        const std::u16string m_strText = m_doRandomText(24);
        const std::u16string m_strOldText = m_doRandomText(4);
        const bool m_IsMatchCase = (m_Random() & 1) != 0;
        const std::u16string m_strFind =
            m_IsMatchCase ? m_strOldText : AsciiUpperCase(m_strOldText);
        const bool m_IsExpected = !m_strText.empty() && !m_strFind.empty() &&
                                  NaiveFind(m_IsMatchCase ? m_strText : AsciiUpperCase(m_strText),
                                            m_strFind, 0) != std::u16string_view::npos;
        ASSERT_EQ(ContainsFindText(m_strText, m_strFind, m_IsMatchCase), m_IsExpected)
            << m_intRound;
        if (!m_strFind.empty()) {
            ASSERT_EQ(ReplaceAllOccurrences(m_strText, m_strFind, u"<>", m_IsMatchCase),
                      NaiveReplace(m_strText, m_strFind, u"<>", m_IsMatchCase))
                << m_intRound;
        }
    }
}

} // namespace
} // namespace morvane
