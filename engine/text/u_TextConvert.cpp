#include "text/u_TextConvert.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define MORVANE_TEXT_CONVERT_SSE2 1
#include <emmintrin.h>
#endif

#include <unicode/uchar.h>

namespace morvane {

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;
constexpr std::uint64_t kHighBitsOfEightBytes = 0x8080808080808080ULL;

bool IsContinuationByte(unsigned char p_intByte) {
    return (p_intByte & 0xC0U) == 0x80U;
}

// Where the first byte in memory order lies among the high bits of eight bytes (one at least):
// mixed text is mostly ASCII between its other characters, and those runs are skipped at once.
int FirstHighByte(std::uint64_t p_intHighBits) {
    if constexpr (std::endian::native == std::endian::little) {
        return std::countr_zero(p_intHighBits) / 8;
    } else {
        return std::countl_zero(p_intHighBits) / 8;
    }
}

struct TUtf8Lead {
    std::ptrdiff_t g_intLength = 0;
    unsigned char g_intSecondLow = 0x80;
    unsigned char g_intSecondHigh = 0xBF;
};

// The length of the sequence a lead byte (0x80 or above) opens and the range its second byte must
// lie in (RFC 3629 / Unicode table 3-7). False for a byte that opens no sequence. The decoder and
// the well-formedness check both use it, so they can never disagree on what is well-formed.
inline bool ClassifyUtf8Lead(unsigned char p_intLead, TUtf8Lead& p_Lead) {
    p_Lead = TUtf8Lead{};
    if (p_intLead >= 0xC2 && p_intLead <= 0xDF) {
        p_Lead.g_intLength = 2;
    } else if (p_intLead >= 0xE0 && p_intLead <= 0xEF) {
        p_Lead.g_intLength = 3;
        if (p_intLead == 0xE0) {
            p_Lead.g_intSecondLow = 0xA0; // overlong below U+0800
        } else if (p_intLead == 0xED) {
            p_Lead.g_intSecondHigh = 0x9F; // surrogates U+D800..U+DFFF
        }
    } else if (p_intLead >= 0xF0 && p_intLead <= 0xF4) {
        p_Lead.g_intLength = 4;
        if (p_intLead == 0xF0) {
            p_Lead.g_intSecondLow = 0x90; // overlong below U+10000
        } else if (p_intLead == 0xF4) {
            p_Lead.g_intSecondHigh = 0x8F; // above U+10FFFF
        }
    } else {
        return false;
    }
    return true;
}

// Copies ASCII bytes as code units up to the first byte of 0x80 or more, or the end, and returns
// where it stopped. Most files are mostly ASCII: eight bytes are taken at a time while none has
// its high bit.
inline const unsigned char* CopyAscii(const unsigned char* p_Source,
                                      const unsigned char* const p_SourceEnd, char16_t*& p_Target) {
    for (;;) {
        while (p_SourceEnd - p_Source >= 8) {
            std::uint64_t m_intWord;
            std::memcpy(&m_intWord, p_Source, sizeof m_intWord);
            if ((m_intWord & kHighBitsOfEightBytes) != 0) {
                break;
            }
            for (int m_intIndex = 0; m_intIndex < 8; ++m_intIndex) {
                p_Target[m_intIndex] = p_Source[m_intIndex];
            }
            p_Source += 8;
            p_Target += 8;
        }
        if (p_Source == p_SourceEnd || *p_Source >= 0x80) {
            return p_Source;
        }
        *p_Target++ = *p_Source++;
    }
}

// Decodes the sequence that the byte at p_Source (0x80 or more) opens, of which p_intAvailable
// bytes are present, and returns how many bytes it took. An ill-formed sequence gives -1 when
// strict; lenient, each maximal ill-formed subpart becomes one U+FFFD, as the Unicode standard
// recommends.
template <bool IsLenient>
inline std::ptrdiff_t DecodeSequence(const unsigned char* p_Source, std::ptrdiff_t p_intAvailable,
                                     char16_t*& p_Target) {
    const unsigned char m_intLead = *p_Source;
    TUtf8Lead m_Lead;
    // Count how many bytes of the sequence are acceptable; stop at the first that is not.
    std::ptrdiff_t m_intValid = 0;
    if (ClassifyUtf8Lead(m_intLead, m_Lead)) {
        m_intValid = 1;
        if (p_intAvailable > 1 && p_Source[1] >= m_Lead.g_intSecondLow &&
            p_Source[1] <= m_Lead.g_intSecondHigh) {
            m_intValid = 2;
            while (m_intValid < m_Lead.g_intLength && m_intValid < p_intAvailable &&
                   IsContinuationByte(p_Source[m_intValid])) {
                ++m_intValid;
            }
        }
    }
    if (m_Lead.g_intLength == 0 || m_intValid < m_Lead.g_intLength) {
        if constexpr (!IsLenient) {
            return -1;
        }
        *p_Target++ = kReplacementCharacter;
        return m_intValid == 0 ? 1 : m_intValid;
    }
    std::uint32_t m_intCodePoint;
    if (m_Lead.g_intLength == 2) {
        m_intCodePoint = ((m_intLead & 0x1FU) << 6) | (p_Source[1] & 0x3FU);
        *p_Target++ = static_cast<char16_t>(m_intCodePoint);
    } else if (m_Lead.g_intLength == 3) {
        m_intCodePoint =
            ((m_intLead & 0x0FU) << 12) | ((p_Source[1] & 0x3FU) << 6) | (p_Source[2] & 0x3FU);
        *p_Target++ = static_cast<char16_t>(m_intCodePoint);
    } else {
        m_intCodePoint = ((m_intLead & 0x07U) << 18) | ((p_Source[1] & 0x3FU) << 12) |
                         ((p_Source[2] & 0x3FU) << 6) | (p_Source[3] & 0x3FU);
        m_intCodePoint -= 0x10000;
        *p_Target++ = static_cast<char16_t>(0xD800 + (m_intCodePoint >> 10));
        *p_Target++ = static_cast<char16_t>(0xDC00 + (m_intCodePoint & 0x3FF));
    }
    return m_Lead.g_intLength;
}

// One decoder for both the strict and the lenient reading, so that they can never disagree on
// what is well-formed.
template <bool IsLenient> bool DecodeUtf8(std::string_view p_strBytes, std::u16string& p_strText) {
    // Never more UTF-16 code units than bytes: 4 bytes give at most 2 units.
    p_strText.resize(p_strBytes.size());
    const auto* m_Source = reinterpret_cast<const unsigned char*>(p_strBytes.data());
    const unsigned char* const m_SourceEnd = m_Source + p_strBytes.size();
    char16_t* m_Target = p_strText.data();
    while (m_Source < m_SourceEnd) {
        m_Source = CopyAscii(m_Source, m_SourceEnd, m_Target);
        if (m_Source == m_SourceEnd) {
            break;
        }
        const std::ptrdiff_t m_intTaken =
            DecodeSequence<IsLenient>(m_Source, m_SourceEnd - m_Source, m_Target);
        if constexpr (!IsLenient) {
            if (m_intTaken < 0) {
                return false;
            }
        }
        m_Source += m_intTaken;
    }
    p_strText.resize(static_cast<std::size_t>(m_Target - p_strText.data()));
    return true;
}

bool IsLeadSurrogate(char16_t p_intUnit) {
    return p_intUnit >= 0xD800 && p_intUnit <= 0xDBFF;
}
bool IsTrailSurrogate(char16_t p_intUnit) {
    return p_intUnit >= 0xDC00 && p_intUnit <= 0xDFFF;
}

} // namespace

