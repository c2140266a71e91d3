// The pager bar's texts, button states and page moves.

#include "CaseName.h"
#include "QtPrinters.h"
#include "u_PagerText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace morvane {
namespace {

TEST(PagerLabelTexts, PlainNumbersWithoutPadding) {
    const TPagerLabelTexts m_Texts = BuildPagerLabelTexts(1, 1, 5000, 1);
    EXPECT_EQ(m_Texts.g_strCurrentPage, QStringLiteral("当前第1页，"));
    EXPECT_EQ(m_Texts.g_strPageCount, QStringLiteral("共1页，"));
    EXPECT_EQ(m_Texts.g_strPageSize, QStringLiteral("每页5000条，"));
    EXPECT_EQ(m_Texts.g_strRecordCount, QStringLiteral("共1条。"));
}

TEST(PagerLabelTexts, ZeroesAfterTaskStart) {
    const TPagerLabelTexts m_Texts = BuildPagerLabelTexts(1, 0, 0, 0);
    EXPECT_EQ(m_Texts.g_strCurrentPage + m_Texts.g_strPageCount + m_Texts.g_strPageSize +
                  m_Texts.g_strRecordCount,
              QStringLiteral("当前第1页，共0页，每页0条，共0条。"));
}

TEST(PagerLabelTexts, LargeNumbersAreNotGrouped) {
    EXPECT_EQ(BuildPagerLabelTexts(12, 25, 5000, 123456).g_strRecordCount,
              QStringLiteral("共123456条。"));
}

struct TButtonCase {
    std::int32_t g_intCurrentPage;
    std::int32_t g_intPageCount;
    TPagerButtonStates g_Expected;
};

class PagerButtonStatesTest : public ::testing::TestWithParam<TButtonCase> {};

TEST_P(PagerButtonStatesTest, FollowTheCurrentPage) {
    const auto m_States = PagerButtonStates(GetParam().g_intCurrentPage, GetParam().g_intPageCount);
    ASSERT_TRUE(m_States.has_value());
    EXPECT_EQ(*m_States, GetParam().g_Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PagerButtonStatesTest,
                         ::testing::Values(TButtonCase{1, 1, {false, false, false, false}},
                                           TButtonCase{1, 2, {false, false, true, true}},
                                           TButtonCase{2, 2, {true, true, false, false}},
                                           TButtonCase{2, 3, {true, true, true, true}},
                                           // A page beyond the count (a failed load) still
                                           // offers every move.
                                           TButtonCase{3, 2, {true, true, true, true}}),
                         [](const ::testing::TestParamInfo<TButtonCase>& p_Info) {
                             return test::CaseName(
                                 "Page" + std::to_string(p_Info.param.g_intCurrentPage) + "Of" +
                                 std::to_string(p_Info.param.g_intPageCount));
                         });

TEST(PagerButtonStates, NoPageLeavesTheButtonsAlone) {
    EXPECT_FALSE(PagerButtonStates(1, 0).has_value());
    EXPECT_FALSE(PagerButtonStates(3, -1).has_value());
}

struct TTargetCase {
    TPageButton g_Button;
    std::int32_t g_intCurrentPage;
    std::int32_t g_intPageCount;
    std::optional<std::int32_t> g_intExpected;
};

class PageButtonTargetTest : public ::testing::TestWithParam<TTargetCase> {};

TEST_P(PageButtonTargetTest, MovesOrDoesNothing) {
    const TTargetCase& m_Case = GetParam();
    EXPECT_EQ(PageButtonTarget(m_Case.g_Button, m_Case.g_intCurrentPage, m_Case.g_intPageCount),
              m_Case.g_intExpected);
}

std::string TargetCaseName(const ::testing::TestParamInfo<TTargetCase>& p_Info) {
    const char* const kButtonNames[] = {"First", "Previous", "Next", "Last"};
    return test::CaseName(kButtonNames[static_cast<int>(p_Info.param.g_Button)] +
                          std::string("From") + std::to_string(p_Info.param.g_intCurrentPage) +
                          "Of" + std::to_string(p_Info.param.g_intPageCount));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageButtonTargetTest,
    ::testing::Values(
        TTargetCase{TPageButton::First, 1, 3, std::nullopt},
        TTargetCase{TPageButton::First, 3, 3, 1},
        TTargetCase{TPageButton::Previous, 1, 3, std::nullopt},
        TTargetCase{TPageButton::Previous, 3, 3, 2},
        TTargetCase{TPageButton::Next, 3, 3, std::nullopt}, TTargetCase{TPageButton::Next, 1, 3, 2},
        TTargetCase{TPageButton::Next, 1, 1, std::nullopt},
        TTargetCase{TPageButton::Last, 3, 3, std::nullopt}, TTargetCase{TPageButton::Last, 1, 3, 3},
        // Buttons left enabled by an earlier task: the last one leads to page 0.
        TTargetCase{TPageButton::Last, 1, 0, 0}, TTargetCase{TPageButton::Next, 1, 0, std::nullopt},
        TTargetCase{TPageButton::Next, std::numeric_limits<std::int32_t>::max(),
                    std::numeric_limits<std::int32_t>::min(), std::nullopt}),
    TargetCaseName);

} // namespace
} // namespace morvane
