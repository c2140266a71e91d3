#include "text/u_Encoding.h"

#include "text/u_AnsiCodePage.h"
#include "text/u_EncodingProbe.h"
#include "text/u_TextConvert.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace morvane {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kUtf32LEMark = "\xFF\xFE\x00\x00"sv;
constexpr std::string_view kUtf32BEMark = "\x00\x00\xFE\xFF"sv;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF"sv;
constexpr std::string_view kUtf16LEMark = "\xFF\xFE"sv;
constexpr std::string_view kUtf16BEMark = "\xFE\xFF"sv;

std::string_view WithoutMark(std::string_view p_strBytes, std::string_view p_strMark) {
    return p_strBytes.starts_with(p_strMark) ? p_strBytes.substr(p_strMark.size()) : p_strBytes;
}

bool IsSurrogate(char16_t p_intUnit) {
    return p_intUnit >= 0xD800 && p_intUnit <= 0xDFFF;
}

bool HasLoneSurrogate(std::u16string_view p_strText) {
    for (std::size_t m_intIndex = 0; m_intIndex < p_strText.size(); ++m_intIndex) {
        const char16_t m_intUnit = p_strText[m_intIndex];
        if (!IsSurrogate(m_intUnit)) {
            continue;
        }
        const bool m_IsLead = m_intUnit <= 0xDBFF;
        if (!m_IsLead || m_intIndex + 1 == p_strText.size() || p_strText[m_intIndex + 1] < 0xDC00 ||
            p_strText[m_intIndex + 1] > 0xDFFF) {
            return true;
        }
        ++m_intIndex;
    }
    return false;
}

void DecodeUtf16(std::string_view p_strBytes, bool p_IsBigEndian, std::u16string& p_strText) {
    const std::size_t m_intUnitCount = p_strBytes.size() / 2;
    p_strText.resize(m_intUnitCount);
    const bool m_IsNativeOrder = p_IsBigEndian == (std::endian::native == std::endian::big);
    if (m_IsNativeOrder) {
        std::memcpy(p_strText.data(), p_strBytes.data(), m_intUnitCount * 2);
        return;
    }
    const auto* m_Source = reinterpret_cast<const unsigned char*>(p_strBytes.data());
    for (std::size_t m_intIndex = 0; m_intIndex < m_intUnitCount; ++m_intIndex) {
        const unsigned m_intFirst = m_Source[2 * m_intIndex];
        const unsigned m_intSecond = m_Source[2 * m_intIndex + 1];
        p_strText[m_intIndex] = static_cast<char16_t>(
            p_IsBigEndian ? (m_intFirst << 8) | m_intSecond : (m_intSecond << 8) | m_intFirst);
    }
}

void AppendUtf16(std::u16string_view p_strText, bool p_IsBigEndian, std::string& p_strBytes) {
    const std::size_t m_intStart = p_strBytes.size();
    p_strBytes.resize(m_intStart + p_strText.size() * 2);
    char* m_Target = p_strBytes.data() + m_intStart;
    for (const char16_t m_intUnit : p_strText) {
        const char m_intHigh = static_cast<char>(m_intUnit >> 8);
        const char m_intLow = static_cast<char>(m_intUnit & 0xFF);
        *m_Target++ = p_IsBigEndian ? m_intHigh : m_intLow;
        *m_Target++ = p_IsBigEndian ? m_intLow : m_intHigh;
    }
}

std::string CodePageText(int p_intCodePage) {
    return std::to_string(p_intCodePage);
}

// Texts are encoded this many units at a time: small enough to stay in the processor's cache,
// large enough that the calls cost nothing.
constexpr std::size_t kEncodePieceUnits = std::size_t{1} << 15;

bool IsLeadSurrogate(char16_t p_intUnit) {
    return p_intUnit >= 0xD800 && p_intUnit <= 0xDBFF;
}

[[noreturn]] void ThrowUnrepresentable(int p_intCodePage) {
    throw TEngineError("替换后的文本含有ANSI代码页" + CodePageText(p_intCodePage) +
                       "无法表示的字符，未替换。");
}

[[noreturn]] void ThrowLoneSurrogate() {
    throw TEngineError("替换后的文本含有不成对的UTF-16代理码元，无法以UTF-8写入，未替换。");
}

