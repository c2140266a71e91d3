#include "u_LineModel.h"

#include <algorithm>

namespace morvane {

namespace {

constexpr char16_t kCarriageReturn = u'\r';
constexpr char16_t kLineFeed = u'\n';

// Position of the next CR or LF from p_intFrom on, or npos. Hot path: a plain loop is faster
// than find_first_of, which searches the set once per character.
std::size_t FindLineBreak(std::u16string_view p_strText, std::size_t p_intFrom) {
    const std::size_t m_intSize = p_strText.size();
    for (std::size_t m_intIndex = p_intFrom; m_intIndex < m_intSize; ++m_intIndex) {
        const char16_t m_intUnit = p_strText[m_intIndex];
        if (m_intUnit <= kCarriageReturn &&
            (m_intUnit == kCarriageReturn || m_intUnit == kLineFeed)) {
            return m_intIndex;
        }
    }
    return std::u16string_view::npos;
}

// Where the break that starts at p_intBreak ends: after CR LF, or after a lone CR or LF.
std::size_t BreakEnd(std::u16string_view p_strText, std::size_t p_intBreak) {
    if (p_strText[p_intBreak] == kCarriageReturn && p_intBreak + 1 < p_strText.size() &&
        p_strText[p_intBreak + 1] == kLineFeed) {
        return p_intBreak + 2;
    }
    return p_intBreak + 1;
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
    if (p_strText.empty()) {
        return std::u16string();
    }
    // First pass: the exact size, so that the text is built in one allocation (files can be
    // large). A lone CR or LF grows by one unit, and an unbroken last line gains CR LF.
    std::size_t m_intSize = p_strText.size();
    for (std::size_t m_intBreak = FindLineBreak(p_strText, 0);
         m_intBreak != std::u16string_view::npos;) {
        const std::size_t m_intNext = BreakEnd(p_strText, m_intBreak);
        m_intSize += 2 - (m_intNext - m_intBreak);
        m_intBreak = FindLineBreak(p_strText, m_intNext);
    }
    const char16_t m_intLastUnit = p_strText.back();
    if (m_intLastUnit != kCarriageReturn && m_intLastUnit != kLineFeed) {
        m_intSize += 2;
    }

    std::u16string m_strResult(m_intSize, u'\0');
    char16_t* m_Target = m_strResult.data();
    std::size_t m_intLineStart = 0;
    while (m_intLineStart < p_strText.size()) {
        std::size_t m_intBreak = FindLineBreak(p_strText, m_intLineStart);
        if (m_intBreak == std::u16string_view::npos) {
            m_intBreak = p_strText.size();
        }
        m_Target =
            std::copy(p_strText.data() + m_intLineStart, p_strText.data() + m_intBreak, m_Target);
        *m_Target++ = kCarriageReturn;
        *m_Target++ = kLineFeed;
        m_intLineStart =
            m_intBreak < p_strText.size() ? BreakEnd(p_strText, m_intBreak) : m_intBreak;
    }
    return m_strResult;
}

} // namespace morvane
