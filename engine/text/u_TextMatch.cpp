#include "text/u_TextMatch.h"

#include "text/u_LineModel.h"
#include "text/u_TextConvert.h"

#include <algorithm>
#include <array>

namespace morvane {

namespace {

struct TExactUnit {
    char16_t operator()(char16_t p_intUnit) const { return p_intUnit; }
};

struct TAsciiUpperUnit {
    char16_t operator()(char16_t p_intUnit) const { return AsciiUpperUnit(p_intUnit); }
};

// FullUpperCase unit by unit, from a table: the replacement folds a large file as it searches
// it, instead of holding an upper-cased copy beside it.
const std::array<char16_t, 0x10000>& FullUpperTable() {
    static const std::array<char16_t, 0x10000> s_arrTable = [] {
        std::u16string m_strUnits(0x10000, u'\0');
        for (std::size_t m_intUnit = 0; m_intUnit < m_strUnits.size(); ++m_intUnit) {
            m_strUnits[m_intUnit] = static_cast<char16_t>(m_intUnit);
        }
        const std::u16string m_strUpper = FullUpperCase(m_strUnits);
        std::array<char16_t, 0x10000> m_arrTable{};
        std::copy(m_strUpper.begin(), m_strUpper.end(), m_arrTable.begin());
        return m_arrTable;
    }();
    return s_arrTable;
}

struct TFullUpperUnit {
    const char16_t* g_Table = FullUpperTable().data();
    char16_t operator()(char16_t p_intUnit) const { return g_Table[p_intUnit]; }
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

constexpr std::size_t kModelPieceUnits = std::size_t{1} << 16;

bool HasLineBreak(std::u16string_view p_strText) {
    return p_strText.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// The occurrences of p_strPattern (folded as p_doFold folds the text) in the line model's text of
// p_strText, left to right without overlap, taken back to the text: p_doFound(start, end) for
// each until it returns false. The model's text is made and folded piece by piece; the pieces
// overlap by the pattern's length less one, so no occurrence is cut.
template <typename TFold, typename TFound>
std::size_t ForEachModelOccurrence(std::u16string_view p_strText, std::u16string_view p_strPattern,
                                   TFold p_doFold, TFound&& p_doFound) {
    const std::size_t m_intLength = p_strPattern.size();
    const TUnitSearcher<TExactUnit> m_Searcher(p_strPattern, TExactUnit());
    TLineModelPieces m_Pieces(p_strText);
    TLineModelMap m_Map(p_strText);
    std::u16string m_strWindow;
    std::size_t m_intWindowStart = 0; // model position of the window's first unit
    std::size_t m_intResume = 0;      // model position where the search goes on
    std::size_t m_intCount = 0;
    for (;;) {
        // What the window carries over is folded already.
        const auto m_intFolded = static_cast<std::ptrdiff_t>(m_strWindow.size());
        if (!m_Pieces.AppendNext(m_strWindow, kModelPieceUnits)) {
            break;
        }
        std::transform(m_strWindow.begin() + m_intFolded, m_strWindow.end(),
                       m_strWindow.begin() + m_intFolded, p_doFold);
        // Starts before the window were all tried; the window begins at the first one not tried.
        const auto m_doFrom = [&] {
            return std::max(m_intResume, m_intWindowStart) - m_intWindowStart;
        };
        for (std::size_t m_intFound = m_Searcher.Find(m_strWindow, m_doFrom());
             m_intFound != std::u16string_view::npos;
             m_intFound = m_Searcher.Find(m_strWindow, m_doFrom())) {
            const std::size_t m_intStart = m_intWindowStart + m_intFound;
            m_intResume = m_intStart + m_intLength;
            ++m_intCount;
            const std::size_t m_intTextStart = m_Map.ToTextPosition(m_intStart, false);
            if (!p_doFound(m_intTextStart, m_Map.ToTextPosition(m_intResume, true))) {
                return m_intCount;
            }
        }
        const std::size_t m_intWindowEnd = m_intWindowStart + m_strWindow.size();
        const std::size_t m_intKeepFrom =
            std::max(m_intResume, m_intWindowEnd - std::min(m_strWindow.size(), m_intLength - 1));
        m_strWindow.erase(0, m_intKeepFrom - m_intWindowStart);
        m_intWindowStart = m_intKeepFrom;
    }
    return m_intCount;
}

// The same for any pattern: one without a break lies within a line, where the model's text is
// the file's own, so it is searched in place.
template <typename TFold, typename TFound>
std::size_t ForEachOccurrence(std::u16string_view p_strText, std::u16string_view p_strPattern,
                              TFold p_doFold, TFound&& p_doFound) {
    if (p_strText.empty() || p_strPattern.empty()) {
        return 0;
    }
    if (HasLineBreak(p_strPattern)) {
        return ForEachModelOccurrence(p_strText, p_strPattern, p_doFold, p_doFound);
    }
    const TUnitSearcher<TFold> m_Searcher(p_strPattern, p_doFold);
    std::size_t m_intCount = 0;
    for (std::size_t m_intFound = m_Searcher.Find(p_strText, 0);
         m_intFound != std::u16string_view::npos;
         m_intFound = m_Searcher.Find(p_strText, m_intFound + p_strPattern.size())) {
        ++m_intCount;
        if (!p_doFound(m_intFound, m_intFound + p_strPattern.size())) {
            break;
        }
    }
    return m_intCount;
}

// Occurrences as the replacement takes them: exact, or on both sides folded with FullUpperCase.
template <typename TFound>
std::size_t ForEachReplaced(std::u16string_view p_strText, std::u16string_view p_strOldText,
                            bool p_IsMatchCase, TFound&& p_doFound) {
    if (p_IsMatchCase) {
        return ForEachOccurrence(p_strText, p_strOldText, TExactUnit(), p_doFound);
    }
    const std::u16string m_strPattern = FullUpperCase(p_strOldText);
    return ForEachOccurrence(p_strText, m_strPattern, TFullUpperUnit(), p_doFound);
}

} // namespace

char16_t FullUpperUnit(char16_t p_intUnit) {
    return FullUpperTable()[p_intUnit];
}

bool ModelTextContains(std::u16string_view p_strText, std::u16string_view p_strOldText,
                       bool p_IsMatchCase) {
    const auto m_doStop = [](std::size_t, std::size_t) {
        return false;
    };
    return p_IsMatchCase
               ? ForEachOccurrence(p_strText, p_strOldText, TExactUnit(), m_doStop) > 0
               : ForEachOccurrence(p_strText, p_strOldText, TAsciiUpperUnit(), m_doStop) > 0;
}

std::size_t ReplaceInFileText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                              std::u16string_view p_strNewText, bool p_IsMatchCase,
                              const std::function<void(std::u16string_view)>& p_doPiece) {
    const std::u16string m_strNewText =
        HasLineBreak(p_strNewText) ? WithLineBreaks(p_strNewText, LineBreakStyle(p_strText))
                                   : std::u16string(p_strNewText);
    std::size_t m_intCopied = 0;
    const std::size_t m_intCount = ForEachReplaced(
        p_strText, p_strOldText, p_IsMatchCase, [&](std::size_t p_intStart, std::size_t p_intEnd) {
            if (p_intStart > m_intCopied) {
                p_doPiece(p_strText.substr(m_intCopied, p_intStart - m_intCopied));
            }
            if (!m_strNewText.empty()) {
                p_doPiece(m_strNewText);
            }
            m_intCopied = p_intEnd;
            return true;
        });
    if (m_intCopied < p_strText.size()) {
        p_doPiece(p_strText.substr(m_intCopied));
    }
    return m_intCount;
}

std::u16string ReplaceInFileText(std::u16string_view p_strText, std::u16string_view p_strOldText,
                                 std::u16string_view p_strNewText, bool p_IsMatchCase) {
    std::u16string m_strResult;
    ReplaceInFileText(
        p_strText, p_strOldText, p_strNewText, p_IsMatchCase,
        [&m_strResult](std::u16string_view p_strPiece) { m_strResult.append(p_strPiece); });
    return m_strResult;
}

std::size_t CountFileTextOccurrences(std::u16string_view p_strText,
                                     std::u16string_view p_strOldText, bool p_IsMatchCase) {
    return ForEachReplaced(p_strText, p_strOldText, p_IsMatchCase,
                           [](std::size_t, std::size_t) { return true; });
}

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

} // namespace morvane
