#include "u_PagerText.h"

namespace morvane {

TPagerLabelTexts BuildPagerLabelTexts(std::int32_t p_intCurrentPage, std::int32_t p_intPageCount,
                                      std::int32_t p_intPageSize, std::int32_t p_intRecordCount) {
    TPagerLabelTexts m_Texts;
    m_Texts.g_strCurrentPage =
        QStringLiteral("当前第") + QString::number(p_intCurrentPage) + QStringLiteral("页，");
    m_Texts.g_strPageCount =
        QStringLiteral("共") + QString::number(p_intPageCount) + QStringLiteral("页，");
    m_Texts.g_strPageSize =
        QStringLiteral("每页") + QString::number(p_intPageSize) + QStringLiteral("条，");
    m_Texts.g_strRecordCount =
        QStringLiteral("共") + QString::number(p_intRecordCount) + QStringLiteral("条。");
    return m_Texts;
}

std::optional<TPagerButtonStates> PagerButtonStates(std::int32_t p_intCurrentPage,
                                                    std::int32_t p_intPageCount) {
    if (p_intPageCount < 1) {
        return std::nullopt;
    }
    TPagerButtonStates m_States;
    m_States.g_IsFirstPageEnabled = p_intCurrentPage != 1;
    m_States.g_IsPreviousPageEnabled = p_intCurrentPage != 1;
    m_States.g_IsNextPageEnabled = p_intCurrentPage != p_intPageCount;
    m_States.g_IsLastPageEnabled = p_intCurrentPage != p_intPageCount;
    return m_States;
}

std::optional<std::int32_t> PageButtonTarget(TPageButton p_Button, std::int32_t p_intCurrentPage,
                                             std::int32_t p_intPageCount) {
    // Compared on 64 bits: no page number near the limits of the type can wrap around.
    const std::int64_t m_intCurrent = p_intCurrentPage;
    const std::int64_t m_intCount = p_intPageCount;
    switch (p_Button) {
    case TPageButton::First:
        if (m_intCurrent != 1) {
            return 1;
        }
        break;
    case TPageButton::Previous:
        if (m_intCurrent >= 2) {
            return p_intCurrentPage - 1;
        }
        break;
    case TPageButton::Next:
        if (m_intCurrent <= m_intCount - 1) {
            return p_intCurrentPage + 1;
        }
        break;
    case TPageButton::Last:
        if (m_intCurrent != m_intCount) {
            return p_intPageCount;
        }
        break;
    }
    return std::nullopt;
}

} // namespace morvane
