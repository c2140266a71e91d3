#include "u_BatchRecordFormat.h"

#include "core/u_Types.h"
#include "text/u_TextConvert.h"

#include <algorithm>

namespace morvane {

std::string TBatchRecordFormat::Format(TBatchRecordFormatKind p_Kind, std::int32_t p_intMode,
                                       const TProcessRecord& p_Record) {
    switch (p_Kind) {
    case TBatchRecordFormatKind::Null:
        return p_Record.g_strNativeFileName + '\0';
    case TBatchRecordFormatKind::Json:
        return JsonObject(p_intMode, p_Record) + '\n';
    case TBatchRecordFormatKind::LogLine:
        break;
    }
    return Utf16ToUtf8(p_Record.g_strLogLine) + '\n';
}

std::string TBatchRecordFormat::JsonObject(std::int32_t p_intMode, const TProcessRecord& p_Record) {
    std::string m_strObject = "{\"sequence\":" + std::to_string(p_Record.g_intSequence);
    m_strObject += ",\"status\":" + JsonString(Utf16ToUtf8(p_Record.g_strStatus));
    m_strObject += ",\"encoding\":" + JsonString(Utf16ToUtf8(p_Record.g_strEncodingName));
    // A name that is not UTF-8 has no JSON string that gives its bytes back.
    if (IsWellFormedUtf8(p_Record.g_strNativeFileName)) {
        m_strObject += ",\"path\":" + JsonString(p_Record.g_strNativeFileName);
    } else {
        m_strObject += ",\"path_bytes\":\"" + Base64(p_Record.g_strNativeFileName) + "\"";
    }
    if (p_intMode == kModeReplace) {
        m_strObject += ",\"reason\":" + JsonString(Utf16ToUtf8(p_Record.g_strErrorMessage));
    }
    m_strObject += '}';
    return m_strObject;
}

std::string TBatchRecordFormat::JsonString(std::string_view p_strUtf8) {
    constexpr std::string_view kHexDigits = "0123456789abcdef";
    std::string m_strResult = "\"";
    m_strResult.reserve(p_strUtf8.size() + 2);
    for (const char m_chrCurrent : p_strUtf8) {
        const auto m_intByte = static_cast<unsigned char>(m_chrCurrent);
        switch (m_chrCurrent) {
        case '"':
            m_strResult += "\\\"";
            break;
        case '\\':
            m_strResult += "\\\\";
            break;
        case '\n':
            m_strResult += "\\n";
            break;
        case '\r':
            m_strResult += "\\r";
            break;
        case '\t':
            m_strResult += "\\t";
            break;
        default:
            if (m_intByte < 0x20) {
                m_strResult += "\\u00";
                m_strResult += kHexDigits[m_intByte >> 4];
                m_strResult += kHexDigits[m_intByte & 0x0F];
            } else {
                m_strResult += m_chrCurrent;
            }
        }
    }
    m_strResult += '"';
    return m_strResult;
}

std::string TBatchRecordFormat::Base64(std::string_view p_strBytes) {
    constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string m_strResult;
    m_strResult.reserve((p_strBytes.size() + 2) / 3 * 4);
    for (std::size_t m_intIndex = 0; m_intIndex < p_strBytes.size(); m_intIndex += 3) {
        const std::size_t m_intCount = std::min<std::size_t>(3, p_strBytes.size() - m_intIndex);
        std::uint32_t m_intGroup = 0;
        for (std::size_t m_intByte = 0; m_intByte < 3; ++m_intByte) {
            m_intGroup <<= 8;
            if (m_intByte < m_intCount) {
                m_intGroup |= static_cast<unsigned char>(p_strBytes[m_intIndex + m_intByte]);
            }
        }
        for (std::size_t m_intDigit = 0; m_intDigit < 4; ++m_intDigit) {
            m_strResult += m_intDigit <= m_intCount
                               ? kAlphabet[(m_intGroup >> (18 - 6 * m_intDigit)) & 0x3F]
                               : '=';
        }
    }
    return m_strResult;
}

} // namespace morvane