// Whether the text encodes back to exactly the bytes, compared piece by piece so that a large
// file is not held a second time (the code pages encode each character on its own).
bool IsAnsiTextOfBytes(std::u16string_view p_strText, std::string_view p_strBytes) {
    const int m_intCodePage = GetAnsiCodePage();
    std::string m_strPiece;
    std::size_t m_intOffset = 0;
    while (!p_strText.empty()) {
        std::size_t m_intTaken = std::min(p_strText.size(), kEncodePieceUnits);
        if (m_intTaken < p_strText.size() && IsLeadSurrogate(p_strText[m_intTaken - 1])) {
            --m_intTaken;
        }
        if (!AnsiEncodeStrict(p_strText.substr(0, m_intTaken), m_intCodePage, m_strPiece) ||
            p_strBytes.substr(m_intOffset, m_strPiece.size()) != m_strPiece) {
            return false;
        }
        m_intOffset += m_strPiece.size();
        p_strText.remove_prefix(m_intTaken);
    }
    return m_intOffset == p_strBytes.size();
}

} // namespace

std::u16string GetEncodingName(TEncodingCode p_intEncoding) {
    switch (p_intEncoding) {
    case kEncodingAnsi:
        return u"ANSI";
    case kEncodingUtf8:
        return u"UTF8无Bom";
    case kEncodingUtf8Bom:
        return u"UTF8有Bom";
    case kEncodingUtf16BE:
        return u"UTF16BE";
    case kEncodingUtf16LE:
        return u"UTF16LE";
    case kEncodingUtf32BE:
        return u"UTF32BE";
    case kEncodingUtf32LE:
        return u"UTF32LE";
    default:
        return u"unknow";
    }
}

TEncodingCode EncodingFromMark(std::string_view p_strHead) {
    if (p_strHead.starts_with(kUtf32LEMark)) {
        return kEncodingUtf32LE;
    }
    if (p_strHead.starts_with(kUtf32BEMark)) {
        return kEncodingUtf32BE;
    }
    if (p_strHead.starts_with(kUtf8Mark)) {
        return kEncodingUtf8Bom;
    }
    if (p_strHead.starts_with(kUtf16LEMark)) {
        return kEncodingUtf16LE;
    }
    if (p_strHead.starts_with(kUtf16BEMark)) {
        return kEncodingUtf16BE;
    }
    return kEncodingAuto;
}

TEncodingCode DetectEncoding(std::string_view p_strFileBytes, std::u16string_view p_strFileName) {
    TEncodingProbe m_Probe;
    m_Probe.Feed(p_strFileBytes);
    return m_Probe.Detect(p_strFileName);
}

bool DecodeFileBytes(TEncodingCode p_intEncoding, std::string_view p_strFileBytes,
                     TDecodedText& p_Decoded) {
    p_Decoded.g_IsOddByteDropped = false;
    switch (p_intEncoding) {
    case kEncodingAnsi:
        AnsiDecode(p_strFileBytes, GetAnsiCodePage(), p_Decoded.g_strText);
        return true;
    case kEncodingUtf8:
    case kEncodingUtf8Bom:
        if (!DecodeUtf8Strict(WithoutMark(p_strFileBytes, kUtf8Mark), p_Decoded.g_strText)) {
            p_Decoded.g_strText.clear();
            return false;
        }
        return true;
    case kEncodingUtf16BE:
    case kEncodingUtf16LE: {
        const bool m_IsBigEndian = p_intEncoding == kEncodingUtf16BE;
        std::string_view m_strBody =
            WithoutMark(p_strFileBytes, m_IsBigEndian ? kUtf16BEMark : kUtf16LEMark);
        if (m_strBody.size() == 1) {
            p_Decoded.g_strText.clear();
            return false;
        }
        if (m_strBody.size() % 2 != 0) {
            m_strBody.remove_suffix(1);
            p_Decoded.g_IsOddByteDropped = true;
        }
        DecodeUtf16(m_strBody, m_IsBigEndian, p_Decoded.g_strText);
        return true;
    }
    default:
        p_Decoded.g_strText.clear();
        return false;
    }
}

void EnsureSafeToRewrite(TEncodingCode p_intEncoding, std::string_view p_strFileBytes,
                         const TDecodedText& p_Decoded) {
    // The line model has no place for U+0000; such files are mostly binary and would be cut.
    if (p_Decoded.g_strText.find(u'\0') != std::u16string::npos) {
        throw TEngineError("文件包含空字符，可能是二进制文件，未替换。");
    }
    if (p_Decoded.g_IsOddByteDropped) {
        throw TEngineError("UTF-16文件的字节数为奇数，最后一个字节不成字符，未替换。");
    }
    if (p_intEncoding == kEncodingAnsi && !IsAnsiTextOfBytes(p_Decoded.g_strText, p_strFileBytes)) {
        throw TEngineError("文件含有ANSI代码页" + CodePageText(GetAnsiCodePage()) +
                           "中无效或无法原样写回的字节，未替换。");
    }
}

