// The decision on raw bytes that a file cannot match: when it may be made, that the byte search
// finds exactly what a plain search finds, and that it never rejects a file the full path
// (detection, decoding, line model, match test) would report.

#include "AnsiCodePageScope.h"
#include "FullPathMatch.h"
#include "match/u_RawPrefilter.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_Encoding.h"
#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"
#include "text/u_TextMatch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace morvane {
namespace {

constexpr int kAnsiCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                  1252, 1253, 1254, 1255, 1256, 1257, 1258};

std::u16string StoredOldText(const std::u16string& p_strOldText, bool p_IsMatchCase) {
    return p_IsMatchCase ? p_strOldText : AsciiUpperCase(p_strOldText);
}

bool HasPrintableAscii(std::u16string_view p_strText) {
    for (const char16_t m_intUnit : p_strText) {
        if (m_intUnit >= 0x20 && m_intUnit <= 0x7E) {
            return true;
        }
    }
    return false;
}

TEST(RawPrefilter, IsActiveOnlyForPrintableAsciiFindTexts) {
    const struct {
        std::u16string g_strOldText;
        bool g_IsActive;
    } m_arrCases[] = {
        {u"ZephyrQuill", true},
        {u"a", true},
        {u" ", true},
        {u"~!@#", true},
        {u"", false},
        {u"a\r\nb", false},
        {u"line\n", false},
        {u"\rx", false},
        {u"tab\t", false},
        {u"caf\u00e9", false},
        {u"\u4e2d", false},
        {u"del\x7f", false},
        {std::u16string(u"nul\0x", 5), false},
    };
    for (const auto& m_Case : m_arrCases) {
        for (const bool m_IsMatchCase : {true, false}) {
            EXPECT_EQ(TRawPrefilter(m_Case.g_strOldText, m_IsMatchCase).IsActive(),
                      m_Case.g_IsActive)
                << m_Case.g_strOldText.size() << " units, match case " << m_IsMatchCase;
        }
    }
    // An inactive filter never decides.
    EXPECT_FALSE(TRawPrefilter(u"a\r\nb", true).CannotMatch("nothing here", kEncodingUtf8));
}

TEST(RawPrefilter, FindsTheBytesWhereverTheyAre) {
    const std::string m_strFiller(40, '.');
    const struct {
        std::u16string g_strOldText;
        bool g_IsMatchCase;
        std::string g_strBytes;
        bool g_IsFound;
    } m_arrCases[] = {
        {u"needle", true, "needle", true},
        {u"needle", true, "needl", false},
        {u"needle", true, "", false},
        {u"needle", true, "xneedlex", true},
        {u"needle", true, m_strFiller + "needle", true},
        {u"needle", true, m_strFiller + "needl", false},
        {u"needle", true, m_strFiller.substr(0, 13) + "needle" + m_strFiller, true},
        {u"needle", true, m_strFiller.substr(0, 15) + "needle" + m_strFiller, true},
        {u"needle", true, m_strFiller.substr(0, 16) + "needle" + m_strFiller, true},
        {u"needle", true, m_strFiller + "Needle" + m_strFiller, false},
        {u"NEEDLE", false, m_strFiller + "nEeDlE" + m_strFiller, true},
        {u"NEEDLE", false, m_strFiller + "nEeDl" + m_strFiller, false},
        // Only letters fold: '@' and '`', '[' and '{' differ in the same bit as a letter's cases.
        {u"@[", false, m_strFiller + "`{" + m_strFiller, false},
        {u"@[", false, m_strFiller + "@[" + m_strFiller, true},
        {u"A@", false, m_strFiller + "a`" + m_strFiller, false},
        {u"A@", false, m_strFiller + "a@" + m_strFiller, true},
        {u"x", true, m_strFiller + "x", true},
        {u"x", true, "x", true},
        {u"X", false, m_strFiller + "x" + m_strFiller, true},
        {u"x", true, m_strFiller, false},
        // Bytes of 0x80 and above never equal an ASCII byte, whatever the folding.
        {u"AB", false, m_strFiller + "\xC1\xC2" + m_strFiller, false},
        {u"AB", false, m_strFiller + "\xE1\xE2" + m_strFiller, false},
        {u"aa", true, "aaa", true},
        {u"aaab", true, std::string(100, 'a') + "b", true},
        {u"aaab", true, std::string(100, 'a'), false},
        {std::u16string(300, u'q'), true, std::string(299, 'q'), false},
        {std::u16string(300, u'q'), true, std::string(301, 'q'), true},
        {std::u16string(300, u'Q'), false, "x" + std::string(300, 'q') + "x", true},
    };
    for (const auto& m_Case : m_arrCases) {
        const TRawPrefilter m_Prefilter(m_Case.g_strOldText, m_Case.g_IsMatchCase);
        EXPECT_EQ(m_Prefilter.ContainsBytes(m_Case.g_strBytes), m_Case.g_IsFound)
            << m_Case.g_strBytes << " / " << m_Case.g_strOldText.size() << " units";
    }
}

