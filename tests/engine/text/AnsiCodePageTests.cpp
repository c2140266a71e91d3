// The ANSI code page: locale mapping, lenient decoding, strict encoding and round trips.

#include "TextTestData.h"
#include "core/u_Types.h"
#include "text/u_AnsiCodePage.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <thread>

namespace morvane {
namespace {

using test::HexToBytes;
using test::TAnsiCodePageScope;
using test::TTsvTable;

TEST(AnsiCodePageForLocale, FollowsLanguageAndTerritory) {
    const struct {
        std::string_view g_strLocale;
        int g_intCodePage;
    } m_arrCases[] = {
        {"zh_CN.UTF-8", 936},  {"zh_SG", 936},       {"zh", 936},       {"zh_TW.Big5", 950},
        {"zh_HK", 950},        {"zh_MO.UTF-8", 950}, {"ja_JP", 932},    {"ja_JP.eucJP", 932},
        {"ko_KR.UTF-8", 949},  {"th_TH", 874},       {"vi_VN", 1258},   {"ru_RU.KOI8-R@x", 1251},
        {"uk_UA", 1251},       {"be_BY", 1251},      {"bg_BG", 1251},   {"sr_RS", 1251},
        {"mk_MK", 1251},       {"el_GR", 1253},      {"tr_TR", 1254},   {"az_AZ", 1254},
        {"he_IL", 1255},       {"ar_EG", 1256},      {"fa_IR", 1256},   {"ur_PK", 1256},
        {"lt_LT", 1257},       {"lv_LV", 1257},      {"et_EE", 1257},   {"cs_CZ", 1250},
        {"pl_PL.UTF-8", 1250}, {"hu_HU", 1250},      {"sk_SK", 1250},   {"sl_SI", 1250},
        {"hr_HR", 1250},       {"ro_RO", 1250},      {"sq_AL", 1250},   {"bs_BA", 1250},
        {"C", 1252},           {"POSIX", 1252},      {"C.UTF-8", 1252}, {"", 1252},
        {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252}, {"fr_FR", 1252},   {"ZH_tw", 950},
        {"zh-TW", 950},        {"zh@x", 936},
    };
    for (const auto& m_Case : m_arrCases) {
        EXPECT_EQ(AnsiCodePageForLocale(m_Case.g_strLocale), m_Case.g_intCodePage)
            << m_Case.g_strLocale;
    }
}

TEST(AnsiCodePage, EveryMappedCodePageIsSupported) {
    for (const int m_intCodePage :
         {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        EXPECT_TRUE(IsSupportedAnsiCodePage(m_intCodePage)) << m_intCodePage;
        EXPECT_EQ(AnsiDecode("Hello\r\n", m_intCodePage), u"Hello\r\n") << m_intCodePage;
    }
    EXPECT_FALSE(IsSupportedAnsiCodePage(0));
    EXPECT_FALSE(IsSupportedAnsiCodePage(-1));
    EXPECT_FALSE(IsSupportedAnsiCodePage(12345));
}

TEST(AnsiCodePage, SetAndResetTheProcessWideCodePage) {
    const int m_intDefault = GetAnsiCodePage();
    {
        const TAnsiCodePageScope m_Scope(1251);
        EXPECT_EQ(GetAnsiCodePage(), 1251);
    }
    EXPECT_EQ(GetAnsiCodePage(), m_intDefault);
    EXPECT_THROW(SetAnsiCodePage(12345), TEngineError);
    EXPECT_EQ(GetAnsiCodePage(), m_intDefault);
}

#ifndef _WIN32
// Sets or clears one environment variable and puts the old value back.
class TEnvironmentScope {
public:
    TEnvironmentScope(const char* p_strName, const char* p_strValue) : g_strName(p_strName) {
        if (const char* m_strOld = std::getenv(p_strName)) {
            g_strOld = m_strOld;
        }
        if (p_strValue == nullptr) {
            unsetenv(p_strName);
        } else {
            setenv(p_strName, p_strValue, 1);
        }
    }
    ~TEnvironmentScope() {
        if (g_strOld) {
            setenv(g_strName, g_strOld->c_str(), 1);
        } else {
            unsetenv(g_strName);
        }
    }
    TEnvironmentScope(const TEnvironmentScope&) = delete;
    TEnvironmentScope& operator=(const TEnvironmentScope&) = delete;

private:
    const char* g_strName;
    std::optional<std::string> g_strOld;
};

TEST(AnsiCodePage, DefaultTakesTheFirstNonEmptyLocaleVariable) {
    {
        const TEnvironmentScope m_All("LC_ALL", "ja_JP.UTF-8");
        const TEnvironmentScope m_Type("LC_CTYPE", "ru_RU");
        const TEnvironmentScope m_Lang("LANG", "zh_TW");
        EXPECT_EQ(DefaultAnsiCodePage(), 932);
    }
    {
        const TEnvironmentScope m_All("LC_ALL", "");
        const TEnvironmentScope m_Type("LC_CTYPE", "ru_RU");
        const TEnvironmentScope m_Lang("LANG", "zh_TW");
        EXPECT_EQ(DefaultAnsiCodePage(), 1251);
    }
    {
        const TEnvironmentScope m_All("LC_ALL", nullptr);
        const TEnvironmentScope m_Type("LC_CTYPE", nullptr);
        const TEnvironmentScope m_Lang("LANG", "zh_TW");
        EXPECT_EQ(DefaultAnsiCodePage(), 950);
    }
    {
        const TEnvironmentScope m_All("LC_ALL", nullptr);
        const TEnvironmentScope m_Type("LC_CTYPE", nullptr);
        const TEnvironmentScope m_Lang("LANG", nullptr);
        EXPECT_EQ(DefaultAnsiCodePage(), 1252);
    }
}
#endif

int CodePageFromConverterName(const std::string& p_strName) {
    if (p_strName == "windows-936-2000") {
        return 936;
    }
    if (p_strName == "windows-1252") {
        return 1252;
    }
    ADD_FAILURE() << "unknown converter " << p_strName;
    return 1252;
}

TEST(AnsiRoundTrip, SharedCasesDecodeAndRoundTripAsRecorded) {
    const TTsvTable m_Table("ansi-roundtrip-cases.tsv");
    ASSERT_GE(m_Table.RowCount(), 16U);
    for (std::size_t m_intRow = 0; m_intRow < m_Table.RowCount(); ++m_intRow) {
        const std::string& m_strId = m_Table.Cell(m_intRow, "id");
        const int m_intCodePage = CodePageFromConverterName(m_Table.Cell(m_intRow, "codepage"));
        const std::string m_strBytes = HexToBytes(m_Table.Cell(m_intRow, "hex"));
        const bool m_IsRoundTrip = m_Table.Cell(m_intRow, "round_trip") == "yes";

        const std::u16string m_strText = AnsiDecode(m_strBytes, m_intCodePage);
        EXPECT_EQ(m_strText, test::UnitsFromHexList(m_Table.Cell(m_intRow, "lenient_units")))
            << m_strId;
        EXPECT_EQ(IsAnsiRoundTrip(m_strBytes, m_intCodePage), m_IsRoundTrip) << m_strId;
        std::string m_strEncoded;
        // The substitute in a lenient decoding has no exact mapping: strict encoding refuses.
        EXPECT_EQ(AnsiEncodeStrict(m_strText, m_intCodePage, m_strEncoded), m_IsRoundTrip)
            << m_strId;
        if (m_IsRoundTrip) {
            EXPECT_EQ(m_strEncoded, HexToBytes(m_Table.Cell(m_intRow, "reencoded"))) << m_strId;
        }
    }
}

TEST(AnsiRoundTrip, StrictEncodingRefusesMissingCharactersAndLoneSurrogates) {
    std::string m_strBytes;
    EXPECT_FALSE(AnsiEncodeStrict(u"中", 1252, m_strBytes));
    EXPECT_FALSE(AnsiEncodeStrict(u"a\U0001F600", 936, m_strBytes));
    EXPECT_FALSE(AnsiEncodeStrict(u"\u0E01", 936, m_strBytes));  // Thai, not in GBK
    EXPECT_FALSE(AnsiEncodeStrict(u"\u2260", 1252, m_strBytes)); // no best fit to "="
    EXPECT_FALSE(AnsiEncodeStrict(u"\u0100", 1252, m_strBytes)); // no best fit to "A"
    EXPECT_FALSE(AnsiEncodeStrict(std::u16string{u'a', char16_t(0xD800)}, 936, m_strBytes));
    ASSERT_TRUE(AnsiEncodeStrict(u"é中", 936, m_strBytes));
    EXPECT_EQ(m_strBytes, "\xA8\xA6\xD6\xD0");
    ASSERT_TRUE(AnsiEncodeStrict(u"", 936, m_strBytes));
    EXPECT_TRUE(m_strBytes.empty());
}

TEST(AnsiRoundTrip, JapaneseKeepsEveryAsciiByteAsItIs) {
    std::string m_strAscii;
    for (int m_intByte = 0; m_intByte < 0x80; ++m_intByte) {
        m_strAscii.push_back(static_cast<char>(m_intByte));
    }
    // With a non-ASCII character present the converter itself runs, not the ASCII shortcut.
    const std::string m_strBytes = m_strAscii + "\x82\xA0"; // HIRAGANA LETTER A
    const std::u16string m_strText = AnsiDecode(m_strBytes, 932);
    ASSERT_EQ(m_strText.size(), 129U);
    for (std::size_t m_intIndex = 0; m_intIndex < 0x80; ++m_intIndex) {
        EXPECT_EQ(m_strText[m_intIndex], static_cast<char16_t>(m_intIndex)) << m_intIndex;
    }
    EXPECT_EQ(m_strText[128], u'\u3042');
    EXPECT_TRUE(IsAnsiRoundTrip(m_strBytes, 932));
}

// A byte without a mapping must not read as a real character, least of all one that encodes to
// some other byte.
TEST(AnsiRoundTrip, InvalidBytesNeverReadAsControlCharacters) {
    const struct {
        int g_intCodePage;
        std::string_view g_strBytes;
    } m_arrCases[] = {{932, "\x81 "}, {936, "\x81 "}, {949, "\x81 "}, {950, "\x81 "}};
    for (const auto& m_Case : m_arrCases) {
        const std::u16string m_strText = AnsiDecode(m_Case.g_strBytes, m_Case.g_intCodePage);
        ASSERT_EQ(m_strText.size(), 2U) << m_Case.g_intCodePage;
        EXPECT_GE(m_strText[0], u'\u0080') << m_Case.g_intCodePage;
#ifndef _WIN32
        EXPECT_EQ(m_strText[0], u'\uFFFD') << m_Case.g_intCodePage;
#endif
        EXPECT_EQ(m_strText[1], u' ') << m_Case.g_intCodePage;
        EXPECT_FALSE(IsAnsiRoundTrip(m_Case.g_strBytes, m_Case.g_intCodePage))
            << m_Case.g_intCodePage;
    }
}

TEST(AnsiRoundTrip, Windows1252MatchesTheWhatwgIndex) {
    std::u16string m_strExpected(128, u'\0');
    for (const std::string& m_strLine : test::SplitFileLines(
             test::ReadWholeFile(test::EncodingDataPath("index-windows-1252.txt")))) {
        if (m_strLine.empty() || m_strLine.starts_with("#")) {
            continue;
        }
        const std::vector<std::string> m_arrCells = test::SplitText(m_strLine, '\t');
        ASSERT_GE(m_arrCells.size(), 2U);
        const int m_intPointer = std::stoi(m_arrCells[0]);
        ASSERT_LT(m_intPointer, 128);
        m_strExpected[static_cast<std::size_t>(m_intPointer)] =
            static_cast<char16_t>(std::stoi(m_arrCells[1], nullptr, 16));
    }
    std::string m_strHighBytes;
    for (int m_intByte = 0x80; m_intByte <= 0xFF; ++m_intByte) {
        m_strHighBytes.push_back(static_cast<char>(m_intByte));
    }
    EXPECT_EQ(AnsiDecode(m_strHighBytes, 1252), m_strExpected);
    EXPECT_TRUE(IsAnsiRoundTrip(m_strHighBytes, 1252));
}

// All 23940 two-byte GBK codes: the decoding agrees with the WHATWG reference except for the
// codes recorded where ICU's table differs, and every code survives a round trip.
TEST(AnsiRoundTrip, GbkAgreesWithTheReferenceWhereIcuDoes) {
    std::map<std::string, char16_t> m_arrIcuDifferences;
    for (const std::string& m_strLine : test::SplitFileLines(
             test::ReadWholeFile(test::EncodingDataPath("gbk-cp936-icu-vs-whatwg-diffs.tsv")))) {
        const std::vector<std::string> m_arrCells = test::SplitText(m_strLine, '\t');
        if (m_strLine.starts_with("#") || m_arrCells.size() < 3 || m_arrCells[0] == "bytes") {
            continue;
        }
        m_arrIcuDifferences[HexToBytes(m_arrCells[0])] = test::UnitFromCodePointText(m_arrCells[1]);
    }
    ASSERT_EQ(m_arrIcuDifferences.size(), 101U);

    const std::vector<std::string> m_arrCodes =
        test::SplitFileLines(test::ReadWholeFile(test::EncodingDataPath("gb18030_in.txt")));
    const std::vector<std::string> m_arrReference =
        test::SplitFileLines(test::ReadWholeFile(test::EncodingDataPath("gb18030_in_ref.txt")));
    ASSERT_EQ(m_arrCodes.size(), m_arrReference.size());

    std::size_t m_intCodeCount = 0;
    std::size_t m_intDifferenceCount = 0;
    for (std::size_t m_intLine = 0; m_intLine < m_arrCodes.size(); ++m_intLine) {
        const std::string& m_strCode = m_arrCodes[m_intLine];
        const std::u16string m_strText = AnsiDecode(m_strCode, 936);
        const bool m_IsCode =
            m_strCode.size() == 2 && static_cast<unsigned char>(m_strCode[0]) >= 0x81;
        if (!m_IsCode) {
            EXPECT_EQ(m_strText, Utf8ToUtf16Lenient(m_arrReference[m_intLine]));
            continue;
        }
        ++m_intCodeCount;
        const auto m_Difference = m_arrIcuDifferences.find(m_strCode);
        if (m_Difference != m_arrIcuDifferences.end()) {
            ++m_intDifferenceCount;
            EXPECT_EQ(m_strText, std::u16string(1, m_Difference->second)) << m_intLine;
        } else {
            EXPECT_EQ(m_strText, Utf8ToUtf16Lenient(m_arrReference[m_intLine])) << m_intLine;
        }
        EXPECT_TRUE(IsAnsiRoundTrip(m_strCode, 936)) << m_intLine;
    }
    EXPECT_EQ(m_intCodeCount, 23940U);
    EXPECT_EQ(m_intDifferenceCount, 101U);
}

#ifndef _WIN32
// Text decoded piece by piece, cut anywhere (within a double-byte character too, and after a lone
// lead byte), joins to the text of the whole, invalid bytes and the 932 control codes included.
TEST(AnsiDecodePiece, PiecesJoinToTheTextOfTheWhole) {
    std::mt19937 m_Random(9360);
    const unsigned char m_arrPool[] = {0x00, 0x1A, 0x1C, 0x40, 0x41, 0x5C, 0x7E, 0x7F, 0x80, 0x81,
                                       0x82, 0x9F, 0xA0, 0xA1, 0xB0, 0xD6, 0xDF, 0xE0, 0xFE, 0xFF};
    for (const int m_intCodePage : {932, 936, 949, 950, 1252}) {
        for (int m_intRound = 0; m_intRound < 400; ++m_intRound) {
            std::string m_strBytes;
            for (std::size_t m_intCount = m_Random() % 24; m_intCount > 0; --m_intCount) {
                m_strBytes += static_cast<char>(m_arrPool[m_Random() % sizeof m_arrPool]);
            }
            const std::u16string m_strExpected = AnsiDecode(m_strBytes, m_intCodePage);
            std::u16string m_strJoined;
            std::u16string m_strPiece;
            std::size_t m_intAt = 0;
            bool m_IsFirst = true;
            bool m_IsLast = false;
            while (!m_IsLast) {
                const std::size_t m_intLength =
                    std::min<std::size_t>(m_Random() % 4, m_strBytes.size() - m_intAt);
                m_IsLast = m_intAt + m_intLength == m_strBytes.size() && (m_Random() & 1) != 0;
                AnsiDecodePiece(std::string_view(m_strBytes).substr(m_intAt, m_intLength),
                                m_intCodePage, m_IsFirst, m_IsLast, m_strPiece);
                m_strJoined += m_strPiece;
                m_intAt += m_intLength;
                m_IsFirst = false;
            }
            ASSERT_EQ(m_strJoined, m_strExpected)
                << "code page " << m_intCodePage << ", round " << m_intRound;
        }
    }
}
#endif

TEST(AnsiCodePage, ConvertersArePerThread) {
    const std::string m_strBytes = "\xC4\xE3\xBA\xC3 \xD6\xD0\xCE\xC4";
    const std::u16string m_strExpected = u"你好 中文";
    std::vector<std::thread> m_arrThreads;
    std::vector<int> m_arrFailures(4, 0);
    for (std::size_t m_intThread = 0; m_intThread < m_arrFailures.size(); ++m_intThread) {
        m_arrThreads.emplace_back([&, m_intThread] {
            for (int m_intRound = 0; m_intRound < 500; ++m_intRound) {
                std::string m_strBack;
                if (AnsiDecode(m_strBytes, 936) != m_strExpected ||
                    !AnsiEncodeStrict(m_strExpected, 936, m_strBack) || m_strBack != m_strBytes) {
                    ++m_arrFailures[m_intThread];
                }
            }
        });
    }
    for (std::thread& m_Thread : m_arrThreads) {
        m_Thread.join();
    }
    EXPECT_EQ(m_arrFailures, std::vector<int>(4, 0));
}

} // namespace
} // namespace morvane