std::string EncodeFileText(TEncodingCode p_intEncoding, std::u16string_view p_strText) {
    std::string m_strBytes;
    switch (p_intEncoding) {
    case kEncodingAnsi: {
        const int m_intCodePage = GetAnsiCodePage();
        if (!AnsiEncodeStrict(p_strText, m_intCodePage, m_strBytes)) {
            ThrowUnrepresentable(m_intCodePage);
        }
        return m_strBytes;
    }
    case kEncodingUtf8:
    case kEncodingUtf8Bom:
        if (HasLoneSurrogate(p_strText)) {
            ThrowLoneSurrogate();
        }
        if (p_intEncoding == kEncodingUtf8Bom) {
            m_strBytes = kUtf8Mark;
        }
        m_strBytes += Utf16ToUtf8(p_strText);
        return m_strBytes;
    case kEncodingUtf16BE:
        m_strBytes = kUtf16BEMark;
        AppendUtf16(p_strText, true, m_strBytes);
        return m_strBytes;
    case kEncodingUtf16LE:
        m_strBytes = kUtf16LEMark;
        AppendUtf16(p_strText, false, m_strBytes);
        return m_strBytes;
    default:
        throw TEngineError("不能以编码代号" + std::to_string(p_intEncoding) + "写入文件，未替换。");
    }
}

TFileTextEncoder::TFileTextEncoder(TEncodingCode p_intEncoding, std::string& p_strBytes)
    : g_intEncoding(p_intEncoding), g_strBytes(p_strBytes) {
    // The mark, and the refusal of a code that cannot be written, as EncodeFileText gives them.
    g_strBytes += EncodeFileText(p_intEncoding, std::u16string_view());
}

void TFileTextEncoder::Append(std::u16string_view p_strText) {
    while (!p_strText.empty()) {
        if (g_strPending.empty() && p_strText.size() > kEncodePieceUnits) {
            // A long stretch is encoded where it lies, never cutting a surrogate pair.
            std::size_t m_intTaken = kEncodePieceUnits;
            if (IsLeadSurrogate(p_strText[m_intTaken - 1])) {
                --m_intTaken;
            }
            EncodePiece(p_strText.substr(0, m_intTaken));
            p_strText.remove_prefix(m_intTaken);
            continue;
        }
        const std::size_t m_intTaken =
            std::min(p_strText.size(), kEncodePieceUnits - g_strPending.size());
        g_strPending.append(p_strText.substr(0, m_intTaken));
        p_strText.remove_prefix(m_intTaken);
        if (g_strPending.size() >= kEncodePieceUnits) {
            FlushPending(false);
        }
    }
}

void TFileTextEncoder::Finish() {
    FlushPending(true);
}

void TFileTextEncoder::FlushPending(bool p_IsLast) {
    std::size_t m_intTaken = g_strPending.size();
    if (!p_IsLast && m_intTaken > 0 && IsLeadSurrogate(g_strPending[m_intTaken - 1])) {
        --m_intTaken;
    }
    EncodePiece(std::u16string_view(g_strPending).substr(0, m_intTaken));
    g_strPending.erase(0, m_intTaken);
}

void TFileTextEncoder::EncodePiece(std::u16string_view p_strText) {
    switch (g_intEncoding) {
    case kEncodingAnsi: {
        const int m_intCodePage = GetAnsiCodePage();
        if (!AnsiEncodeStrict(p_strText, m_intCodePage, g_strPieceBytes)) {
            ThrowUnrepresentable(m_intCodePage);
        }
        g_strBytes += g_strPieceBytes;
        return;
    }
    case kEncodingUtf8:
    case kEncodingUtf8Bom:
        if (HasLoneSurrogate(p_strText)) {
            ThrowLoneSurrogate();
        }
        g_strBytes += Utf16ToUtf8(p_strText);
        return;
    default:
        AppendUtf16(p_strText, g_intEncoding == kEncodingUtf16BE, g_strBytes);
        return;
    }
}

} // namespace morvane