// The vector pass and the Horspool tail against a naive scan, on bytes from a small alphabet so
// that near misses abound, at every alignment.
TEST(RawPrefilter, ByteSearchAgreesWithANaiveScan) {
    std::mt19937 m_Random(20261209);
    const std::string m_strAlphabet = "abAB@`\x80\xC1";
    std::uniform_int_distribution<std::size_t> m_PickByte(0, m_strAlphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> m_PickLength(0, 80);
    std::uniform_int_distribution<std::size_t> m_PickPatternLength(1, 5);
    int m_intFound = 0;
    for (int m_intRound = 0; m_intRound < 20000; ++m_intRound) {
        const bool m_IsMatchCase = m_intRound % 2 == 0;
        std::u16string m_strOldText;
        const std::size_t m_intPatternLength = m_PickPatternLength(m_Random);
        while (m_strOldText.size() < m_intPatternLength) {
            const char m_intByte = m_strAlphabet[m_PickByte(m_Random)];
            if ((static_cast<unsigned char>(m_intByte) & 0x80U) == 0) {
                m_strOldText += static_cast<char16_t>(m_intByte);
            }
        }
        m_strOldText = StoredOldText(m_strOldText, m_IsMatchCase);
        std::string m_strBytes;
        const std::size_t m_intLength = m_PickLength(m_Random);
        while (m_strBytes.size() < m_intLength) {
            m_strBytes += m_strAlphabet[m_PickByte(m_Random)];
        }
        bool m_IsExpected = false;
        for (std::size_t m_intStart = 0;
             !m_IsExpected && m_intStart + m_strOldText.size() <= m_strBytes.size(); ++m_intStart) {
            bool m_IsHere = true;
            for (std::size_t m_intIndex = 0; m_IsHere && m_intIndex < m_strOldText.size();
                 ++m_intIndex) {
                char16_t m_intUnit =
                    static_cast<unsigned char>(m_strBytes[m_intStart + m_intIndex]);
                if (!m_IsMatchCase && m_intUnit >= u'a' && m_intUnit <= u'z') {
                    m_intUnit = static_cast<char16_t>(m_intUnit - (u'a' - u'A'));
                }
                m_IsHere = m_intUnit == m_strOldText[m_intIndex];
            }
            m_IsExpected = m_IsHere;
        }
        m_intFound += m_IsExpected ? 1 : 0;
        ASSERT_EQ(TRawPrefilter(m_strOldText, m_IsMatchCase).ContainsBytes(m_strBytes),
                  m_IsExpected)
            << "round " << m_intRound;
    }
    EXPECT_GT(m_intFound, 2000);
}

TEST(RawPrefilter, DecidesOnlyForAsciiCompatibleEncodings) {
    using namespace std::string_literals;
    const struct {
        const char* g_strName;
        std::string g_strBytes;
        std::int32_t g_intEncoding;
        int g_intCodePage;
        bool g_IsCannotMatch;
    } m_arrCases[] = {
        {"auto, ASCII without it", "nothing here\n", 0, 1252, true},
        {"auto, ASCII with it", "a needle here\n", 0, 1252, false},
        {"auto, UTF-8 mark", "\xEF\xBB\xBFnothing", 0, 936, true},
        {"auto, UTF-16LE mark", "\xFF\xFEn\0o\0"s, 0, 1252, false},
        {"auto, UTF-16BE mark", "\xFE\xFF\0n\0o"s, 0, 1252, false},
        {"auto, UTF-32LE mark", "\xFF\xFE\0\0n\0\0\0"s, 0, 1252, false},
        {"auto, UTF-32BE mark (never read)", "\0\0\xFE\xFF\0\0\0n"s, 0, 1252, true},
        {"auto, one byte", "n", 0, 1252, true},
        {"auto, empty", "", 0, 1252, true},
        {"auto, GBK bytes", "\xD6\xD0\xCE\xC4 text", 0, 936, true},
        {"ANSI 932", "\x82\xA0 text", 1, 932, true},
        {"ANSI 950", "\xA4\xA4 text", 1, 950, true},
        {"ANSI with it", "\xA4\xA4 needle", 1, 950, false},
        {"UTF-8 forced", "\xC3\xA9 text", 2, 1252, true},
        {"UTF-8 with mark forced", "\xEF\xBB\xBFtext", 3, 1252, true},
        {"UTF-16BE forced", "\0t\0e\0x\0t"s, 4, 1252, false},
        {"UTF-16LE forced", "t\0e\0x\0t\0"s, 5, 1252, false},
        {"code 6", "text", 6, 1252, false},
        {"code -1", "text", -1, 1252, false},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.g_strName);
        const test::TAnsiCodePageScope m_Scope(m_Case.g_intCodePage);
        for (const bool m_IsMatchCase : {true, false}) {
            const TRawPrefilter m_Prefilter(StoredOldText(u"needle", m_IsMatchCase), m_IsMatchCase);
            EXPECT_EQ(m_Prefilter.CannotMatch(m_Case.g_strBytes, m_Case.g_intEncoding),
                      m_Case.g_IsCannotMatch);
        }
    }
}