std::u16string AsciiUpperCase(std::u16string_view p_strText) {
    std::u16string m_strResult(p_strText);
    for (char16_t& m_intUnit : m_strResult) {
        m_intUnit = AsciiUpperUnit(m_intUnit);
    }
    return m_strResult;
}

std::string AsciiUpperCase(std::string_view p_strText) {
    std::string m_strResult(p_strText);
    for (char& m_intByte : m_strResult) {
        m_intByte = AsciiUpperUnit(m_intByte);
    }
    return m_strResult;
}

std::u16string FullUpperCase(std::u16string_view p_strText) {
    std::u16string m_strResult(p_strText);
    for (char16_t& m_intUnit : m_strResult) {
        if (m_intUnit < 0x80) {
            m_intUnit = AsciiUpperUnit(m_intUnit);
            continue;
        }
        if (IsLeadSurrogate(m_intUnit) || IsTrailSurrogate(m_intUnit)) {
            continue;
        }
        const UChar32 m_intUpper = u_toupper(static_cast<UChar32>(m_intUnit));
        // The length must never change, so a mapping that would leave the BMP is not taken.
        if (m_intUpper >= 0 && m_intUpper <= 0xFFFF) {
            m_intUnit = static_cast<char16_t>(m_intUpper);
        }
    }
    return m_strResult;
}

