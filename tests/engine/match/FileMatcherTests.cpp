// The per-file work with its shortcuts (the raw-byte decision, the UTF-8 test without decoding)
// against the full path on real files, and the UTF-8 check without output against the strict
// decoder it stands in for.

#include "AnsiCodePageScope.h"
#include "FullPathMatch.h"
#include "TempTree.h"

#include "core/u_Types.h"
#include "match/u_FileMatcher.h"
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

namespace morvane {
namespace {

bool MatchFile(TFileMatcher& p_Matcher, const std::string& p_strNativeFileName,
               const std::u16string& p_strFileName, std::int32_t p_intEncoding,
               const std::u16string& p_strOldText, bool p_IsMatchCase, bool p_IsKeepingText) {
    return p_Matcher.Match(TMatchRequest{.g_strNativeFileName = p_strNativeFileName,
                                         .g_strFileName = p_strFileName,
                                         .g_intEncoding = p_intEncoding,
                                         .g_strOldText = p_strOldText,
                                         .g_IsMatchCase = p_IsMatchCase,
                                         .g_IsKeepingText = p_IsKeepingText,
                                         .g_doBeforeRead = {}});
}

TEST(IsWellFormedUtf8, AgreesWithTheStrictDecoder) {
    std::mt19937 m_Random(3629);
    const std::vector<std::string> m_arrPieces = {
        "a",
        "plain ascii text ",
        "\xC3\xA9",
        "\xE4\xB8\xAD",
        "\xF0\x9F\x98\x80",
        "\xC0\xAF",
        "\xE0\x80\xAF",
        "\xED\xA0\x80",
        "\xF4\x90\x80\x80",
        "\x80",
        "\xBF",
        "\xC3",
        "\xE4\xB8",
        "\xF0\x9F\x98",
        "\xFF",
        "\xFE",
        "\xEF\xBB\xBF",
        std::string(1, '\0'),
        std::string(20, 'x'),
    };
    std::uniform_int_distribution<std::size_t> m_PickPiece(0, m_arrPieces.size() - 1);
    std::uniform_int_distribution<int> m_PickCount(0, 16);
    std::u16string m_strScratch;
    int m_intWellFormed = 0;
    for (int m_intRound = 0; m_intRound < 50000; ++m_intRound) {
        std::string m_strBytes;
        const int m_intCount = m_PickCount(m_Random);
        for (int m_intPiece = 0; m_intPiece < m_intCount; ++m_intPiece) {
            m_strBytes += m_arrPieces[m_PickPiece(m_Random)];
        }
        const bool m_IsExpected = DecodeUtf8Strict(m_strBytes, m_strScratch);
        m_intWellFormed += m_IsExpected ? 1 : 0;
        ASSERT_EQ(IsWellFormedUtf8(m_strBytes), m_IsExpected) << m_intRound;
    }
    EXPECT_GT(m_intWellFormed, 1000);

    std::ifstream m_File(std::string(MORVANE_TESTDATA_DIR) + "/encoding/UTF-8-test.txt",
                         std::ios::binary);
    ASSERT_TRUE(m_File);
    const std::string m_strVector((std::istreambuf_iterator<char>(m_File)),
                                  std::istreambuf_iterator<char>());
    std::size_t m_intStart = 0;
    while (m_intStart < m_strVector.size()) {
        std::size_t m_intEnd = m_strVector.find('\n', m_intStart);
        m_intEnd = m_intEnd == std::string::npos ? m_strVector.size() : m_intEnd + 1;
        const std::string_view m_strLine(m_strVector.data() + m_intStart, m_intEnd - m_intStart);
        EXPECT_EQ(IsWellFormedUtf8(m_strLine), DecodeUtf8Strict(m_strLine, m_strScratch))
            << m_strLine;
        m_intStart = m_intEnd;
    }
}

// Random files of every shape, read from disk by the matcher as a task reads them, in find mode
// (where the shortcuts apply) and replace mode (where the text is kept).
TEST(FileMatcher, AgreesWithTheFullPathOnRealFiles) {
    test::TTempTree m_Tree;
    std::mt19937 m_Random(20261209);
    const std::vector<std::string> m_arrPieces = {
        "needle",
        "NeEdLe",
        "need",
        "le",
        " ",
        "\r\n",
        "\n",
        "\x81",
        "\xD6\xD0",
        "\x82\xA0",
        "\xE4\xB8\xAD",
        "\xC3\xA9",
        "\xEF\xBB\xBF",
        "\xFF\xFE",
        "\xFE\xFF",
        std::string(1, '\0'),
        "\x80",
        "\xC3",
        std::string(40, 'y'),
    };
    const std::u16string m_arrNames[] = {u"f.txt", u"f.php"};
    std::uniform_int_distribution<std::size_t> m_PickPiece(0, m_arrPieces.size() - 1);
    std::uniform_int_distribution<int> m_PickCount(0, 10);
    int m_intMatched = 0;
    for (const int m_intCodePage : {936, 1252}) {
        const test::TAnsiCodePageScope m_Scope(m_intCodePage);
        for (int m_intRound = 0; m_intRound < 1500; ++m_intRound) {
            std::string m_strBytes;
            const int m_intCount = m_PickCount(m_Random);
            for (int m_intPiece = 0; m_intPiece < m_intCount; ++m_intPiece) {
                m_strBytes += m_arrPieces[m_PickPiece(m_Random)];
            }
            const std::u16string& m_strName = m_arrNames[m_intRound % 2];
            const auto m_Path = m_Tree.WriteFile(Utf16ToUtf8(m_strName), m_strBytes);
            for (std::int32_t m_intEncoding = 0; m_intEncoding <= 5; ++m_intEncoding) {
                for (const bool m_IsMatchCase : {true, false}) {
                    const std::u16string m_strOldText = m_IsMatchCase ? u"needle" : u"NEEDLE";
                    const TRawPrefilter m_Prefilter(m_strOldText, m_IsMatchCase);
                    const bool m_IsExpected = test::FullPathMatches(
                        m_strBytes, m_strName, m_intEncoding, m_strOldText, m_IsMatchCase);
                    m_intMatched += m_IsExpected ? 1 : 0;
                    for (const bool m_IsKeepingText : {false, true}) {
                        TFileMatcher m_Matcher(m_Prefilter);
                        const std::string m_strNative = m_Path.string();
                        const std::u16string m_strFileName =
                            m_Tree.Root().u16string() + u"/" + m_strName;
                        ASSERT_EQ(MatchFile(m_Matcher, m_strNative, m_strFileName, m_intEncoding,
                                            m_strOldText, m_IsMatchCase, m_IsKeepingText),
                                  m_IsExpected)
                            << "code page " << m_intCodePage << ", encoding " << m_intEncoding
                            << ", round " << m_intRound << ", keeping " << m_IsKeepingText;
                    }
                }
            }
        }
    }
    EXPECT_GT(m_intMatched, 2000);
}

// Files larger than one search piece: the find text on either side of and across the pieces'
// seams, at the ends, absent, behind a UTF-16 mark (no decision on bytes), in files that hold the
// bytes but do not decode, and with what settles the encoding (a sequence, a broken one, a
// double-byte character) before, after or across a seam; under a double-byte and a single-byte
// code page. A match must also come with the encoding the record shows.
TEST(FileMatcher, SearchesLargeFilesPieceByPieceWithoutMissingAnything) {
    test::TTempTree m_Tree;
    constexpr std::size_t kPiece = TFileMatcher::kScanPieceSize;
    const std::string m_strNeedle = "needle";
    std::vector<std::pair<std::string, std::string>> m_arrFiles;
    for (const std::size_t m_intAt : {std::size_t{0}, kPiece - 6, kPiece - 5, kPiece - 1, kPiece,
                                      kPiece + 1, 2 * kPiece - 3, 2 * kPiece + 7, 3 * kPiece - 6}) {
        std::string m_strBytes(3 * kPiece, 'y');
        m_strBytes.replace(m_intAt, m_strNeedle.size(), m_strNeedle);
        m_arrFiles.emplace_back("at " + std::to_string(m_intAt), m_strBytes);
        m_arrFiles.emplace_back("at " + std::to_string(m_intAt) + ", upper case",
                                std::string(m_strBytes).replace(m_intAt, 6, "NEEDLE"));
        m_arrFiles.emplace_back("at " + std::to_string(m_intAt) + ", bad UTF-8 at the end",
                                m_strBytes + "\xC3");
        m_arrFiles.emplace_back(
            "at " + std::to_string(m_intAt) + ", GBK lead byte before",
            m_intAt == 0 ? m_strBytes : std::string(m_strBytes).replace(m_intAt - 1, 1, "\x81"));
    }
    std::string m_strMiddle(2 * kPiece + 100, 'y');
    m_strMiddle.replace(kPiece + kPiece / 2, 6, m_strNeedle);
    // Where the bytes that settle the encoding lie, against the pieces and the find text.
    for (const std::size_t m_intAt : {std::size_t{10}, kPiece - 1, kPiece + kPiece / 2 + 20,
                                      2 * kPiece - 2, 2 * kPiece - 1, 2 * kPiece + 96}) {
        const std::string m_strWhere = " at " + std::to_string(m_intAt);
        m_arrFiles.emplace_back("a UTF-8 character" + m_strWhere,
                                std::string(m_strMiddle).replace(m_intAt, 3, "\xE4\xB8\xAD"));
        m_arrFiles.emplace_back("a four-byte character" + m_strWhere,
                                std::string(m_strMiddle).replace(m_intAt, 4, "\xF0\x9F\x98\x80"));
        m_arrFiles.emplace_back("a cut sequence" + m_strWhere,
                                std::string(m_strMiddle).replace(m_intAt, 2, "\xE4\xB8"));
        m_arrFiles.emplace_back("a GBK character" + m_strWhere,
                                std::string(m_strMiddle).replace(m_intAt, 2, "\xD6\xD0"));
    }
    m_arrFiles.emplace_back("GBK characters all along", [&] {
        std::string m_strBytes = m_strMiddle;
        for (std::size_t m_intAt = 1; m_intAt + 2 < m_strBytes.size(); m_intAt += 1001) {
            if (m_strBytes.compare(m_intAt, 2, "yy") == 0) {
                m_strBytes.replace(m_intAt, 2, "\xD6\xD0");
            }
        }
        return m_strBytes;
    }());
    m_arrFiles.emplace_back("marked UTF-8", "\xEF\xBB\xBF" + m_strMiddle);
    m_arrFiles.emplace_back("marked, then broken", "\xEF\xBB\xBF" + m_strMiddle + "\xFF");
    m_arrFiles.emplace_back("a NUL first", std::string(1, '\0') + m_strMiddle + "\xC3\xA9");
    m_arrFiles.emplace_back("absent", std::string(3 * kPiece + 17, 'y'));
    m_arrFiles.emplace_back("absent, one piece and a byte", std::string(kPiece + 1, 'y'));
    std::string m_strUtf16 = "\xFF\xFE";
    for (std::size_t m_intIndex = 0; m_intIndex < kPiece; ++m_intIndex) {
        m_strUtf16 += m_intIndex == kPiece / 2 ? std::string("n\0e\0e\0d\0l\0e\0", 12)
                                               : std::string("y\0", 2);
    }
    m_arrFiles.emplace_back("UTF-16 with it", m_strUtf16);

    int m_intMatched = 0;
    for (const int m_intCodePage : {936, 1252}) {
        const test::TAnsiCodePageScope m_Scope(m_intCodePage);
        for (const auto& [m_strCase, m_strBytes] : m_arrFiles) {
            SCOPED_TRACE(m_strCase + ", code page " + std::to_string(m_intCodePage));
            const auto m_Path = m_Tree.WriteFile("big.txt", m_strBytes);
            // Only detection and ANSI depend on the code page.
            const std::int32_t m_intLastEncoding = m_intCodePage == 936 ? 5 : 1;
            for (std::int32_t m_intEncoding = 0; m_intEncoding <= m_intLastEncoding;
                 ++m_intEncoding) {
                const TEncodingCode m_intExpectedEncoding =
                    m_intEncoding != kEncodingAuto ? static_cast<TEncodingCode>(m_intEncoding)
                                                   : DetectEncoding(m_strBytes, u"big.txt");
                for (const bool m_IsMatchCase : {true, false}) {
                    const std::u16string m_strOldText = m_IsMatchCase ? u"needle" : u"NEEDLE";
                    const TRawPrefilter m_Prefilter(m_strOldText, m_IsMatchCase);
                    const bool m_IsExpected = test::FullPathMatches(
                        m_strBytes, u"big.txt", m_intEncoding, m_strOldText, m_IsMatchCase);
                    m_intMatched += m_IsExpected ? 1 : 0;
                    for (const bool m_IsKeepingText : {false, true}) {
                        TFileMatcher m_Matcher(m_Prefilter);
                        ASSERT_EQ(MatchFile(m_Matcher, m_Path.string(), u"big.txt", m_intEncoding,
                                            m_strOldText, m_IsMatchCase, m_IsKeepingText),
                                  m_IsExpected)
                            << "encoding " << m_intEncoding << ", match case " << m_IsMatchCase
                            << ", keeping " << m_IsKeepingText;
                        if (m_IsExpected) {
                            EXPECT_EQ(int(m_Matcher.Encoding()), int(m_intExpectedEncoding));
                            EXPECT_EQ(m_Matcher.Identity().g_intSize, m_strBytes.size());
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(m_intMatched, 150);
}

// What a rewrite writes, or the reason it refuses, against the steps on the text: decode, the
// checks, the replacement in the file's own text, the encoding with its mark.
TEST(FileMatcher, RewritesAsTheStepsOnTheTextDo) {
    test::TTempTree m_Tree;
    std::mt19937 m_Random(1252936);
    const std::vector<std::string> m_arrPieces = {
        "needle",
        "NEEDLE",
        "needleneedle",
        "needl",
        " ",
        "\r\n",
        "\n",
        "\r",
        "\n\r",
        "\xE4\xB8\xAD",
        "\xC3\xA9",
        "\xEF\xBB\xBF",
        std::string(1, '\0'),
        "\xC3",
        "\x81",
        "\xF0\x9F\x98\x80",
        "tail",
    };
    const std::u16string m_arrNewTexts[] = {u"pin",
                                            u"",
                                            u"a\r\nb",
                                            u"\n",
                                            u"\u00e9\u4e2d",
                                            u"needle",
                                            std::u16string(1, char16_t(0xD800))};
    std::uniform_int_distribution<std::size_t> m_PickPiece(0, m_arrPieces.size() - 1);
    std::uniform_int_distribution<int> m_PickCount(1, 10);
    const test::TAnsiCodePageScope m_Scope(936);
    int m_intWritten = 0;
    int m_intRefused = 0;
    for (int m_intRound = 0; m_intRound < 1500; ++m_intRound) {
        std::string m_strBytes;
        const int m_intCount = m_PickCount(m_Random);
        for (int m_intPiece = 0; m_intPiece < m_intCount; ++m_intPiece) {
            m_strBytes += m_arrPieces[m_PickPiece(m_Random)];
        }
        const auto m_Path = m_Tree.WriteFile("f.txt", m_strBytes);
        const std::u16string& m_strNewText = m_arrNewTexts[m_intRound % 7];
        for (std::int32_t m_intEncoding = 0; m_intEncoding <= 5; ++m_intEncoding) {
            for (const bool m_IsMatchCase : {true, false}) {
                const std::u16string m_strOldText = m_IsMatchCase ? u"needle" : u"NEEDLE";
                if (!test::FullPathMatches(m_strBytes, u"f.txt", m_intEncoding, m_strOldText,
                                           m_IsMatchCase)) {
                    continue;
                }
                // The steps on the text.
                const TEncodingCode m_intCode = m_intEncoding != kEncodingAuto
                                                    ? static_cast<TEncodingCode>(m_intEncoding)
                                                    : DetectEncoding(m_strBytes, u"f.txt");
                std::string m_strExpected;
                std::string m_strExpectedError;
                try {
                    TDecodedText m_Decoded;
                    ASSERT_TRUE(DecodeFileBytes(m_intCode, m_strBytes, m_Decoded));
                    EnsureSafeToRewrite(m_intCode, m_strBytes, m_Decoded);
                    m_strExpected = EncodeFileText(
                        m_intCode, ReplaceInFileText(m_Decoded.g_strText, m_strOldText,
                                                     m_strNewText, m_IsMatchCase));
                } catch (const TEngineError& m_Error) {
                    m_strExpectedError = m_Error.what();
                }
                const TRawPrefilter m_Prefilter(m_strOldText, m_IsMatchCase);
                TFileMatcher m_Matcher(m_Prefilter);
                ASSERT_TRUE(MatchFile(m_Matcher, m_Path.string(), u"f.txt", m_intEncoding,
                                      m_strOldText, m_IsMatchCase, true));
                ASSERT_EQ(m_Matcher.Encoding(), m_intCode);
                std::string m_strWritten;
                std::string m_strError;
                try {
                    m_strWritten =
                        m_Matcher.BuildRewrite(m_strOldText, m_strNewText, m_IsMatchCase);
                } catch (const TEngineError& m_Error) {
                    m_strError = m_Error.what();
                }
                ASSERT_EQ(m_strError, m_strExpectedError)
                    << "round " << m_intRound << ", encoding " << m_intEncoding;
                ASSERT_EQ(m_strWritten, m_strExpected)
                    << "round " << m_intRound << ", encoding " << m_intEncoding;
                (m_strError.empty() ? m_intWritten : m_intRefused) += 1;
            }
        }
    }
    EXPECT_GT(m_intWritten, 1000);
    EXPECT_GT(m_intRefused, 100);
}

} // namespace
} // namespace morvane
