// A rewrite changes the matched stretches only: the file's own line breaks (CR LF, LF, CR, mixed,
// none after the last line) come back as they were, byte for byte, in every encoding and on
// every path (the UTF-8 bytes, the text, the line model's pieces for find texts with breaks).

#include "AnsiCodePageScope.h"
#include "TempTree.h"

#include "core/u_Types.h"
#include "match/u_FileMatcher.h"
#include "match/u_RawPrefilter.h"
#include "text/u_Encoding.h"
#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

namespace morvane {
namespace {

struct TBreakCase {
    const char* g_strWhat;
    // The file's text; [ and ] mark the stretches the occurrences cover in it.
    std::u16string_view g_strFile;
    std::u16string_view g_strOldText; // as the user types it: breaks as CR LF
    std::u16string_view g_strNewText;
    std::u16string_view g_strWritten; // the replacement as this file gets it
};

const TBreakCase kCases[] = {
    {"LF, inside a line", u"one [needle] two\nthree\n", u"needle", u"pin", u"pin"},
    {"LF, across a break", u"caf\u00e9 [need\nle] two\n", u"need\r\nle", u"a\r\nb", u"a\nb"},
    {"LF, at the start", u"[needle]\nx\n", u"needle", u"a\r\nb", u"a\nb"},
    {"LF, at the end, no final break", u"x\n[needle]", u"needle", u"p\rq", u"p\nq"},
    {"CR LF, inside a line", u"one\r\n[needle] two\r\n", u"needle", u"a\nb", u"a\r\nb"},
    {"CR LF, across a break at the start", u"[\r\nneedle]\r\nx", u"\r\nneedle", u"pin", u"pin"},
    {"CR LF, the last break with it", u"x\r\n[needle\r\n]", u"needle\r\n", u"", u""},
    {"CR, inside a line", u"one\r[needle]\rtwo", u"needle", u"a\nb", u"a\rb"},
    {"CR, across the last break", u"x [needle\r]", u"needle\r\n", u"pin", u"pin"},
    {"mixed, the first break's style", u"a\r\nb\n[needle]\rc", u"needle", u"p\nq", u"p\r\nq"},
    {"mixed, across a lone LF", u"a\r\n[b\nc]\r\u00e9", u"b\r\nc", u"X\r\nY", u"X\r\nY"},
    {"mixed, LF first", u"a\nb\r\n[needle]", u"needle", u"p\r\nq", u"p\nq"},
    {"no break at all: CR LF", u"x [needle] y", u"needle", u"a\nb", u"a\r\nb"},
    {"the model's last break is no break", u"x\n[needle]", u"needle\r\n", u"pin", u"pin"},
    {"half a break before the match stays", u"a\r\n[needle]b", u"\nneedle", u"pin", u"pin"},
    {"half a break after the match stays", u"[needle]\nb", u"needle\r", u"pin", u"pin"},
    {"several, across each kind", u"[a\nb]\n[a\rb]\r\n[a\r\nb]", u"a\r\nb", u"-", u"-"},
};

struct TPart {
    std::u16string g_strText;
    bool g_IsMatched = false;
};

std::vector<TPart> SplitMarked(std::u16string_view p_strFile) {
    std::vector<TPart> m_arrParts(1);
    for (const char16_t m_intUnit : p_strFile) {
        if (m_intUnit == u'[' || m_intUnit == u']') {
            m_arrParts.push_back(TPart{u"", m_intUnit == u'['});
        } else {
            m_arrParts.back().g_strText += m_intUnit;
        }
    }
    return m_arrParts;
}

// Writes the file, tests it as replace mode does and returns what the rewrite would write.
std::string Rewrite(test::TTempTree& p_Tree, const std::string& p_strBytes,
                    TEncodingCode p_intEncoding, std::u16string_view p_strOldText,
                    std::u16string_view p_strNewText, bool p_IsMatchCase) {
    const std::string m_strNative = p_Tree.WriteFile("f.txt", p_strBytes).string();
    const std::u16string m_strFileName = u"f.txt";
    const std::u16string m_strOldText =
        p_IsMatchCase ? std::u16string(p_strOldText) : AsciiUpperCase(p_strOldText);
    const TRawPrefilter m_Prefilter(m_strOldText, p_IsMatchCase);
    TFileMatcher m_Matcher(m_Prefilter);
    EXPECT_TRUE(m_Matcher.Match(TMatchRequest{.g_strNativeFileName = m_strNative,
                                              .g_strFileName = m_strFileName,
                                              .g_intEncoding = p_intEncoding,
                                              .g_strOldText = m_strOldText,
                                              .g_IsMatchCase = p_IsMatchCase,
                                              .g_IsKeepingText = true,
                                              .g_doBeforeRead = {}}));
    return m_Matcher.BuildRewrite(m_strOldText, std::u16string(p_strNewText), p_IsMatchCase);
}

TEST(LineBreakRewrite, OnlyTheMatchedStretchesChange) {
    test::TTempTree m_Tree;
    const test::TAnsiCodePageScope m_Scope(1252);
    for (const TBreakCase& m_Case : kCases) {
        const std::vector<TPart> m_arrParts = SplitMarked(m_Case.g_strFile);
        std::u16string m_strBefore;
        std::u16string m_strAfter;
        for (const TPart& m_Part : m_arrParts) {
            m_strBefore += m_Part.g_strText;
            m_strAfter +=
                m_Part.g_IsMatched ? std::u16string(m_Case.g_strWritten) : m_Part.g_strText;
        }
        for (const TEncodingCode m_intEncoding :
             {kEncodingAnsi, kEncodingUtf8, kEncodingUtf8Bom, kEncodingUtf16BE, kEncodingUtf16LE}) {
            for (const bool m_IsMatchCase : {true, false}) {
                SCOPED_TRACE(std::string(m_Case.g_strWhat) + ", encoding " +
                             std::to_string(m_intEncoding) + ", match case " +
                             std::to_string(m_IsMatchCase));
                const std::string m_strBytes = EncodeFileText(m_intEncoding, m_strBefore);
                const std::string m_strWritten =
                    Rewrite(m_Tree, m_strBytes, m_intEncoding, m_Case.g_strOldText,
                            m_Case.g_strNewText, m_IsMatchCase);
                ASSERT_EQ(m_strWritten, EncodeFileText(m_intEncoding, m_strAfter));
                // As cmp sees it: the bytes outside the matches are the file's own, in place.
                const std::size_t m_intMark = EncodeFileText(m_intEncoding, u"").size();
                std::size_t m_intOldOffset = m_intMark;
                std::size_t m_intNewOffset = m_intMark;
                for (const TPart& m_Part : m_arrParts) {
                    const std::size_t m_intOldSize =
                        EncodeFileText(m_intEncoding, m_Part.g_strText).size() - m_intMark;
                    if (!m_Part.g_IsMatched) {
                        EXPECT_EQ(m_strWritten.substr(m_intNewOffset, m_intOldSize),
                                  m_strBytes.substr(m_intOldOffset, m_intOldSize));
                    }
                    m_intOldOffset += m_intOldSize;
                    m_intNewOffset +=
                        m_Part.g_IsMatched
                            ? EncodeFileText(m_intEncoding, m_Case.g_strWritten).size() - m_intMark
                            : m_intOldSize;
                }
                EXPECT_EQ(m_intNewOffset, m_strWritten.size());
            }
        }
    }
}

// A file larger than the pieces the line model is made in and than the buffers kept between
// files: occurrences across LF breaks everywhere, also over the pieces' seams, and a replacement
// that grows the file (its room is reserved from the count of occurrences).
TEST(LineBreakRewrite, LargeFilesKeepTheirBreaksToo) {
    test::TTempTree m_Tree;
    std::u16string m_strText;
    std::u16string m_strExpected;
    for (int m_intLine = 0; m_intLine < 120000; ++m_intLine) {
        const std::u16string m_strLine = m_intLine % 3 == 0 ? u"xx need" : u"le yy needle";
        m_strText += m_strLine + u"\n";
    }
    m_strText += u"need";
    for (const TEncodingCode m_intEncoding : {kEncodingUtf8, kEncodingUtf16LE}) {
        for (const std::u16string_view m_strOldText : {u"need\r\nle", u"needle"}) {
            SCOPED_TRACE(std::to_string(m_intEncoding));
            const std::string m_strBytes = EncodeFileText(m_intEncoding, m_strText);
            const std::string m_strWritten = Rewrite(m_Tree, m_strBytes, m_intEncoding,
                                                     m_strOldText, u"<a\r\nlonger one>", false);
            EXPECT_EQ(m_strWritten,
                      EncodeFileText(m_intEncoding, ReplaceInFileText(m_strText, m_strOldText,
                                                                      u"<a\r\nlonger one>", true)));
            EXPECT_EQ(m_strWritten.find(EncodeFileText(m_intEncoding, u"\r")), std::string::npos);
        }
    }
}

// Memory that runs out while a file is read in replace mode fails that file with a reason; in
// find mode the file is left out as one that cannot be read.
TEST(LineBreakRewrite, MemoryRunningOutFailsTheFileNotTheTask) {
    test::TTempTree m_Tree;
    const std::string m_strNative = m_Tree.WriteFile("f.txt", "a needle\n").string();
    const std::u16string m_strFileName = u"f.txt";
    const std::u16string m_strOldText = u"needle";
    const TRawPrefilter m_Prefilter(m_strOldText, true);
    for (const bool m_IsKeepingText : {true, false}) {
        TFileMatcher m_Matcher(m_Prefilter);
        const bool m_IsMatched = m_Matcher.Match(TMatchRequest{.g_strNativeFileName = m_strNative,
                                                               .g_strFileName = m_strFileName,
                                                               .g_intEncoding = kEncodingAuto,
                                                               .g_strOldText = m_strOldText,
                                                               .g_IsMatchCase = true,
                                                               .g_IsKeepingText = m_IsKeepingText,
                                                               .g_doBeforeRead = [](std::uint64_t) {
                                                                   throw std::bad_alloc();
                                                               }});
        ASSERT_FALSE(m_IsMatched);
        // Kept for the record, so the file is reported rather than taken for one without a match.
        ASSERT_TRUE(m_Matcher.ReadFailure());
        EXPECT_THROW(std::rethrow_exception(m_Matcher.ReadFailure()), std::bad_alloc);
        // The next file is tested as usual.
        EXPECT_TRUE(m_Matcher.Match(TMatchRequest{.g_strNativeFileName = m_strNative,
                                                  .g_strFileName = m_strFileName,
                                                  .g_intEncoding = kEncodingAuto,
                                                  .g_strOldText = m_strOldText,
                                                  .g_IsMatchCase = true,
                                                  .g_IsKeepingText = true,
                                                  .g_doBeforeRead = {}}));
        EXPECT_EQ(m_Matcher.BuildRewrite(m_strOldText, u"pin", true), "a pin\n");
    }
}

} // namespace
} // namespace morvane
