// The match test (ASCII letters folded) and the replacement (every BMP letter folded).

#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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

TEST(ReplaceInFileText, LeftToRightWithoutOverlap) {
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
        EXPECT_EQ(ReplaceInFileText(m_Case.g_strText, m_Case.g_strOldText, m_Case.g_strNewText,
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
    }
}

// The replacement in a file's own text, the obvious way: the model's text built whole, with the
// place in the file of each of its positions as a start and as an end (inside a CR LF of the
// model, the file's break is kept whole), searched naively and rebuilt.
std::u16string NaiveFileReplace(std::u16string_view p_strText, std::u16string_view p_strOldText,
                                std::u16string_view p_strNewText, bool p_IsMatchCase) {
    std::u16string m_strModel;
    std::vector<std::size_t> m_arrAsStart;
    std::vector<std::size_t> m_arrAsEnd;
    std::u16string m_strBreak;
    const auto m_doBreak = [&](std::size_t p_intAt, std::size_t p_intLength) {
        m_strModel += u"\r\n";
        m_arrAsStart.insert(m_arrAsStart.end(), {p_intAt, p_intAt + p_intLength});
        m_arrAsEnd.insert(m_arrAsEnd.end(), {p_intAt, p_intAt});
        if (m_strBreak.empty() && p_intLength > 0) {
            m_strBreak = p_strText.substr(p_intAt, p_intLength);
        }
    };
    std::size_t m_intAt = 0;
    while (m_intAt < p_strText.size()) {
        if (p_strText[m_intAt] == u'\r' || p_strText[m_intAt] == u'\n') {
            const std::size_t m_intLength =
                p_strText.substr(m_intAt, 2) == std::u16string_view(u"\r\n") ? 2 : 1;
            m_doBreak(m_intAt, m_intLength);
            m_intAt += m_intLength;
        } else {
            m_strModel += p_strText[m_intAt];
            m_arrAsStart.push_back(m_intAt);
            m_arrAsEnd.push_back(m_intAt);
            ++m_intAt;
        }
    }
    if (!p_strText.empty() && p_strText.back() != u'\r' && p_strText.back() != u'\n') {
        m_doBreak(p_strText.size(), 0);
    }
    m_arrAsStart.push_back(p_strText.size());
    m_arrAsEnd.push_back(p_strText.size());
    std::u16string m_strNewText;
    for (std::size_t m_intIndex = 0; m_intIndex < p_strNewText.size(); ++m_intIndex) {
        const char16_t m_intUnit = p_strNewText[m_intIndex];
        if (m_intUnit == u'\n' && m_intIndex > 0 && p_strNewText[m_intIndex - 1] == u'\r') {
            continue; // a CR LF of the replacement is one break
        }
        m_strNewText += (m_intUnit == u'\r' || m_intUnit == u'\n') ? u'\x01' : m_intUnit;
    }
    std::u16string m_strWritten;
    for (const char16_t m_intUnit : m_strNewText) {
        m_strWritten += m_intUnit == u'\x01' ? (m_strBreak.empty() ? u"\r\n" : m_strBreak)
                                             : std::u16string(1, m_intUnit);
    }
    const std::u16string m_strSearched = p_IsMatchCase ? m_strModel : FullUpperCase(m_strModel);
    const std::u16string m_strPattern =
        p_IsMatchCase ? std::u16string(p_strOldText) : FullUpperCase(p_strOldText);
    std::u16string m_strResult;
    std::size_t m_intCopied = 0;
    for (std::size_t m_intFound = NaiveFind(m_strSearched, m_strPattern, 0);
         m_intFound != std::u16string_view::npos;
         m_intFound = NaiveFind(m_strSearched, m_strPattern, m_intFound + m_strPattern.size())) {
        const std::size_t m_intStart = m_arrAsStart[m_intFound];
        m_strResult.append(p_strText.substr(m_intCopied, m_intStart - m_intCopied));
        m_strResult.append(m_strWritten);
        m_intCopied = m_arrAsEnd[m_intFound + m_strPattern.size()];
    }
    m_strResult.append(p_strText.substr(m_intCopied));
    return m_strResult;
}

// Random texts with every kind of break, find texts with and without breaks (also lone halves of
// one), against the naive replacement and, for the match test, against the model's text built
// whole.
TEST(ReplaceInFileText, AgreesWithTheNaiveReplacementOnRandomTexts) {
    const char16_t m_arrPool[] = {u'a', u'A', u'b', u'\u00e4', u'\u00c4', u'\r', u'\n'};
    std::mt19937 m_Random(1252);
    auto m_doRandomText = [&](std::size_t p_intMaxLength) {
        std::u16string m_strText;
        const std::size_t m_intLength = m_Random() % (p_intMaxLength + 1);
        for (std::size_t m_intIndex = 0; m_intIndex < m_intLength; ++m_intIndex) {
            m_strText += m_arrPool[m_Random() % std::size(m_arrPool)];
        }
        return m_strText;
    };
    const std::u16string m_arrNewTexts[] = {u"<>", u"", u"<\r\n>", u"\n", u"x\ry"};
    int m_intReplaced = 0;
    for (int m_intRound = 0; m_intRound < 50000; ++m_intRound) {
        const std::u16string m_strText = m_doRandomText(20);
        std::u16string m_strOldText = m_doRandomText(4);
        if (m_Random() % 2 == 0) {
            m_strOldText.insert(m_Random() % (m_strOldText.size() + 1), u"\r\n");
        }
        const bool m_IsMatchCase = (m_Random() & 1) != 0;
        const std::u16string m_strFind =
            m_IsMatchCase ? m_strOldText : AsciiUpperCase(m_strOldText);
        ASSERT_EQ(ModelTextContains(m_strText, m_strFind, m_IsMatchCase),
                  ContainsFindText(NormalizeLineBreaks(m_strText), m_strFind, m_IsMatchCase))
            << m_intRound;
        if (m_strFind.empty()) {
            continue;
        }
        const std::u16string& m_strNewText = m_arrNewTexts[m_intRound % std::size(m_arrNewTexts)];
        const std::u16string m_strResult =
            ReplaceInFileText(m_strText, m_strFind, m_strNewText, m_IsMatchCase);
        ASSERT_EQ(m_strResult, NaiveFileReplace(m_strText, m_strFind, m_strNewText, m_IsMatchCase))
            << m_intRound;
        m_intReplaced += m_strResult != m_strText ? 1 : 0;
    }
    EXPECT_GT(m_intReplaced, 5000);
}

// The model's text is made and searched in pieces of 65536 units: occurrences with breaks of
// every kind just before, on and after the seams, in a text whose model grows (lone breaks) or
// stays the length of the text (CR LF).
TEST(ReplaceInFileText, FindsOccurrencesAcrossThePiecesSeams) {
    for (const std::u16string_view m_strBreak : {u"\n", u"\r\n", u"\r"}) {
        std::u16string m_strText(3 * 65536 + 50, u'y');
        for (std::size_t m_intAt = 7; m_intAt + 10 < m_strText.size(); m_intAt += 997) {
            m_strText[m_intAt] = u'\n';
        }
        // The model's seams lie before the text's by the lone breaks before them (some 66 and
        // 132 here).
        std::size_t m_intPlaced = 0;
        for (const std::size_t m_intSeam : {std::size_t{65536}, std::size_t{2 * 65536}}) {
            for (std::size_t m_intAt = m_intSeam - 300; m_intAt < m_intSeam + 20; m_intAt += 7) {
                m_strText.replace(m_intAt, 3 + m_strBreak.size(),
                                  u"ab" + std::u16string(m_strBreak) + u"c");
                ++m_intPlaced;
            }
        }
        for (const bool m_IsMatchCase : {true, false}) {
            SCOPED_TRACE(m_strBreak.size());
            const std::u16string m_strResult = ReplaceInFileText(
                m_strText, m_IsMatchCase ? u"b\r\nc" : u"B\r\nC", u"-", m_IsMatchCase);
            EXPECT_EQ(m_strResult,
                      NaiveFileReplace(m_strText, m_IsMatchCase ? u"b\r\nc" : u"B\r\nC", u"-",
                                       m_IsMatchCase));
            EXPECT_EQ(CountFileTextOccurrences(m_strText, u"b\r\nc", true), m_intPlaced);
        }
    }
}

// The table the replacement folds with is FullUpperCase's own mapping.
TEST(ReplaceInFileText, FoldsUnitsAsFullUpperCase) {
    for (std::size_t m_intUnit = 0; m_intUnit < 0x10000; ++m_intUnit) {
        const auto m_intCode = static_cast<char16_t>(m_intUnit);
        ASSERT_EQ(FullUpperUnit(m_intCode), FullUpperCase(std::u16string(1, m_intCode))[0])
            << m_intUnit;
    }
}

} // namespace
} // namespace morvane