// The claim the ANSI shortcut stands on, checked on every input of one and two bytes: a byte
// 00..7F reads as itself, anything else reads as no printable ASCII, and two bytes read either as
// each byte alone, or as characters none of which is printable ASCII, or as such characters
// followed by the second byte read alone.
TEST(RawPrefilter, AsciiCompatibleCodePagesKeepAsciiBytesAndMakeNoOtherAscii) {
    for (const int m_intCodePage : kAnsiCodePages) {
        ASSERT_TRUE(IsAsciiCompatibleAnsiCodePage(m_intCodePage));
        if (!IsSupportedAnsiCodePage(m_intCodePage)) {
            continue;
        }
        SCOPED_TRACE(m_intCodePage);
        std::vector<std::u16string> m_arrSingle(256);
        for (int m_intByte = 0; m_intByte < 256; ++m_intByte) {
            const std::string m_strBytes(1, static_cast<char>(m_intByte));
            m_arrSingle[static_cast<std::size_t>(m_intByte)] =
                AnsiDecode(m_strBytes, m_intCodePage);
            const std::u16string& m_strText = m_arrSingle[static_cast<std::size_t>(m_intByte)];
            if (m_intByte < 0x80) {
                ASSERT_EQ(m_strText, std::u16string(1, static_cast<char16_t>(m_intByte)))
                    << m_intByte;
            } else {
                ASSERT_FALSE(HasPrintableAscii(m_strText)) << m_intByte;
            }
        }
        std::u16string m_strText;
        std::string m_strBytes(2, '\0');
        for (int m_intFirst = 0; m_intFirst < 256; ++m_intFirst) {
            for (int m_intSecond = 0; m_intSecond < 256; ++m_intSecond) {
                m_strBytes[0] = static_cast<char>(m_intFirst);
                m_strBytes[1] = static_cast<char>(m_intSecond);
                AnsiDecode(m_strBytes, m_intCodePage, m_strText);
                const std::u16string& m_strFirst =
                    m_arrSingle[static_cast<std::size_t>(m_intFirst)];
                const std::u16string& m_strSecond =
                    m_arrSingle[static_cast<std::size_t>(m_intSecond)];
                const bool m_IsApart = m_strText == m_strFirst + m_strSecond;
                const bool m_IsNoAscii = !HasPrintableAscii(m_strText);
                const bool m_IsSecondReadAgain =
                    m_strText.size() >= m_strSecond.size() &&
                    std::u16string_view(m_strText).ends_with(m_strSecond) &&
                    !HasPrintableAscii(std::u16string_view(m_strText).substr(
                        0, m_strText.size() - m_strSecond.size()));
                ASSERT_TRUE(m_IsApart || m_IsNoAscii || m_IsSecondReadAgain)
                    << std::hex << m_intFirst << " " << m_intSecond;
            }
        }
    }
    for (const int m_intCodePage : {0, 437, 20127, 50220, 54936, 65001}) {
        EXPECT_FALSE(IsAsciiCompatibleAnsiCodePage(m_intCodePage)) << m_intCodePage;
    }
}

