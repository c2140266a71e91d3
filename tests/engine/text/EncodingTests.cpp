// Encoding codes: names, detection, decoding a file's bytes, the rewrite guard and encoding.

#include "TextTestData.h"
#include "text/u_Encoding.h"
#include "text/u_EncodingProbe.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <unicode/ustring.h>

#include <random>

namespace morvane {
namespace {

using namespace std::string_literals;
using test::HexToBytes;
using test::TAnsiCodePageScope;
using test::TTsvTable;

TEST(EncodingName, EveryCodeHasItsDisplayName) {
    const std::u16string_view m_arrNames[] = {u"unknow",  u"ANSI",    u"UTF8无Bom", u"UTF8有Bom",
                                              u"UTF16BE", u"UTF16LE", u"UTF32BE",   u"UTF32LE"};
    for (int m_intCode = 0; m_intCode < 8; ++m_intCode) {
        EXPECT_EQ(GetEncodingName(static_cast<TEncodingCode>(m_intCode)), m_arrNames[m_intCode]);
    }
    EXPECT_EQ(GetEncodingName(8), u"unknow");
    EXPECT_EQ(GetEncodingName(255), u"unknow");
}

struct TDetectionCase {
    const char* g_strWhat;
    std::string g_strBytes;
    std::u16string_view g_strFileName;
    TEncodingCode g_intExpected;
};

TEST(DetectEncoding, DecidesAsTheStepsSay) {
    const TDetectionCase m_arrCases[] = {
        {"empty", "", u"a.txt", kEncodingAnsi},
        {"one byte", "A", u"a.txt", kEncodingAnsi},
        {"one high byte", "\xC4", u"a.txt", kEncodingAnsi},
        {"EF BB BF alone, php", "\xEF\xBB\xBF", u"a.php", kEncodingAnsi},
        {"EF BB BF alone, txt", "\xEF\xBB\xBF", u"a.txt", kEncodingUtf8},
        {"EF BB BF then text",
         "\xEF\xBB\xBF"
         "abc",
         u"a.php", kEncodingUtf8Bom},
        {"EF BB BF 00", "\xEF\xBB\xBF\x00"s, u"a.txt", kEncodingUtf8Bom},
        {"EF BB, two bytes", "\xEF\xBB", u"a.txt", kEncodingAnsi},
        {"FF FE", "\xFF\xFE", u"a.txt", kEncodingUtf16LE},
        {"FF FE 00, three bytes", "\xFF\xFE\x00"s, u"a.txt", kEncodingUtf16LE},
        {"FE FF 41", "\xFE\xFF\x41", u"a.txt", kEncodingUtf16BE},
        {"FE FF", "\xFE\xFF", u"a.txt", kEncodingUtf16BE},
        {"FF FE 00 00", "\xFF\xFE\x00\x00"s, u"a.txt", kEncodingUtf32LE},
        {"UTF-16LE starting with U+0000", "\xFF\xFE\x00\x00\x41\x00"s, u"a.txt", kEncodingUtf32LE},
        {"00 00 FE FF", "\x00\x00\xFE\xFF"s, u"a.txt", kEncodingUtf32BE},
        {"00 00 FE, three bytes", "\x00\x00\xFE"s, u"a.txt", kEncodingAnsi},
        {"GBK Chinese", "\xC4\xE3\xBA\xC3", u"a.txt", kEncodingAnsi},
        {"same text in UTF-8", "\xE4\xBD\xA0\xE5\xA5\xBD", u"a.txt", kEncodingUtf8},
        {"UTF-8 decides before the extension", "x\xC3\xA9", u"a.php", kEncodingUtf8},
        {"UTF-8 starting with U+0000, txt", "\x00\xC3\xA9"s, u"a.txt", kEncodingUtf8},
        {"UTF-8 starting with U+0000, php", "\x00\xC3\xA9"s, u"a.php", kEncodingAnsi},
        {"ASCII .Php", "<?php echo 1; ?>", u"index.Php", kEncodingAnsi},
        {"ASCII .PHP", "<?php echo 1; ?>", u"INDEX.PHP", kEncodingAnsi},
        {"ASCII .php in a path", "<?php", u"/srv/www/index.php", kEncodingAnsi},
        {"ASCII .php5", "<?php", u"index.php5", kEncodingUtf8},
        {"ASCII .txt", "<?php", u"index.txt", kEncodingUtf8},
        {"ASCII, no extension", "<?php", u"Makefile", kEncodingUtf8},
        {"ASCII, .php only in the folder", "<?php", u"/srv/x.php/readme", kEncodingUtf8},
        {"ASCII name .php", "<?php", u".php", kEncodingAnsi},
        {"ASCII UTF-16LE without mark", "a\0b\0c\0"s, u"a.txt", kEncodingUtf8},
        {"ASCII UTF-16LE without mark, php", "a\0b\0c\0"s, u"a.php", kEncodingAnsi},
    };
    for (const TDetectionCase& m_Case : m_arrCases) {
        EXPECT_EQ(int(DetectEncoding(m_Case.g_strBytes, m_Case.g_strFileName)),
                  int(m_Case.g_intExpected))
            << m_Case.g_strWhat;
    }
}

TEST(DetectEncoding, LooksAtTheWholeFile) {
    std::string m_strBytes(200000, 'a');
    EXPECT_EQ(DetectEncoding(m_strBytes, u"a.php"), kEncodingAnsi);
    // A character split by nothing but the size of the checked slices stays whole.
    for (std::size_t m_intAt : {65533U, 65534U, 65535U, 65536U, 131070U, 199996U}) {
        std::string m_strUtf8 = m_strBytes;
        m_strUtf8.replace(m_intAt, 4, "\xF0\x9F\x98\x80");
        EXPECT_EQ(DetectEncoding(m_strUtf8, u"a.txt"), kEncodingUtf8) << m_intAt;
        std::string m_strBroken = m_strBytes;
        m_strBroken.replace(m_intAt, 4, "\x9F\x98\x80\x80");
        EXPECT_EQ(DetectEncoding(m_strBroken, u"a.txt"), kEncodingAnsi) << m_intAt;
        m_strBroken = m_strBytes;
        m_strBroken.replace(m_intAt, 3, "\xF0\x9F\x98");
        EXPECT_EQ(DetectEncoding(m_strBroken, u"a.txt"), kEncodingAnsi) << m_intAt;
    }
    m_strBytes.back() = '\xFF';
    EXPECT_EQ(DetectEncoding(m_strBytes, u"a.txt"), kEncodingAnsi);
}

// The steps written out literally (hexadecimal text of the first bytes, the run of high bytes,
// ICU as the UTF-8 judge), to compare with on many small files.
TEncodingCode ReferenceDetection(const std::string& p_strBytes, bool p_IsPhp) {
    if (p_strBytes.size() < 2) {
        return 1;
    }
    std::string m_strHex;
    const std::size_t m_intHead = p_strBytes.size() >= 4 ? 4 : 2;
    for (std::size_t m_intIndex = 0; m_intIndex < m_intHead; ++m_intIndex) {
        static const char kDigits[] = "0123456789ABCDEF";
        const auto m_intByte = static_cast<unsigned char>(p_strBytes[m_intIndex]);
        m_strHex += kDigits[m_intByte >> 4];
        m_strHex += kDigits[m_intByte & 15];
    }
    const std::pair<const char*, TEncodingCode> m_arrMarks[] = {
        {"FFFE0000", 7}, {"0000FEFF", 6}, {"EFBBBF", 3}, {"FFFE", 5}, {"FEFF", 4}};
    for (const auto& [m_strMark, m_intCode] : m_arrMarks) {
        if (m_strHex.starts_with(m_strMark)) {
            return m_intCode;
        }
    }
    std::string m_strRun;
    for (const char m_intByte : p_strBytes) {
        const auto m_intValue = static_cast<unsigned char>(m_intByte);
        if (m_intValue >= 0x80) {
            m_strRun += m_intByte;
        } else if (!m_strRun.empty() && m_intValue < 0x7F) {
            break;
        }
    }
    if (!m_strRun.empty()) {
        std::string_view m_strBody = p_strBytes;
        if (m_strBody.starts_with("\xEF\xBB\xBF")) {
            m_strBody.remove_prefix(3);
        }
        UErrorCode m_intError = U_ZERO_ERROR;
        UChar m_arrText[64];
        int32_t m_intLength = 0;
        u_strFromUTF8(m_arrText, 64, &m_intLength, m_strBody.data(),
                      static_cast<int32_t>(m_strBody.size()), &m_intError);
        if (U_FAILURE(m_intError)) {
            return 1;
        }
        if (m_intLength > 0 && m_arrText[0] != 0) {
            return 2;
        }
    }
    return p_IsPhp ? 1 : 2;
}

TEST(DetectEncoding, AgreesWithTheLiteralStepsOnSmallFiles) {
    const unsigned char m_arrPool[] = {0x00, 0x41, 0x7E, 0x7F, 0x80, 0xA9, 0xBB, 0xBF,
                                       0xC3, 0xE4, 0xED, 0xEF, 0xF0, 0xFE, 0xFF};
    std::mt19937 m_Random(20240611);
    for (int m_intRound = 0; m_intRound < 100000; ++m_intRound) {
        std::string m_strBytes;
        const std::size_t m_intLength = m_Random() % 9;
        for (std::size_t m_intIndex = 0; m_intIndex < m_intLength; ++m_intIndex) {
            m_strBytes += static_cast<char>(m_arrPool[m_Random() % sizeof m_arrPool]);
        }
        const bool m_IsPhp = (m_Random() & 1) != 0;
        ASSERT_EQ(int(DetectEncoding(m_strBytes, m_IsPhp ? u"x.pHp" : u"x.txt")),
                  int(ReferenceDetection(m_strBytes, m_IsPhp)))
            << m_intRound;
    }
}

// A reader that sees a file in pieces must come to DetectEncoding's verdict on the whole, and to
// the same well-formedness, wherever the pieces are cut (within a sequence, a mark or the first
// bytes) and whether it skipped ahead over ASCII first.
TEST(EncodingProbe, PiecesGiveTheVerdictOfTheWhole) {
    const std::vector<std::string> m_arrParts = {"ab",
                                                 "\xC3\xA9",
                                                 "\xE4\xB8\xAD",
                                                 "\xF0\x9F\x98\x80",
                                                 "\xEF\xBB\xBF",
                                                 "\xFF\xFE",
                                                 "\xFE\xFF",
                                                 "\x00\x00",
                                                 "\xC3",
                                                 "\x80",
                                                 "\xE4\xB8",
                                                 "\xED\xA0\x80",
                                                 "\xF4\x90",
                                                 std::string(1, '\0'),
                                                 std::string(37, 'x')};
    std::mt19937 m_Random(2612);
    for (int m_intRound = 0; m_intRound < 4000; ++m_intRound) {
        std::string m_strBytes;
        for (std::size_t m_intCount = m_Random() % 7; m_intCount > 0; --m_intCount) {
            m_strBytes += m_arrParts[m_Random() % m_arrParts.size()];
        }
        const std::u16string_view m_strName = (m_intRound & 1) != 0 ? u"x.php" : u"x.txt";
        const TEncodingCode m_intExpected = DetectEncoding(m_strBytes, m_strName);
        const bool m_IsWellFormed = IsWellFormedUtf8(
            m_strBytes.starts_with("\xEF\xBB\xBF") ? m_strBytes.substr(3) : m_strBytes);
        // Every cut into two pieces, then random cuts into many, some fed ASCII-first.
        for (std::size_t m_intCut = 0; m_intCut <= m_strBytes.size(); ++m_intCut) {
            TEncodingProbe m_Probe;
            m_Probe.Feed(std::string_view(m_strBytes).substr(0, m_intCut));
            m_Probe.Feed(std::string_view(m_strBytes).substr(m_intCut));
            ASSERT_EQ(int(m_Probe.Detect(m_strName)), int(m_intExpected)) << m_intRound;
            ASSERT_EQ(m_Probe.IsWellFormedUtf8Body(), m_IsWellFormed) << m_intRound;
            ASSERT_EQ(m_Probe.Size(), m_strBytes.size());
        }
        TEncodingProbe m_Probe;
        bool m_IsAsciiFirst = (m_intRound & 2) != 0;
        for (std::size_t m_intAt = 0; m_intAt < m_strBytes.size();) {
            const std::size_t m_intLength =
                std::min<std::size_t>(1 + m_Random() % 5, m_strBytes.size() - m_intAt);
            const std::string_view m_strPiece =
                std::string_view(m_strBytes).substr(m_intAt, m_intLength);
            if (!m_IsAsciiFirst || !m_Probe.FeedIfAscii(m_strPiece)) {
                // The first piece that is not plain ASCII is fed again from there, as a reader
                // that skipped ahead catches up.
                m_IsAsciiFirst = false;
                m_Probe.Feed(m_strPiece);
            }
            m_intAt += m_intLength;
        }
        ASSERT_EQ(int(m_Probe.Detect(m_strName)), int(m_intExpected)) << m_intRound;
        ASSERT_EQ(m_Probe.IsWellFormedUtf8Body(), m_IsWellFormed) << m_intRound;
    }
}

struct TDecodeCase {
    const char* g_strWhat;
    TEncodingCode g_intEncoding;
    std::string g_strBytes;
    bool g_IsDecoded;
    std::u16string g_strText;
    bool g_IsOddByteDropped;
};

TEST(DecodeFileBytes, StripsOnlyTheOwnMarkAndDecodes) {
    const TAnsiCodePageScope m_Scope(936);
    const TDecodeCase m_arrCases[] = {
        {"ANSI GBK", kEncodingAnsi, "\xC4\xE3\xBA\xC3!", true, u"你好!", false},
        {"ANSI keeps a UTF-8 mark as text", kEncodingAnsi, "\xEF\xBB\xBF", true,
         AnsiDecode("\xEF\xBB\xBF", 936), false},
        {"ANSI empty", kEncodingAnsi, "", true, u"", false},
        {"UTF-8 without mark", kEncodingUtf8, "a\xC3\xA9", true, u"aé", false},
        {"UTF-8 code 2 drops a mark", kEncodingUtf8,
         "\xEF\xBB\xBF"
         "a",
         true, u"a", false},
        {"UTF-8 code 3 drops its mark", kEncodingUtf8Bom,
         "\xEF\xBB\xBF"
         "a",
         true, u"a", false},
        {"UTF-8 code 3 without mark", kEncodingUtf8Bom, "a", true, u"a", false},
        {"UTF-8 mark only", kEncodingUtf8Bom, "\xEF\xBB\xBF", true, u"", false},
        {"UTF-8 ill-formed", kEncodingUtf8, "a\xC3", false, u"", false},
        {"UTF-8 with a UTF-16 mark", kEncodingUtf8, "\xFF\xFE\x41\x00"s, false, u"", false},
        {"UTF-16BE", kEncodingUtf16BE, "\xFE\xFF\x00\x41\x4E\x2D"s, true, u"A中", false},
        {"UTF-16BE without mark", kEncodingUtf16BE, "\x00\x41"s, true, u"A", false},
        {"UTF-16BE with the LE mark as text", kEncodingUtf16BE, "\xFF\xFE\x41\x00"s, true,
         std::u16string{char16_t(0xFFFE), char16_t(0x4100)}, false},
        {"UTF-16LE", kEncodingUtf16LE, "\xFF\xFE\x41\x00\x2D\x4E"s, true, u"A中", false},
        {"UTF-16LE mark only", kEncodingUtf16LE, "\xFF\xFE", true, u"", false},
        {"UTF-16LE one byte after the mark", kEncodingUtf16LE, "\xFF\xFE\x41", false, u"", false},
        {"UTF-16LE one byte", kEncodingUtf16LE, "\x41", false, u"", false},
        {"UTF-16LE odd length", kEncodingUtf16LE, "\xFF\xFE\x41\x00\x42"s, true, u"A", true},
        {"UTF-16BE odd length", kEncodingUtf16BE, "\x00\x41\x42"s, true, u"A", true},
        {"code 0", kEncodingAuto, "abc", false, u"", false},
        {"code 6", kEncodingUtf32BE, "\x00\x00\xFE\xFF"s, false, u"", false},
        {"code 7", kEncodingUtf32LE, "\xFF\xFE\x00\x00"s, false, u"", false},
        {"code 8", 8, "abc", false, u"", false},
    };
    for (const TDecodeCase& m_Case : m_arrCases) {
        TDecodedText m_Decoded;
        m_Decoded.g_IsOddByteDropped = true; // must be reset
        ASSERT_EQ(DecodeFileBytes(m_Case.g_intEncoding, m_Case.g_strBytes, m_Decoded),
                  m_Case.g_IsDecoded)
            << m_Case.g_strWhat;
        if (m_Case.g_IsDecoded) {
            EXPECT_EQ(m_Decoded.g_strText, m_Case.g_strText) << m_Case.g_strWhat;
            EXPECT_EQ(m_Decoded.g_IsOddByteDropped, m_Case.g_IsOddByteDropped) << m_Case.g_strWhat;
        }
    }
}

TEST(DecodeFileBytes, ReusesTheTextBuffer) {
    const TAnsiCodePageScope m_Scope(1252);
    TDecodedText m_Decoded;
    ASSERT_TRUE(DecodeFileBytes(kEncodingAnsi, std::string(4096, 'x'), m_Decoded));
    const char16_t* m_Buffer = m_Decoded.g_strText.data();
    const std::pair<TEncodingCode, std::string> m_arrFiles[] = {
        {kEncodingAnsi, "small \xE9"},
        {kEncodingAnsi, "ascii"},
        {kEncodingUtf8, "small \xC3\xA9"},
        {kEncodingUtf16LE, "\xFF\xFE\x41\x00"s}};
    for (const auto& [m_intEncoding, m_strBytes] : m_arrFiles) {
        ASSERT_TRUE(DecodeFileBytes(m_intEncoding, m_strBytes, m_Decoded));
        EXPECT_EQ(m_Decoded.g_strText.data(), m_Buffer) << int(m_intEncoding);
    }
}

std::string Utf16Mark(const std::string& p_strEncoding) {
    return p_strEncoding == "utf-16le" ? "\xFF\xFE" : "\xFE\xFF";
}

// utf16-cases.tsv: code units are copied as they are, lone surrogates included, and write back
// to the same bytes; odd lengths keep their text but are never rewritten; one byte fails.
TEST(DecodeFileBytes, Utf16SharedCases) {
    const TTsvTable m_Table("utf16-cases.tsv");
    ASSERT_GE(m_Table.RowCount(), 19U);
    for (std::size_t m_intRow = 0; m_intRow < m_Table.RowCount(); ++m_intRow) {
        const std::string& m_strId = m_Table.Cell(m_intRow, "id");
        const std::string& m_strEncoding = m_Table.Cell(m_intRow, "encoding");
        const TEncodingCode m_intEncoding =
            m_strEncoding == "utf-16le" ? kEncodingUtf16LE : kEncodingUtf16BE;
        const std::string m_strBody = HexToBytes(m_Table.Cell(m_intRow, "hex"));
        const std::string m_strFile = Utf16Mark(m_strEncoding) + m_strBody;
        const std::string& m_strExpected = m_Table.Cell(m_intRow, "code_units");
        const bool m_IsRoundTrip = m_Table.Cell(m_intRow, "passthrough_round_trip") == "yes";

        TDecodedText m_Decoded;
        const bool m_IsDecoded = DecodeFileBytes(m_intEncoding, m_strFile, m_Decoded);
        if (m_strExpected.starts_with("read fails")) {
            EXPECT_FALSE(m_IsDecoded) << m_strId;
            continue;
        }
        ASSERT_TRUE(m_IsDecoded) << m_strId;
        const std::size_t m_intStray = m_strExpected.find(" + stray byte");
        EXPECT_EQ(m_Decoded.g_IsOddByteDropped, m_intStray != std::string::npos) << m_strId;
        EXPECT_EQ(m_Decoded.g_strText,
                  test::UnitsFromHexList(std::string_view(m_strExpected).substr(0, m_intStray)))
            << m_strId;

        const bool m_HasNul = m_Decoded.g_strText.find(u'\0') != std::u16string::npos;
        if (m_IsRoundTrip && !m_HasNul) {
            EXPECT_NO_THROW(EnsureSafeToRewrite(m_intEncoding, m_strFile, m_Decoded)) << m_strId;
            EXPECT_EQ(EncodeFileText(m_intEncoding, m_Decoded.g_strText), m_strFile) << m_strId;
        } else {
            EXPECT_THROW(EnsureSafeToRewrite(m_intEncoding, m_strFile, m_Decoded), TEngineError)
                << m_strId;
        }
    }
}

struct TRewriteCase {
    const char* g_strWhat;
    TEncodingCode g_intEncoding;
    std::string g_strBytes;
    const char* g_strReasonPart; // nullptr: safe to rewrite
};

TEST(EnsureSafeToRewrite, RefusesFilesWhoseBytesWouldChange) {
    const TAnsiCodePageScope m_Scope(936);
    const TRewriteCase m_arrCases[] = {
        {"GBK text", kEncodingAnsi, "\xC4\xE3\xBA\xC3\r\n", nullptr},
        {"GBK lone lead byte at the end", kEncodingAnsi, "A\xC4", "ANSI代码页936"},
        {"GBK lead byte before LF", kEncodingAnsi, "\xA1\n", "ANSI代码页936"},
        {"GB18030 four-byte form", kEncodingAnsi, "\x81\x30\x81\x30", "ANSI代码页936"},
        {"ANSI with NUL", kEncodingAnsi, "ab\0c"s, "空字符"},
        {"UTF-8 text", kEncodingUtf8, "\xE4\xBD\xA0", nullptr},
        {"UTF-8 with NUL", kEncodingUtf8Bom,
         "\xEF\xBB\xBF"
         "a\0"s,
         "空字符"},
        {"UTF-16 with NUL", kEncodingUtf16LE, "\xFF\xFE\x41\x00\x00\x00"s, "空字符"},
        {"UTF-16 odd length", kEncodingUtf16LE, "\xFF\xFE\x41\x00\x42"s, "奇数"},
        {"UTF-16 lone surrogate", kEncodingUtf16BE, "\xFE\xFF\xD8\x00"s, nullptr},
    };
    for (const TRewriteCase& m_Case : m_arrCases) {
        TDecodedText m_Decoded;
        ASSERT_TRUE(DecodeFileBytes(m_Case.g_intEncoding, m_Case.g_strBytes, m_Decoded))
            << m_Case.g_strWhat;
        if (m_Case.g_strReasonPart == nullptr) {
            EXPECT_NO_THROW(EnsureSafeToRewrite(m_Case.g_intEncoding, m_Case.g_strBytes, m_Decoded))
                << m_Case.g_strWhat;
            continue;
        }
        try {
            EnsureSafeToRewrite(m_Case.g_intEncoding, m_Case.g_strBytes, m_Decoded);
            ADD_FAILURE() << m_Case.g_strWhat << ": no error";
        } catch (const TEngineError& m_Error) {
            EXPECT_NE(std::string(m_Error.what()).find(m_Case.g_strReasonPart), std::string::npos)
                << m_Case.g_strWhat << ": " << m_Error.what();
            EXPECT_NE(std::string(m_Error.what()).find("未替换"), std::string::npos);
        }
    }
}

TEST(EnsureSafeToRewrite, AnsiSharedCasesThatDoNotRoundTripAreRefused) {
    const TTsvTable m_Table("ansi-roundtrip-cases.tsv");
    for (std::size_t m_intRow = 0; m_intRow < m_Table.RowCount(); ++m_intRow) {
        const int m_intCodePage = m_Table.Cell(m_intRow, "codepage") == "windows-1252" ? 1252 : 936;
        const TAnsiCodePageScope m_Scope(m_intCodePage);
        const std::string m_strBytes = HexToBytes(m_Table.Cell(m_intRow, "hex"));
        TDecodedText m_Decoded;
        ASSERT_TRUE(DecodeFileBytes(kEncodingAnsi, m_strBytes, m_Decoded));
        if (m_Table.Cell(m_intRow, "round_trip") == "yes") {
            EXPECT_NO_THROW(EnsureSafeToRewrite(kEncodingAnsi, m_strBytes, m_Decoded))
                << m_Table.Cell(m_intRow, "id");
            EXPECT_EQ(EncodeFileText(kEncodingAnsi, m_Decoded.g_strText), m_strBytes);
        } else {
            EXPECT_THROW(EnsureSafeToRewrite(kEncodingAnsi, m_strBytes, m_Decoded), TEngineError)
                << m_Table.Cell(m_intRow, "id");
        }
    }
}

TEST(EncodeFileText, WritesTheMarkOfTheCodeAndTheText) {
    const TAnsiCodePageScope m_Scope(936);
    const struct {
        TEncodingCode g_intEncoding;
        std::u16string_view g_strText;
        std::string g_strBytes;
    } m_arrCases[] = {
        {kEncodingAnsi, u"你好\r\n", "\xC4\xE3\xBA\xC3\r\n"},
        {kEncodingAnsi, u"", ""},
        {kEncodingUtf8, u"é\r\n", "\xC3\xA9\r\n"},
        {kEncodingUtf8, u"", ""},
        {kEncodingUtf8Bom, u"é", "\xEF\xBB\xBF\xC3\xA9"},
        {kEncodingUtf8Bom, u"", "\xEF\xBB\xBF"},
        {kEncodingUtf8, u"\U0001F600", "\xF0\x9F\x98\x80"},
        {kEncodingUtf16BE, u"A中", "\xFE\xFF\x00\x41\x4E\x2D"s},
        {kEncodingUtf16LE, u"A中", "\xFF\xFE\x41\x00\x2D\x4E"s},
        {kEncodingUtf16LE, u"", "\xFF\xFE"},
        {kEncodingUtf16BE, u"", "\xFE\xFF"},
    };
    for (const auto& m_Case : m_arrCases) {
        EXPECT_EQ(EncodeFileText(m_Case.g_intEncoding, m_Case.g_strText), m_Case.g_strBytes)
            << int(m_Case.g_intEncoding);
    }
}

TEST(EncodeFileText, RefusesCharactersItCannotWriteFaithfully) {
    const std::u16string m_strLoneSurrogate{u'a', char16_t(0xDC00)};
    {
        const TAnsiCodePageScope m_Scope(936);
        try {
            EncodeFileText(kEncodingAnsi, u"Thai \u0E01");
            ADD_FAILURE() << "no error";
        } catch (const TEngineError& m_Error) {
            EXPECT_STREQ(m_Error.what(), "替换后的文本含有ANSI代码页936无法表示的字符，未替换。");
        }
        EXPECT_THROW(EncodeFileText(kEncodingAnsi, m_strLoneSurrogate), TEngineError);
    }
    {
        const TAnsiCodePageScope m_Scope(1252);
        EXPECT_THROW(EncodeFileText(kEncodingAnsi, u"中"), TEngineError);
        EXPECT_EQ(EncodeFileText(kEncodingAnsi, u"é"), "\xE9");
    }
    EXPECT_THROW(EncodeFileText(kEncodingUtf8, m_strLoneSurrogate), TEngineError);
    EXPECT_THROW(EncodeFileText(kEncodingUtf8Bom, std::u16string{char16_t(0xD800), u'b'}),
                 TEngineError);
    EXPECT_EQ(EncodeFileText(kEncodingUtf16LE, m_strLoneSurrogate), "\xFF\xFE\x61\x00\x00\xDC"s);
    for (const TEncodingCode m_intEncoding : {kEncodingAuto, kEncodingUtf32BE, kEncodingUtf32LE}) {
        EXPECT_THROW(EncodeFileText(m_intEncoding, u"a"), TEngineError) << int(m_intEncoding);
    }
}

// Encoded in pieces, a text gives EncodeFileText's bytes of the whole, or its error: pieces
// that cut surrogate pairs, long stretches, characters the code page lacks, lone surrogates.
TEST(FileTextEncoder, PiecesGiveTheBytesOfTheWhole) {
    const TAnsiCodePageScope m_Scope(936);
    const std::u16string m_arrPool[] = {u"a",
                                        u"\u4e2d",
                                        u"\U0001F600",
                                        u"\r\n",
                                        u"\u00e9",
                                        std::u16string(1, char16_t(0xD800)),
                                        std::u16string(40000, u'z')};
    std::mt19937 m_Random(65001);
    for (int m_intRound = 0; m_intRound < 400; ++m_intRound) {
        std::vector<std::u16string> m_arrPieces;
        std::u16string m_strWhole;
        for (std::size_t m_intPiece = m_Random() % 6; m_intPiece > 0; --m_intPiece) {
            std::u16string m_strPiece;
            for (std::size_t m_intPart = 1 + m_Random() % 3; m_intPart > 0; --m_intPart) {
                // The large part rarely, the lone surrogate more rarely still.
                const std::size_t m_intPick = m_Random() % 40;
                m_strPiece += m_arrPool[m_intPick < 35 ? m_intPick % 5 : (m_intPick < 39 ? 6 : 5)];
            }
            // Cut anywhere, also inside a pair.
            const std::size_t m_intCut = m_Random() % (m_strPiece.size() + 1);
            m_arrPieces.push_back(m_strPiece.substr(0, m_intCut));
            m_arrPieces.push_back(m_strPiece.substr(m_intCut));
            m_strWhole += m_strPiece;
        }
        for (const TEncodingCode m_intEncoding :
             {kEncodingAnsi, kEncodingUtf8, kEncodingUtf8Bom, kEncodingUtf16BE, kEncodingUtf16LE}) {
            std::string m_strExpected;
            std::string m_strExpectedError;
            try {
                m_strExpected = EncodeFileText(m_intEncoding, m_strWhole);
            } catch (const TEngineError& m_Error) {
                m_strExpectedError = m_Error.what();
            }
            std::string m_strBytes;
            std::string m_strError;
            try {
                TFileTextEncoder m_Encoder(m_intEncoding, m_strBytes);
                for (const std::u16string& m_strPiece : m_arrPieces) {
                    m_Encoder.Append(m_strPiece);
                }
                m_Encoder.Finish();
            } catch (const TEngineError& m_Error) {
                m_strError = m_Error.what();
            }
            ASSERT_EQ(m_strError, m_strExpectedError) << m_intRound << " " << int(m_intEncoding);
            if (m_strError.empty()) {
                ASSERT_EQ(m_strBytes, m_strExpected) << m_intRound << " " << int(m_intEncoding);
            }
        }
    }
}

} // namespace
} // namespace morvane
