#pragma once
// The pager bar's rules: label texts, which page buttons are enabled and where each one leads.
// Pure functions, no widgets.

#include <QString>

#include <cstdint>
#include <optional>

namespace morvane {

struct TPagerLabelTexts {
    QString g_strCurrentPage; // 当前第N页，
    QString g_strPageCount;   // 共N页，
    QString g_strPageSize;    // 每页N条，
    QString g_strRecordCount; // 共N条。
};

TPagerLabelTexts BuildPagerLabelTexts(std::int32_t p_intCurrentPage, std::int32_t p_intPageCount,
                                      std::int32_t p_intPageSize, std::int32_t p_intRecordCount);

struct TPagerButtonStates {
    bool g_IsFirstPageEnabled = false;
    bool g_IsPreviousPageEnabled = false;
    bool g_IsNextPageEnabled = false;
    bool g_IsLastPageEnabled = false;

    bool operator==(const TPagerButtonStates&) const = default;
};

// Empty while there is no page: the buttons then keep whatever state they had.
std::optional<TPagerButtonStates> PagerButtonStates(std::int32_t p_intCurrentPage,
                                                    std::int32_t p_intPageCount);

enum class TPageButton { First, Previous, Next, Last };

// The page a button moves to, or empty when the click does nothing. The last button with no page
// leads to page 0, which loads nothing.
std::optional<std::int32_t> PageButtonTarget(TPageButton p_Button, std::int32_t p_intCurrentPage,
                                             std::int32_t p_intPageCount);

} // namespace morvane