std::u16string Utf8ToUtf16Lenient(std::string_view p_strBytes) {
    std::u16string m_strText;
    DecodeUtf8<true>(p_strBytes, m_strText);
    return m_strText;
}

std::string Utf16ToUtf8(std::u16string_view p_strText) {
    std::string m_strBytes;
    m_strBytes.reserve(p_strText.size() * 3);
    const std::size_t m_intSize = p_strText.size();
    for (std::size_t m_intIndex = 0; m_intIndex < m_intSize; ++m_intIndex) {
        std::uint32_t m_intCodePoint = p_strText[m_intIndex];
        if (IsLeadSurrogate(static_cast<char16_t>(m_intCodePoint)) && m_intIndex + 1 < m_intSize &&
            IsTrailSurrogate(p_strText[m_intIndex + 1])) {
            m_intCodePoint =
                0x10000 + ((m_intCodePoint - 0xD800) << 10) + (p_strText[m_intIndex + 1] - 0xDC00U);
            ++m_intIndex;
        } else if (IsLeadSurrogate(static_cast<char16_t>(m_intCodePoint)) ||
                   IsTrailSurrogate(static_cast<char16_t>(m_intCodePoint))) {
            m_intCodePoint = kReplacementCharacter;
        }

        if (m_intCodePoint < 0x80) {
            m_strBytes.push_back(static_cast<char>(m_intCodePoint));
        } else if (m_intCodePoint < 0x800) {
            m_strBytes.push_back(static_cast<char>(0xC0 | (m_intCodePoint >> 6)));
            m_strBytes.push_back(static_cast<char>(0x80 | (m_intCodePoint & 0x3F)));
        } else if (m_intCodePoint < 0x10000) {
            m_strBytes.push_back(static_cast<char>(0xE0 | (m_intCodePoint >> 12)));
            m_strBytes.push_back(static_cast<char>(0x80 | ((m_intCodePoint >> 6) & 0x3F)));
            m_strBytes.push_back(static_cast<char>(0x80 | (m_intCodePoint & 0x3F)));
        } else {
            m_strBytes.push_back(static_cast<char>(0xF0 | (m_intCodePoint >> 18)));
            m_strBytes.push_back(static_cast<char>(0x80 | ((m_intCodePoint >> 12) & 0x3F)));
            m_strBytes.push_back(static_cast<char>(0x80 | ((m_intCodePoint >> 6) & 0x3F)));
            m_strBytes.push_back(static_cast<char>(0x80 | (m_intCodePoint & 0x3F)));
        }
    }
    return m_strBytes;
}

