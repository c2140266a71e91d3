// The forms in which a record reaches stdout: its log line, its bare path for xargs -0, and one
// JSON object.

#include "core/u_Types.h"
#include "u_BatchRecordFormat.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TProcessRecord Record(std::string p_strNativeFileName, std::u16string p_strErrorMessage = u"") {
    TProcessRecord m_Record;
    m_Record.g_intSequence = 7;
    m_Record.g_strStatus = p_strErrorMessage.empty() ? u"成功" : u"失败";
    m_Record.g_strEncodingName = u"UTF8无Bom";
    m_Record.g_strNativeFileName = std::move(p_strNativeFileName);
    m_Record.g_strErrorMessage = std::move(p_strErrorMessage);
    m_Record.g_strLogLine = u"7|成功|UTF8无Bom|/t/a.txt";
    return m_Record;
}

TEST(BatchRecordFormat, JsonStringsEscapeQuotesBackslashesAndEveryControlCharacter) {
    const std::pair<std::string, std::string> m_arrCases[] = {
        {"", R"("")"},
        {"plain /a b.txt", R"("plain /a b.txt")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"C:\\dir\\", R"("C:\\dir\\")"},
        {"a\nb\rc\td", R"("a\nb\rc\td")"},
        {std::string("\x01\x1f\x08\x0c", 4) + std::string(1, '\0'),
         R"("\u0001\u001f\u0008\u000c\u0000")"},
        {"\x7f", "\"\x7f\""},
        {"中文 ä", "\"中文 ä\""},
    };
    for (const auto& [m_strText, m_strJson] : m_arrCases) {
        EXPECT_EQ(TBatchRecordFormat::JsonString(m_strText), m_strJson) << m_strJson;
    }
}

TEST(BatchRecordFormat, Base64IsThatOfRfc4648) {
    const std::pair<std::string, std::string> m_arrCases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFF\xFE", "//4="},
    };
    for (const auto& [m_strBytes, m_strBase64] : m_arrCases) {
        EXPECT_EQ(TBatchRecordFormat::Base64(m_strBytes), m_strBase64) << m_strBase64;
    }
}

TEST(BatchRecordFormat, EachFormHoldsTheRecordWithItsTerminator) {
    struct TCase {
        TBatchRecordFormatKind g_Kind;
        std::int32_t g_intMode;
        TProcessRecord g_Record;
        std::string g_strBytes;
    };
    const TCase m_arrCases[] = {
        {TBatchRecordFormatKind::LogLine, kModeFind, Record("/t/a.txt"),
         "7|成功|UTF8无Bom|/t/a.txt\n"},
        {TBatchRecordFormatKind::Null, kModeFind, Record("/t/a\nb|\\.txt"),
         std::string("/t/a\nb|\\.txt\0", 13)},
        {TBatchRecordFormatKind::Null, kModeFind, Record("/t/\xFF.txt"),
         std::string("/t/\xFF.txt\0", 9)},
        {TBatchRecordFormatKind::Json, kModeFind, Record("/t/a\nb.txt"),
         R"({"sequence":7,"status":"成功","encoding":"UTF8无Bom","path":"/t/a\nb.txt"})"
         "\n"},
        {TBatchRecordFormatKind::Json, kModeReplace, Record("/t/a.txt"),
         R"({"sequence":7,"status":"成功","encoding":"UTF8无Bom","path":"/t/a.txt","reason":""})"
         "\n"},
        {TBatchRecordFormatKind::Json, kModeReplace, Record("/t/\xC3.txt", u"Cannot \"x\""),
         R"({"sequence":7,"status":"失败","encoding":"UTF8无Bom","path_bytes":"L3Qvwy50eHQ=",)"
         R"("reason":"Cannot \"x\""})"
         "\n"},
    };
    for (const TCase& m_Case : m_arrCases) {
        EXPECT_EQ(TBatchRecordFormat::Format(m_Case.g_Kind, m_Case.g_intMode, m_Case.g_Record),
                  m_Case.g_strBytes)
            << m_Case.g_strBytes;
    }
}

} // namespace
} // namespace morvane
