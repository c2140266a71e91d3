#include "logs/u_NameEscape.h"

#include "text/u_TextConvert.h"

namespace morvane {

#ifdef _WIN32

std::u16string EscapeName(std::string_view p_strBytes) {
    return Utf8ToUtf16Lenient(p_strBytes);
}

std::string UnescapeName(std::u16string_view p_strText) {
    return Utf16ToUtf8(p_strText);
}

std::u16string NativeNameToText(std::string_view p_strBytes) {
    return Utf8ToUtf16Lenient(p_strBytes);
}

std::string TextToNativeName(std::u16string_view p_strText) {
    return Utf16ToUtf8(p_strText);
}

#else

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
constexpr char16_t kFirstByteSurrogate = 0xDC00; // U+DC80..U+DCFF stand for bytes 80..FF

// Calls p_doText with each run of well-formed UTF-8 (decoded) and p_doByte with every byte
// outside such runs, in order.
template <typename TText, typename TByte>
void WalkBytes(std::string_view p_strBytes, TText&& p_doText, TByte&& p_doByte) {
    while (!p_strBytes.empty()) {
        bool m_IsIllFormed = false;
        const std::size_t m_intLength = WellFormedUtf8Prefix(p_strBytes, m_IsIllFormed);
        if (m_intLength > 0) {
            p_doText(Utf8ToUtf16Lenient(p_strBytes.substr(0, m_intLength)));
            p_strBytes.remove_prefix(m_intLength);
        } else {
            // Ill-formed here, or a sequence the end cuts short: one byte alone.
            p_doByte(static_cast<unsigned char>(p_strBytes.front()));
            p_strBytes.remove_prefix(1);
        }
    }
}

void AppendEscapedByte(std::u16string& p_strText, unsigned char p_intByte) {
    p_strText += u"\\x";
    p_strText += kHexDigits[p_intByte >> 4];
    p_strText += kHexDigits[p_intByte & 0x0F];
}

int HexValue(char16_t p_chrDigit) {
    if (p_chrDigit >= u'0' && p_chrDigit <= u'9') {
        return p_chrDigit - u'0';
    }
    if (p_chrDigit >= u'A' && p_chrDigit <= u'F') {
        return p_chrDigit - u'A' + 10;
    }
    if (p_chrDigit >= u'a' && p_chrDigit <= u'f') {
        return p_chrDigit - u'a' + 10;
    }
    return -1;
}

// The bytes an escape at p_strText[p_intAt] ("\" and what follows) stands for, and its length;
// 0 when it is no escape.
std::size_t ReadEscape(std::u16string_view p_strText, std::size_t p_intAt, char& p_chrByte) {
    if (p_intAt + 1 >= p_strText.size()) {
        return 0;
    }
    switch (p_strText[p_intAt + 1]) {
    case u'\\':
        p_chrByte = '\\';
        return 2;
    case u'n':
        p_chrByte = '\n';
        return 2;
    case u'r':
        p_chrByte = '\r';
        return 2;
    case u'x': {
        if (p_intAt + 3 >= p_strText.size()) {
            return 0;
        }
        const int m_intHigh = HexValue(p_strText[p_intAt + 2]);
        const int m_intLow = HexValue(p_strText[p_intAt + 3]);
        if (m_intHigh < 0 || m_intLow < 0) {
            return 0;
        }
        p_chrByte = static_cast<char>(m_intHigh * 16 + m_intLow);
        return 4;
    }
    default:
        return 0;
    }
}

bool IsHighSurrogate(char16_t p_chrUnit) {
    return p_chrUnit >= 0xD800 && p_chrUnit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t p_chrUnit) {
    return p_chrUnit >= 0xDC00 && p_chrUnit <= 0xDFFF;
}

} // namespace

std::u16string EscapeName(std::string_view p_strBytes) {
    std::u16string m_strText;
    m_strText.reserve(p_strBytes.size());
    WalkBytes(
        p_strBytes,
        [&m_strText](const std::u16string& p_strRun) {
            for (const char16_t m_chrUnit : p_strRun) {
                switch (m_chrUnit) {
                case u'\\':
                    m_strText += u"\\\\";
                    break;
                case u'\n':
                    m_strText += u"\\n";
                    break;
                case u'\r':
                    m_strText += u"\\r";
                    break;
                case u'|':
                    AppendEscapedByte(m_strText, '|');
                    break;
                default:
                    m_strText += m_chrUnit;
                }
            }
        },
        [&m_strText](unsigned char p_intByte) { AppendEscapedByte(m_strText, p_intByte); });
    return m_strText;
}

std::string UnescapeName(std::u16string_view p_strText) {
    std::string m_strBytes;
    m_strBytes.reserve(p_strText.size());
    std::size_t m_intRunStart = 0;
    std::size_t m_intAt = 0;
    while (m_intAt < p_strText.size()) {
        char m_chrByte = 0;
        const std::size_t m_intLength =
            p_strText[m_intAt] == u'\\' ? ReadEscape(p_strText, m_intAt, m_chrByte) : 0;
        if (m_intLength == 0) {
            ++m_intAt;
            continue;
        }
        m_strBytes += Utf16ToUtf8(p_strText.substr(m_intRunStart, m_intAt - m_intRunStart));
        m_strBytes += m_chrByte;
        m_intAt += m_intLength;
        m_intRunStart = m_intAt;
    }
    m_strBytes += Utf16ToUtf8(p_strText.substr(m_intRunStart));
    return m_strBytes;
}

std::u16string NativeNameToText(std::string_view p_strBytes) {
    std::u16string m_strText;
    m_strText.reserve(p_strBytes.size());
    WalkBytes(
        p_strBytes, [&m_strText](const std::u16string& p_strRun) { m_strText += p_strRun; },
        [&m_strText](unsigned char p_intByte) {
            m_strText += static_cast<char16_t>(kFirstByteSurrogate + p_intByte);
        });
    return m_strText;
}

std::string TextToNativeName(std::u16string_view p_strText) {
    std::string m_strBytes;
    m_strBytes.reserve(p_strText.size());
    std::size_t m_intRunStart = 0;
    std::size_t m_intAt = 0;
    while (m_intAt < p_strText.size()) {
        const char16_t m_chrUnit = p_strText[m_intAt];
        if (IsHighSurrogate(m_chrUnit) && m_intAt + 1 < p_strText.size() &&
            IsLowSurrogate(p_strText[m_intAt + 1])) {
            m_intAt += 2; // a pair: one character of the run
            continue;
        }
        if (m_chrUnit < kFirstByteSurrogate + 0x80 || m_chrUnit > kFirstByteSurrogate + 0xFF) {
            ++m_intAt;
            continue;
        }
        m_strBytes += Utf16ToUtf8(p_strText.substr(m_intRunStart, m_intAt - m_intRunStart));
        m_strBytes += static_cast<char>(m_chrUnit - kFirstByteSurrogate);
        ++m_intAt;
        m_intRunStart = m_intAt;
    }
    m_strBytes += Utf16ToUtf8(p_strText.substr(m_intRunStart));
    return m_strBytes;
}

#endif

} // namespace morvane