// The same classification as DecodeUtf8, without output: a file's well-formedness is asked for far
// more often than its text, and large files are mostly long runs of ASCII.
std::size_t WellFormedUtf8Prefix(std::string_view p_strBytes, bool& p_IsIllFormed) {
    p_IsIllFormed = false;
    const auto* const m_Start = reinterpret_cast<const unsigned char*>(p_strBytes.data());
    const auto* m_Source = m_Start;
    const unsigned char* const m_SourceEnd = m_Source + p_strBytes.size();
    const auto m_Stop = [&](bool p_IsBroken) {
        p_IsIllFormed = p_IsBroken;
        return static_cast<std::size_t>(m_Source - m_Start);
    };
    while (m_Source < m_SourceEnd) {
        while (m_SourceEnd - m_Source >= 16) {
            std::uint64_t m_intFirst;
            std::uint64_t m_intSecond;
            std::memcpy(&m_intFirst, m_Source, sizeof m_intFirst);
            std::memcpy(&m_intSecond, m_Source + 8, sizeof m_intSecond);
            if ((m_intFirst & kHighBitsOfEightBytes) != 0) {
                m_Source += FirstHighByte(m_intFirst & kHighBitsOfEightBytes);
                break;
            }
            if ((m_intSecond & kHighBitsOfEightBytes) != 0) {
                m_Source += 8 + FirstHighByte(m_intSecond & kHighBitsOfEightBytes);
                break;
            }
            m_Source += 16;
        }
        if (m_Source == m_SourceEnd) {
            break;
        }
        const unsigned char m_intLead = *m_Source;
        if (m_intLead < 0x80) {
            ++m_Source;
            continue;
        }
        TUtf8Lead m_Lead;
        if (!ClassifyUtf8Lead(m_intLead, m_Lead)) {
            return m_Stop(true);
        }
        const std::ptrdiff_t m_intLength = m_Lead.g_intLength;
        const std::ptrdiff_t m_intPresent = std::min(m_intLength, m_SourceEnd - m_Source);
        // Every byte present is checked, so a sequence cut by the end is told from a broken one.
        if (m_intPresent >= 2 &&
            (m_Source[1] < m_Lead.g_intSecondLow || m_Source[1] > m_Lead.g_intSecondHigh)) {
            return m_Stop(true);
        }
        for (std::ptrdiff_t m_intIndex = 2; m_intIndex < m_intPresent; ++m_intIndex) {
            if (!IsContinuationByte(m_Source[m_intIndex])) {
                return m_Stop(true);
            }
        }
        if (m_intPresent < m_intLength) {
            return m_Stop(false);
        }
        m_Source += m_intLength;
    }
    return m_Stop(false);
}

// Large files are mostly long runs of ASCII: 64 bytes are tested at once.
bool HasHighByte(std::string_view p_strBytes) {
    const char* m_Source = p_strBytes.data();
    std::size_t m_intLeft = p_strBytes.size();
#ifdef MORVANE_TEXT_CONVERT_SSE2
    while (m_intLeft >= 64) {
        const auto* m_Block = reinterpret_cast<const __m128i*>(m_Source);
        const __m128i m_Any =
            _mm_or_si128(_mm_or_si128(_mm_loadu_si128(m_Block), _mm_loadu_si128(m_Block + 1)),
                         _mm_or_si128(_mm_loadu_si128(m_Block + 2), _mm_loadu_si128(m_Block + 3)));
        if (_mm_movemask_epi8(m_Any) != 0) {
            return true;
        }
        m_Source += 64;
        m_intLeft -= 64;
    }
#endif
    while (m_intLeft >= 8) {
        std::uint64_t m_intWord;
        std::memcpy(&m_intWord, m_Source, sizeof m_intWord);
        if ((m_intWord & kHighBitsOfEightBytes) != 0) {
            return true;
        }
        m_Source += 8;
        m_intLeft -= 8;
    }
    for (; m_intLeft > 0; --m_intLeft, ++m_Source) {
        if ((static_cast<unsigned char>(*m_Source) & 0x80U) != 0) {
            return true;
        }
    }
    return false;
}

bool IsWellFormedUtf8(std::string_view p_strBytes) {
    bool m_IsIllFormed = false;
    return WellFormedUtf8Prefix(p_strBytes, m_IsIllFormed) == p_strBytes.size();
}

bool DecodeUtf8Strict(std::string_view p_strBytes, std::u16string& p_strText) {
    return DecodeUtf8<false>(p_strBytes, p_strText);
}

std::u16string IntToText(long long p_intValue) {
    // Work on the magnitude as unsigned so that the most negative value has no overflow.
    unsigned long long m_intMagnitude = p_intValue < 0
                                            ? 0ULL - static_cast<unsigned long long>(p_intValue)
                                            : static_cast<unsigned long long>(p_intValue);
    char16_t m_arrDigits[24];
    std::size_t m_intStart = sizeof m_arrDigits / sizeof m_arrDigits[0];
    do {
        m_arrDigits[--m_intStart] = static_cast<char16_t>(u'0' + m_intMagnitude % 10);
        m_intMagnitude /= 10;
    } while (m_intMagnitude != 0);
    if (p_intValue < 0) {
        m_arrDigits[--m_intStart] = u'-';
    }
    return std::u16string(m_arrDigits + m_intStart,
                          sizeof m_arrDigits / sizeof m_arrDigits[0] - m_intStart);
}

} // namespace morvane
