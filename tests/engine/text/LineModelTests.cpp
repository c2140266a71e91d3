// The line model: where lines end, and the text written back with CR LF after every line.

#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <random>

namespace morvane {
namespace {

struct TLineCase {
    std::u16string_view g_strText;
    std::vector<std::u16string_view> g_arrLines;
    std::u16string_view g_strNormalized;
};

TEST(LineModel, SplitsAndJoinsAsDescribed) {
    const TLineCase m_arrCases[] = {
        {u"", {}, u""},
        {u"abc", {u"abc"}, u"abc\r\n"},
        {u"abc\r\n", {u"abc"}, u"abc\r\n"},
        {u"a\nb\n", {u"a", u"b"}, u"a\r\nb\r\n"},
        {u"a\rb", {u"a", u"b"}, u"a\r\nb\r\n"},
        {u"a\r\nb\nc\rd", {u"a", u"b", u"c", u"d"}, u"a\r\nb\r\nc\r\nd\r\n"},
        {u"\n", {u""}, u"\r\n"},
        {u"\r", {u""}, u"\r\n"},
        {u"\r\n", {u""}, u"\r\n"},
        {u"\n\r", {u"", u""}, u"\r\n\r\n"},
        {u"a\n\rb", {u"a", u"", u"b"}, u"a\r\n\r\nb\r\n"},
        {u"\r\r\n\n", {u"", u"", u""}, u"\r\n\r\n\r\n"},
        {u"\n\nx", {u"", u"", u"x"}, u"\r\n\r\nx\r\n"},
        {u"中文\u2028行", {u"中文\u2028行"}, u"中文\u2028行\r\n"}, // only CR and LF break lines
    };
    for (const TLineCase& m_Case : m_arrCases) {
        EXPECT_EQ(SplitLines(m_Case.g_strText), m_Case.g_arrLines);
        EXPECT_EQ(NormalizeLineBreaks(m_Case.g_strText), m_Case.g_strNormalized);
    }
}

TEST(LineModel, LinesPointIntoTheText) {
    const std::u16string m_strText = u"one\r\ntwo";
    const std::vector<std::u16string_view> m_arrLines = SplitLines(m_strText);
    ASSERT_EQ(m_arrLines.size(), 2U);
    EXPECT_EQ(m_arrLines[1].data(), m_strText.data() + 5);
}

// Joining in one pass must equal joining the split lines, and a normalized text is a fixed point.
TEST(LineModel, NormalizingEqualsJoiningTheSplitLinesAndIsIdempotent) {
    const char16_t m_arrPool[] = {u'a', u'\r', u'\n', u'\u4E2D', u' '};
    std::mt19937 m_Random(7);
    for (int m_intRound = 0; m_intRound < 20000; ++m_intRound) {
        std::u16string m_strText;
        const std::size_t m_intLength = m_Random() % 12;
        for (std::size_t m_intIndex = 0; m_intIndex < m_intLength; ++m_intIndex) {
            m_strText += m_arrPool[m_Random() % 5];
        }
        std::u16string m_strJoined;
        for (const std::u16string_view m_strLine : SplitLines(m_strText)) {
            m_strJoined.append(m_strLine);
            m_strJoined.append(u"\r\n");
        }
        const std::u16string m_strNormalized = NormalizeLineBreaks(m_strText);
        ASSERT_EQ(m_strNormalized, m_strJoined);
        ASSERT_EQ(NormalizeLineBreaks(m_strNormalized), m_strNormalized);
    }
}

// The style a replacement's breaks are written in, and their rewriting.
TEST(LineModel, WritesNewBreaksInTheFilesStyle) {
    struct TStyleCase {
        std::u16string_view g_strText;
        std::u16string_view g_strStyle;
    };
    const TStyleCase m_arrCases[] = {
        {u"", u"\r\n"},     {u"abc", u"\r\n"}, {u"a\nb\r\n", u"\n"}, {u"a\r\nb\n", u"\r\n"},
        {u"a\rb\n", u"\r"}, {u"\r", u"\r"},    {u"\n\r", u"\n"},     {u"x\r\r\n", u"\r"},
    };
    for (const TStyleCase& m_Case : m_arrCases) {
        EXPECT_EQ(LineBreakStyle(m_Case.g_strText), m_Case.g_strStyle);
        EXPECT_EQ(LineBreakStyle(Utf16ToUtf8(m_Case.g_strText)), Utf16ToUtf8(m_Case.g_strStyle));
    }
    EXPECT_EQ(WithLineBreaks(u"a\r\nb\nc\rd\n\re", u"\n"), u"a\nb\nc\nd\n\ne");
    EXPECT_EQ(WithLineBreaks(u"\r\r\n\n", u"\r\n"), u"\r\n\r\n\r\n");
    EXPECT_EQ(WithLineBreaks(u"no break", u"\r"), u"no break");
}

// The model's text made in pieces of any size is the model's text made whole.
TEST(LineModel, PiecesJoinToTheWholeModel) {
    const char16_t m_arrPool[] = {u'a', u'\r', u'\n', u'\u4E2D'};
    std::mt19937 m_Random(11);
    for (int m_intRound = 0; m_intRound < 20000; ++m_intRound) {
        std::u16string m_strText;
        const std::size_t m_intLength = m_Random() % 14;
        for (std::size_t m_intIndex = 0; m_intIndex < m_intLength; ++m_intIndex) {
            m_strText += m_arrPool[m_Random() % 4];
        }
        TLineModelPieces m_Pieces(m_strText);
        std::u16string m_strJoined;
        for (;;) {
            const std::size_t m_intBefore = m_strJoined.size();
            const std::size_t m_intUnits = 1 + m_Random() % 4;
            if (!m_Pieces.AppendNext(m_strJoined, m_intUnits)) {
                break;
            }
            ASSERT_LE(m_strJoined.size() - m_intBefore, m_intUnits + 1);
        }
        ASSERT_EQ(m_strJoined, NormalizeLineBreaks(m_strText)) << m_intRound;
    }
}

} // namespace
} // namespace morvane
