#include "text/u_LineModel.h"

#include <algorithm>

namespace morvane {

namespace {

// Position of the next CR or LF from p_intFrom on, or npos. Hot path: a plain loop is faster
// than find_first_of, which searches the set once per character.
template <typename TChar>
std::size_t FindLineBreak(std::basic_string_view<TChar> p_strText, std::size_t p_intFrom) {
    const std::size_t m_intSize = p_strText.size();
    for (std::size_t m_intIndex = p_intFrom; m_intIndex < m_intSize; ++m_intIndex) {
        const TChar m_intUnit = p_strText[m_intIndex];
        if (m_intUnit == TChar('\r') || m_intUnit == TChar('\n')) {
            return m_intIndex;
        }
    }
    return std::basic_string_view<TChar>::npos;
}

// Where the break that starts at p_intBreak ends: after CR LF, or after a lone CR or LF.
template <typename TChar>
std::size_t BreakEnd(std::basic_string_view<TChar> p_strText, std::size_t p_intBreak) {
    if (p_strText[p_intBreak] == TChar('\r') && p_intBreak + 1 < p_strText.size() &&
        p_strText[p_intBreak + 1] == TChar('\n')) {
        return p_intBreak + 2;
    }
    return p_intBreak + 1;
}

template <typename TChar>
std::basic_string_view<TChar> LineBreakStyleOf(std::basic_string_view<TChar> p_strText) {
    static constexpr TChar kBreaks[] = {TChar('\r'), TChar('\n')};
    const std::basic_string_view<TChar> m_strCrLf(kBreaks, 2);
    const std::size_t m_intBreak = FindLineBreak(p_strText, 0);
    if (m_intBreak == std::basic_string_view<TChar>::npos) {
        return m_strCrLf;
    }
    return m_strCrLf.substr(p_strText[m_intBreak] == TChar('\n') ? 1 : 0,
                            BreakEnd(p_strText, m_intBreak) - m_intBreak);
}

// One implementation for text and for bytes of an ASCII-compatible encoding (where CR and LF
// are the bytes 0D and 0A and never part of another character), so both always agree.
template <typename TChar>
std::basic_string<TChar> NormalizeLineBreaksOf(std::basic_string_view<TChar> p_strText) {
    using TView = std::basic_string_view<TChar>;
    if (p_strText.empty()) {
        return std::basic_string<TChar>();
    }
    // First pass: the exact size, so that the text is built in one allocation (files can be
    // large). A lone CR or LF grows by one unit, and an unbroken last line gains CR LF.
    std::size_t m_intSize = p_strText.size();
    for (std::size_t m_intBreak = FindLineBreak(p_strText, 0); m_intBreak != TView::npos;) {
        const std::size_t m_intNext = BreakEnd(p_strText, m_intBreak);
        m_intSize += 2 - (m_intNext - m_intBreak);
        m_intBreak = FindLineBreak(p_strText, m_intNext);
    }
    const TChar m_intLastUnit = p_strText.back();
    if (m_intLastUnit != TChar('\r') && m_intLastUnit != TChar('\n')) {
        m_intSize += 2;
    }

    std::basic_string<TChar> m_strResult(m_intSize, TChar(0));
    TChar* m_Target = m_strResult.data();
    std::size_t m_intLineStart = 0;
    while (m_intLineStart < p_strText.size()) {
        std::size_t m_intBreak = FindLineBreak(p_strText, m_intLineStart);
        if (m_intBreak == TView::npos) {
            m_intBreak = p_strText.size();
        }
        m_Target =
            std::copy(p_strText.data() + m_intLineStart, p_strText.data() + m_intBreak, m_Target);
        *m_Target++ = TChar('\r');
        *m_Target++ = TChar('\n');
        m_intLineStart =
            m_intBreak < p_strText.size() ? BreakEnd(p_strText, m_intBreak) : m_intBreak;
    }
    return m_strResult;
}

} // namespace

std::vector<std::u16string_view> SplitLines(std::u16string_view p_strText) {
    std::vector<std::u16string_view> m_arrLines;
    std::size_t m_intLineStart = 0;
    while (m_intLineStart < p_strText.size()) {
        const std::size_t m_intBreak = FindLineBreak(p_strText, m_intLineStart);
        if (m_intBreak == std::u16string_view::npos) {
            m_arrLines.push_back(p_strText.substr(m_intLineStart));
            break;
        }
        m_arrLines.push_back(p_strText.substr(m_intLineStart, m_intBreak - m_intLineStart));
        m_intLineStart = BreakEnd(p_strText, m_intBreak);
    }
    return m_arrLines;
}

std::u16string NormalizeLineBreaks(std::u16string_view p_strText) {
    return NormalizeLineBreaksOf(p_strText);
}

std::u16string_view LineBreakStyle(std::u16string_view p_strText) {
    return LineBreakStyleOf(p_strText);
}

std::string_view LineBreakStyle(std::string_view p_strBytes) {
    return LineBreakStyleOf(p_strBytes);
}

std::u16string WithLineBreaks(std::u16string_view p_strText, std::u16string_view p_strBreak) {
    std::u16string m_strResult;
    m_strResult.reserve(p_strText.size());
    std::size_t m_intLineStart = 0;
    for (std::size_t m_intBreak = FindLineBreak(p_strText, 0);
         m_intBreak != std::u16string_view::npos;
         m_intBreak = FindLineBreak(p_strText, m_intLineStart)) {
        m_strResult.append(p_strText.substr(m_intLineStart, m_intBreak - m_intLineStart));
        m_strResult.append(p_strBreak);
        m_intLineStart = BreakEnd(p_strText, m_intBreak);
    }
    m_strResult.append(p_strText.substr(m_intLineStart));
    return m_strResult;
}

bool TLineModelPieces::AppendNext(std::u16string& p_strPiece, std::size_t p_intUnits) {
    if (g_IsEnded) {
        return false;
    }
    const std::size_t m_intTarget = p_strPiece.size() + p_intUnits;
    while (p_strPiece.size() < m_intTarget) {
        if (g_intPosition == g_strText.size()) {
            const char16_t m_intLast = g_strText.empty() ? u'\n' : g_strText.back();
            if (m_intLast != u'\r' && m_intLast != u'\n') {
                p_strPiece.append(u"\r\n");
            }
            g_IsEnded = true;
            break;
        }
        std::size_t m_intBreak = FindLineBreak(g_strText, g_intPosition);
        if (m_intBreak == std::u16string_view::npos) {
            m_intBreak = g_strText.size();
        }
        const std::size_t m_intEnd =
            std::min(m_intBreak, g_intPosition + (m_intTarget - p_strPiece.size()));
        p_strPiece.append(g_strText.substr(g_intPosition, m_intEnd - g_intPosition));
        g_intPosition = m_intEnd;
        if (g_intPosition == m_intBreak && m_intBreak < g_strText.size() &&
            p_strPiece.size() < m_intTarget) {
            p_strPiece.append(u"\r\n");
            g_intPosition = BreakEnd(g_strText, m_intBreak);
        }
    }
    return true;
}

TLineModelMap::TLineModelMap(std::u16string_view p_strText) : g_strText(p_strText) {
    TakeLine();
}

void TLineModelMap::TakeLine() {
    std::size_t m_intBreak = FindLineBreak(g_strText, g_intTextStart);
    if (m_intBreak == std::u16string_view::npos) {
        m_intBreak = g_strText.size();
    }
    g_intLength = m_intBreak - g_intTextStart;
    g_intBreakLength =
        m_intBreak < g_strText.size() ? BreakEnd(g_strText, m_intBreak) - m_intBreak : 0;
}

std::size_t TLineModelMap::ToTextPosition(std::size_t p_intModelPosition, bool p_IsEnd) {
    for (;;) {
        const std::size_t m_intModelBreak = g_intModelStart + g_intLength;
        const std::size_t m_intTextBreak = g_intTextStart + g_intLength;
        if (p_intModelPosition <= m_intModelBreak) {
            return g_intTextStart + (p_intModelPosition - g_intModelStart);
        }
        if (p_intModelPosition == m_intModelBreak + 1) {
            return p_IsEnd ? m_intTextBreak : m_intTextBreak + g_intBreakLength;
        }
        if (p_intModelPosition == m_intModelBreak + 2 || m_intTextBreak >= g_strText.size()) {
            return m_intTextBreak + g_intBreakLength;
        }
        g_intModelStart = m_intModelBreak + 2;
        g_intTextStart = m_intTextBreak + g_intBreakLength;
        TakeLine();
    }
}

} // namespace morvane
