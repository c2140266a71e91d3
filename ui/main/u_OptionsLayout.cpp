#include "u_OptionsLayout.h"

namespace morvane {

int TOptionsLayout::HalfToEven(int p_intValue) {
    // Floor division, so that negative values round the same way as positive ones.
    int m_intHalf = p_intValue / 2;
    if (p_intValue < 0 && p_intValue % 2 != 0) {
        --m_intHalf;
    }
    const bool m_IsExactHalf = p_intValue % 2 != 0;
    if (m_IsExactHalf && m_intHalf % 2 != 0) {
        ++m_intHalf;
    }
    return m_intHalf;
}

int TOptionsLayout::Gap(int p_intGroupWidth, const std::array<int, 3>& p_arrWidths) {
    return HalfToEven(p_intGroupWidth - p_arrWidths[0] - p_arrWidths[1] - p_arrWidths[2] -
                      kSideMargins);
}

std::array<int, 3> TOptionsLayout::Lefts(int p_intGroupWidth,
                                         const std::array<int, 3>& p_arrWidths) {
    const int m_intGap = Gap(p_intGroupWidth, p_arrWidths);
    const int m_intSecond = kFirstLeft + p_arrWidths[0] + m_intGap;
    return {kFirstLeft, m_intSecond, m_intSecond + p_arrWidths[1] + m_intGap};
}

} // namespace morvane
