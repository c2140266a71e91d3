// Names and reasons in log lines: the escape, its reversal, and the lossless UTF-16 carrier.

#include "logs/u_NameEscape.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <string>

namespace morvane::test {
namespace {

#ifndef _WIN32

struct TEscapeCase {
    std::string g_strBytes;
    std::u16string g_strEscaped;
};

const TEscapeCase kEscapeCases[] = {
    {"", u""},
    {"/srv/site/index.htm", u"/srv/site/index.htm"},
    {"/资料/中文名.txt", u"/资料/中文名.txt"},
    {"/a\\b", u"/a\\\\b"},
    {"/a\nb\rc", u"/a\\nb\\rc"},
    {"/a|b", u"/a\\x7Cb"},
    {"\\x7C", u"\\\\x7C"}, // a name that spells an escape keeps it apart from one
    {"/a\xff.txt", u"/a\\xFF.txt"},
    {"\x80", u"\\x80"},                            // lone continuation byte
    {"\xC0\xAF", u"\\xC0\\xAF"},                   // overlong "/"
    {"\xE0\x80\xAF", u"\\xE0\\x80\\xAF"},          // overlong, three bytes
    {"\xED\xA0\x80", u"\\xED\\xA0\\x80"},          // an encoded high surrogate
    {"\xED\xBF\xBF", u"\\xED\\xBF\\xBF"},          // an encoded low surrogate
    {"\xF4\x90\x80\x80", u"\\xF4\\x90\\x80\\x80"}, // above U+10FFFF
    {"\xE4\xB8", u"\\xE4\\xB8"},                   // truncated at the end
    {"\xE4\xB8x\xE4\xB8\xAD", u"\\xE4\\xB8x中"},   // truncated before more text
    {"\xF0\x9F\x98\x80|", u"\U0001F600\\x7C"},     // a supplementary character stays
    {"tab\tstays", u"tab\tstays"},
};

TEST(NameEscape, EscapesWhatALineCannotHoldAndUndoesIt) {
    for (const auto& m_Case : kEscapeCases) {
        EXPECT_EQ(EscapeName(m_Case.g_strBytes), m_Case.g_strEscaped) << m_Case.g_strBytes;
        EXPECT_EQ(UnescapeName(m_Case.g_strEscaped), m_Case.g_strBytes) << m_Case.g_strBytes;
        // The carrier for UTF-16 front-ends keeps the same bytes.
        EXPECT_EQ(TextToNativeName(NativeNameToText(m_Case.g_strBytes)), m_Case.g_strBytes);
    }
}

TEST(NameEscape, EveryByteAndPairRoundTrips) {
    // Differential over all one- and two-byte names: escaping never loses a byte, and the
    // escaped form never holds a separator or a line break.
    for (int m_intFirst = 1; m_intFirst < 256; ++m_intFirst) {
        for (int m_intSecond = 0; m_intSecond < 256; ++m_intSecond) {
            std::string m_strBytes(1, static_cast<char>(m_intFirst));
            if (m_intSecond != 0) {
                m_strBytes += static_cast<char>(m_intSecond);
            }
            const std::u16string m_strEscaped = EscapeName(m_strBytes);
            ASSERT_EQ(m_strEscaped.find_first_of(u"|\r\n"), std::u16string::npos);
            ASSERT_EQ(UnescapeName(m_strEscaped), m_strBytes);
            ASSERT_EQ(TextToNativeName(NativeNameToText(m_strBytes)), m_strBytes);
            // Against the plain conversion: a well-formed name without "\", "|", CR or LF is
            // written as it is.
            if (IsWellFormedUtf8(m_strBytes) &&
                m_strBytes.find_first_of("\\|\r\n") == std::string::npos) {
                ASSERT_EQ(m_strEscaped, Utf8ToUtf16Lenient(m_strBytes));
                ASSERT_EQ(NativeNameToText(m_strBytes), m_strEscaped);
            }
        }
    }
}

TEST(NameEscape, TextNoEscapeMadeIsTakenAsItStands) {
    const std::pair<std::u16string, std::string> m_arrCases[] = {
        {u"\\", "\\"},   {u"a\\", "a\\"},         {u"\\q", "\\q"},
        {u"\\x", "\\x"}, {u"\\x7", "\\x7"},       {u"\\xG0", "\\xG0"},
        {u"\\x7c", "|"}, {u"C:\\dir", "C:\\dir"}, {u"中\\n文", "中\n文"},
    };
    for (const auto& [m_strText, m_strBytes] : m_arrCases) {
        EXPECT_EQ(UnescapeName(m_strText), m_strBytes);
    }
}

TEST(NameEscape, CarrierUsesLoneSurrogatesOnlyForStrayBytes) {
    EXPECT_EQ(NativeNameToText("/a\xff\xc3\xa9"), std::u16string(u"/a\xDCFF\u00E9"));
    // A real pair whose low half lies in the carrier's range is a character, not two bytes.
    EXPECT_EQ(TextToNativeName(u"\U00010080"), "\xF0\x90\x82\x80");
    // Any other lone surrogate cannot be a name's byte.
    EXPECT_EQ(TextToNativeName(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

#else

TEST(NameEscape, IsAPlainConversionOnWindows) {
    EXPECT_EQ(EscapeName("C:\\a|b"), u"C:\\a|b");
    EXPECT_EQ(UnescapeName(u"C:\\资料\\x7C"), "C:\\资料\\x7C");
}

#endif

} // namespace
} // namespace morvane::test