// Random files in every shape the walk meets, against the full path: the filter may let a file
// through that then does not match, but must never turn one away that matches.
TEST(RawPrefilter, NeverRejectsAFileTheFullPathReports) {
    std::mt19937 m_Random(936932);
    const std::vector<std::string> m_arrPieces = {
        "needle",
        "NEEDLE",
        "NeEdLe",
        "need",
        "le",
        "n",
        "eedle",
        " ",
        "\r\n",
        "\n",
        "\r",
        "\x81",
        "\x82",
        "\xA4",
        "\xD6\xD0",
        "\x82\xA0",
        "\xE4\xB8\xAD",
        "\xC3\xA9",
        "\xEF\xBB\xBF",
        "\xFF\xFE",
        "\xFE\xFF",
        std::string(1, '\0'),
        "\x80",
        "\xFF",
        "@",
        "`",
        "[",
        "{",
        "N",
        "E",
        "D",
        "L",
        "zZ",
    };
    const std::vector<std::u16string> m_arrOldTexts = {u"needle", u"NEEDLE", u"n", u"e n",
                                                       u"dle",    u"N@",     u"`{"};
    const int m_arrCodePages[] = {936, 932, 1252, 950, 949};
    std::uniform_int_distribution<std::size_t> m_PickPiece(0, m_arrPieces.size() - 1);
    std::uniform_int_distribution<int> m_PickCount(0, 12);
    std::uniform_int_distribution<int> m_PickEncoding(0, 3);
    int m_intDecided = 0;
    int m_intMatched = 0;
    for (const int m_intCodePage : m_arrCodePages) {
        const test::TAnsiCodePageScope m_Scope(m_intCodePage);
        for (int m_intRound = 0; m_intRound < 6000; ++m_intRound) {
            std::string m_strBytes;
            const int m_intCount = m_PickCount(m_Random);
            for (int m_intPiece = 0; m_intPiece < m_intCount; ++m_intPiece) {
                m_strBytes += m_arrPieces[m_PickPiece(m_Random)];
            }
            const std::int32_t m_intEncoding = m_PickEncoding(m_Random);
            for (const std::u16string& m_strOldText : m_arrOldTexts) {
                for (const bool m_IsMatchCase : {true, false}) {
                    const std::u16string m_strStored = StoredOldText(m_strOldText, m_IsMatchCase);
                    const bool m_IsCannotMatch = TRawPrefilter(m_strStored, m_IsMatchCase)
                                                     .CannotMatch(m_strBytes, m_intEncoding);
                    const bool m_IsMatched = test::FullPathMatches(
                        m_strBytes, u"file.txt", m_intEncoding, m_strStored, m_IsMatchCase);
                    m_intDecided += m_IsCannotMatch ? 1 : 0;
                    m_intMatched += m_IsMatched ? 1 : 0;
                    ASSERT_FALSE(m_IsCannotMatch && m_IsMatched)
                        << "code page " << m_intCodePage << ", encoding " << m_intEncoding
                        << ", round " << m_intRound;
                }
            }
        }
    }
    // Neither side of the comparison may be vacuous.
    EXPECT_GT(m_intDecided, 10000);
    EXPECT_GT(m_intMatched, 10000);
}

// The shared vectors: well-formed and ill-formed UTF-8 with the find text inserted at every
// line, read with every encoding the filter decides for.
TEST(RawPrefilter, NeverRejectsAFileTheFullPathReportsOnSharedVectors) {
    std::ifstream m_File(std::string(MORVANE_TESTDATA_DIR) + "/encoding/UTF-8-test.txt",
                         std::ios::binary);
    ASSERT_TRUE(m_File);
    const std::string m_strVector((std::istreambuf_iterator<char>(m_File)),
                                  std::istreambuf_iterator<char>());
    const test::TAnsiCodePageScope m_Scope(936);
    int m_intMatched = 0;
    for (std::size_t m_intAt = 0; m_intAt < m_strVector.size(); m_intAt += 97) {
        const std::string m_strBytes =
            m_strVector.substr(0, m_intAt) + "Needle" + m_strVector.substr(m_intAt);
        for (std::int32_t m_intEncoding = 0; m_intEncoding <= 3; ++m_intEncoding) {
            for (const bool m_IsMatchCase : {true, false}) {
                const std::u16string m_strStored = StoredOldText(u"needle", m_IsMatchCase);
                const bool m_IsMatched = test::FullPathMatches(
                    m_strBytes, u"file.txt", m_intEncoding, m_strStored, m_IsMatchCase);
                m_intMatched += m_IsMatched ? 1 : 0;
                ASSERT_FALSE(TRawPrefilter(m_strStored, m_IsMatchCase)
                                 .CannotMatch(m_strBytes, m_intEncoding) &&
                             m_IsMatched)
                    << m_intAt << " " << m_intEncoding;
            }
        }
    }
    EXPECT_GT(m_intMatched, 0);
}

} // namespace
} // namespace morvane
