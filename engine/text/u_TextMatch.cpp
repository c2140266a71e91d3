#include "text/u_TextMatch.h"

#include "text/u_TextConvert.h"

#include <array>

namespace morvane {

namespace {

struct TExactUnit {
    char16_t operator()(char16_t p_intUnit) const { return p_intUnit; }
};

struct TAsciiUpperUnit {
    char16_t operator()(char16_t p_intUnit) const { return AsciiUpperUnit(p_intUnit); }
};

// Horspool search over the text as seen through a per-unit fold, so that a case-insensitive test
// needs no upper-cased copy of a whole file. Shifts are kept per low byte of the folded unit; a
// bucket shared by several units keeps the smallest shift, which stays correct.
template <typename TFold> class TUnitSearcher {
public:
    TUnitSearcher(std::u16string_view p_strPattern, TFold p_doFold)
        : g_strPattern(p_strPattern), g_doFold(p_doFold) {
        const std::size_t m_intLength = g_strPattern.size();
        g_arrShift.fill(m_intLength);
        for (std::size_t m_intIndex = 0; m_intIndex + 1 < m_intLength; ++m_intIndex) {
            g_arrShift[g_strPattern[m_intIndex] & 0xFFU] = m_intLength - 1 - m_intIndex;
        }
    }

    // First occurrence at or after p_intFrom, or npos. The pattern must not be empty.
    std::size_t Find(std::u16string_view p_strText, std::size_t p_intFrom) const {
        const std::size_t m_intLength = g_strPattern.size();
        if (p_strText.size() < m_intLength) {
            return std::u16string_view::npos;
        }
        const std::size_t m_intLastStart = p_strText.size() - m_intLength;
        const char16_t m_intLastUnit = g_strPattern[m_intLength - 1];
        std::size_t m_intStart = p_intFrom;
        while (m_intStart <= m_intLastStart) {
            const char16_t m_intUnit = g_doFold(p_strText[m_intStart + m_intLength - 1]);
            if (m_intUnit == m_intLastUnit && IsMatchAt(p_strText, m_intStart)) {
                return m_intStart;
            }
            m_intStart += g_arrShift[m_intUnit & 0xFFU];
        }
        return std::u16string_view::npos;
    }

private:
    bool IsMatchAt(std::u16string_view p_strText, std::size_t p_intStart) const {
        for (std::size_t m_intIndex = 0; m_intIndex + 1 < g_strPattern.size(); ++m_intIndex) {
            if (g_doFold(p_strText[p_intStart + m_intIndex]) != g_strPattern[m_intIndex]) {
                return false;
            }
        }
        return true;
    }

    std::u16string_view g_strPattern;
    TFold g_doFold;
    std::array<std::size_t, 256> g_arrShift{};
};

// The text with every occurrence (found in p_strSearchText, which has the same length as
// p_strText) replaced in p_strText.
std::u16string ReplaceFound(std::u16string_view p_strText, std::u16string_view p_strSearchText,
                            std::u16string_view p_strSearchPattern,
                            std::u16string_view p_strNewText) {
    const TUnitSearcher<TExactUnit> m_Searcher(p_strSearchPattern, TExactUnit());
    std::u16string m_strResult;
    m_strResult.reserve(p_strText.size());
    std::size_t m_intCopied = 0;
    for (std::size_t m_intFound = m_Searcher.Find(p_strSearchText, 0);
         m_intFound != std::u16string_view::npos;
         m_intFound = m_Searcher.Find(p_strSearchText, m_intCopied)) {
        m_strResult.append(p_strText.substr(m_intCopied, m_intFound - m_intCopied));
        m_strResult.append(p_strNewText);
        m_intCopied = m_intFound + p_strSearchPattern.size();
    }
    m_strResult.append(p_strText.substr(m_intCopied));
    return m_strResult;
}

} // namespace

bool ContainsFindText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                      bool p_IsMatchCase) {
    if (p_strText.empty() || p_strOldText.empty()) {
        return false;
    }
    if (p_IsMatchCase) {
        return TUnitSearcher<TExactUnit>(p_strOldText, TExactUnit()).Find(p_strText, 0) !=
               std::u16string_view::npos;
    }
    return TUnitSearcher<TAsciiUpperUnit>(p_strOldText, TAsciiUpperUnit()).Find(p_strText, 0) !=
           std::u16string_view::npos;
}

std::u16string ReplaceAllOccurrences(std::u16string_view p_strText,
                                     std::u16string_view p_strOldText,
                                     std::u16string_view p_strNewText, bool p_IsMatchCase) {
    if (p_strOldText.empty()) {
        return std::u16string(p_strText);
    }
    if (p_IsMatchCase) {
        return ReplaceFound(p_strText, p_strText, p_strOldText, p_strNewText);
    }
    // FullUpperCase keeps every length, so positions in the copy are positions in the text.
    const std::u16string m_strUpperText = FullUpperCase(p_strText);
    const std::u16string m_strUpperOldText = FullUpperCase(p_strOldText);
    return ReplaceFound(p_strText, m_strUpperText, m_strUpperOldText, p_strNewText);
}

} // namespace morvane
