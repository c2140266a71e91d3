#include "match/u_RawPrefilter.h"

#include "text/u_AnsiCodePage.h"
#include "text/u_Encoding.h"
#include "text/u_TextConvert.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define MORVANE_RAW_PREFILTER_SSE2 1
#include <emmintrin.h>
#endif

namespace morvane {

namespace {

constexpr std::size_t kShiftLimit = 255;

bool IsPrintableAscii(char16_t p_intUnit) {
    return p_intUnit >= 0x20 && p_intUnit <= 0x7E;
}

bool IsAsciiLetter(unsigned char p_intByte) {
    return (p_intByte >= 'A' && p_intByte <= 'Z') || (p_intByte >= 'a' && p_intByte <= 'z');
}

unsigned char FoldByte(unsigned char p_intByte, bool p_IsMatchCase) {
    return p_IsMatchCase ? p_intByte : AsciiUpperUnit(p_intByte);
}

#ifdef MORVANE_RAW_PREFILTER_SSE2
int CountTrailingZeros(unsigned p_intMask) {
#if defined(_MSC_VER) && !defined(__clang__)
    unsigned long m_intIndex = 0;
    _BitScanForward(&m_intIndex, p_intMask);
    return static_cast<int>(m_intIndex);
#else
    return __builtin_ctz(p_intMask);
#endif
}
#endif

} // namespace

bool IsAsciiCompatibleAnsiCodePage(int p_intCodePage) {
    switch (p_intCodePage) {
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return true;
    default:
        return false;
    }
}

bool IsSingleByteAnsiCodePage(int p_intCodePage) {
    return p_intCodePage == 874 || (p_intCodePage >= 1250 && p_intCodePage <= 1258);
}

TRawPrefilter::TRawPrefilter(std::u16string_view p_strOldText, bool p_IsMatchCase)
    : g_IsMatchCase(p_IsMatchCase) {
    g_IsActive = !p_strOldText.empty() &&
                 std::all_of(p_strOldText.begin(), p_strOldText.end(), IsPrintableAscii);
    if (!g_IsActive) {
        return;
    }
    g_strPattern.reserve(p_strOldText.size());
    for (const char16_t m_intUnit : p_strOldText) {
        // Folded here too, so that a caller that did not upper-case still gets a sound filter.
        g_strPattern +=
            static_cast<char>(FoldByte(static_cast<unsigned char>(m_intUnit), g_IsMatchCase));
    }
    const std::size_t m_intLength = g_strPattern.size();
    g_arrShift.fill(static_cast<std::uint8_t>(std::min(m_intLength, kShiftLimit)));
    for (std::size_t m_intIndex = 0; m_intIndex + 1 < m_intLength; ++m_intIndex) {
        g_arrShift[static_cast<unsigned char>(g_strPattern[m_intIndex])] =
            static_cast<std::uint8_t>(std::min(m_intLength - 1 - m_intIndex, kShiftLimit));
    }
}

bool TRawPrefilter::CannotMatch(std::string_view p_strFileBytes, std::int32_t p_intEncoding) const {
    return IsDecidable(p_strFileBytes, p_intEncoding) && !ContainsBytes(p_strFileBytes);
}

bool TRawPrefilter::IsAsciiCompatible(std::string_view p_strFileBytes,
                                      std::int32_t p_intEncoding) const {
    switch (p_intEncoding) {
    case kEncodingAuto:
        // Detection takes a UTF-16 (or UTF-32 little-endian) file by its first two bytes; every
        // other file is read as ANSI or UTF-8, or (UTF-32 big-endian) not at all.
        if (p_strFileBytes.size() >= 2) {
            const auto m_intFirst = static_cast<unsigned char>(p_strFileBytes[0]);
            const auto m_intSecond = static_cast<unsigned char>(p_strFileBytes[1]);
            if ((m_intFirst == 0xFF && m_intSecond == 0xFE) ||
                (m_intFirst == 0xFE && m_intSecond == 0xFF)) {
                return false;
            }
        }
        return IsAsciiCompatibleAnsiCodePage(GetAnsiCodePage());
    case kEncodingAnsi:
        return IsAsciiCompatibleAnsiCodePage(GetAnsiCodePage());
    case kEncodingUtf8:
    case kEncodingUtf8Bom:
        // Strict UTF-8: a mark and every multi-byte sequence are bytes of 0x80 and above.
        return true;
    default:
        return false;
    }
}

bool TRawPrefilter::ContainsBytes(std::string_view p_strBytes) const {
    return g_IsActive && FindFrom(p_strBytes, 0) != std::string_view::npos;
}

bool TRawPrefilter::IsMatchAt(const char* p_Candidate) const {
    if (g_IsMatchCase) {
        return std::memcmp(p_Candidate, g_strPattern.data(), g_strPattern.size()) == 0;
    }
    for (std::size_t m_intIndex = 0; m_intIndex < g_strPattern.size(); ++m_intIndex) {
        if (FoldByte(static_cast<unsigned char>(p_Candidate[m_intIndex]), false) !=
            static_cast<unsigned char>(g_strPattern[m_intIndex])) {
            return false;
        }
    }
    return true;
}

// A vector pass tests the pattern's first and last byte at 16 starts at once and verifies only
// the starts where both agree; Horspool takes the rest.
std::size_t TRawPrefilter::FindFrom(std::string_view p_strBytes, std::size_t p_intFrom) const {
    const std::size_t m_intLength = g_strPattern.size();
    if (m_intLength == 0 || p_strBytes.size() < m_intLength) {
        return std::string_view::npos;
    }
    const char* const m_Data = p_strBytes.data();
    const std::size_t m_intLastStart = p_strBytes.size() - m_intLength;
    std::size_t m_intStart = p_intFrom;

#ifdef MORVANE_RAW_PREFILTER_SSE2
    // Setting bit 5 maps exactly the two cases of a letter to one value.
    const auto m_intFirst = static_cast<unsigned char>(g_strPattern.front());
    const auto m_intLast = static_cast<unsigned char>(g_strPattern.back());
    const char m_intFirstOr = (!g_IsMatchCase && IsAsciiLetter(m_intFirst)) ? 0x20 : 0;
    const char m_intLastOr = (!g_IsMatchCase && IsAsciiLetter(m_intLast)) ? 0x20 : 0;
    const __m128i m_FirstOr = _mm_set1_epi8(m_intFirstOr);
    const __m128i m_LastOr = _mm_set1_epi8(m_intLastOr);
    const __m128i m_FirstWanted = _mm_set1_epi8(static_cast<char>(m_intFirst | m_intFirstOr));
    const __m128i m_LastWanted = _mm_set1_epi8(static_cast<char>(m_intLast | m_intLastOr));
    while (m_intStart + 15 <= m_intLastStart) {
        const __m128i m_Heads =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_Data + m_intStart));
        const __m128i m_Tails = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(m_Data + m_intStart + m_intLength - 1));
        const __m128i m_Both =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(m_Heads, m_FirstOr), m_FirstWanted),
                          _mm_cmpeq_epi8(_mm_or_si128(m_Tails, m_LastOr), m_LastWanted));
        auto m_intMask = static_cast<unsigned>(_mm_movemask_epi8(m_Both));
        while (m_intMask != 0) {
            const std::size_t m_intCandidate =
                m_intStart + static_cast<std::size_t>(CountTrailingZeros(m_intMask));
            if (IsMatchAt(m_Data + m_intCandidate)) {
                return m_intCandidate;
            }
            m_intMask &= m_intMask - 1;
        }
        m_intStart += 16;
    }
#endif

    const auto m_intLastUnit = static_cast<unsigned char>(g_strPattern.back());
    while (m_intStart <= m_intLastStart) {
        const unsigned char m_intUnit = FoldByte(
            static_cast<unsigned char>(m_Data[m_intStart + m_intLength - 1]), g_IsMatchCase);
        if (m_intUnit == m_intLastUnit && IsMatchAt(m_Data + m_intStart)) {
            return m_intStart;
        }
        m_intStart += g_arrShift[m_intUnit];
    }
    return std::string_view::npos;
}

} // namespace morvane
