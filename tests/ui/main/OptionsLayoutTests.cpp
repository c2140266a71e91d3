// Where the main window's option check boxes stand.

#include "u_OptionsLayout.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

TEST(OptionsLayout, HalvesRoundToTheEvenNeighbour) {
    const struct {
        int g_intValue;
        int g_intHalf;
    } kCases[] = {{0, 0},    {1, 0},  {2, 1},   {3, 2},   {5, 2},   {155, 78}, {153, 76},
                  {154, 77}, {-1, 0}, {-2, -1}, {-3, -2}, {-5, -2}, {-7, -4}};
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TOptionsLayout::HalfToEven(m_Case.g_intValue), m_Case.g_intHalf)
            << m_Case.g_intValue;
    }
}

TEST(OptionsLayout, SpreadsTheThreeBoxesWithEqualGaps) {
    const struct {
        int g_intGroupWidth;
        std::array<int, 3> g_arrWidths;
        int g_intGap;
        std::array<int, 3> g_arrLefts;
    } kCases[] = {
        {585, {130, 130, 130}, 78, {20, 228, 436}}, // 77.5
        {583, {130, 130, 130}, 76, {20, 226, 432}}, // 76.5
        {584, {130, 130, 130}, 77, {20, 227, 434}},
        {589, {130, 130, 130}, 80, {20, 230, 440}}, // 79.5
        {430, {130, 130, 130}, 0, {20, 150, 280}},
        {427, {130, 130, 130}, -2, {20, 148, 276}}, // -1.5
        {500, {100, 120, 140}, 50, {20, 170, 340}},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TOptionsLayout::Gap(m_Case.g_intGroupWidth, m_Case.g_arrWidths), m_Case.g_intGap)
            << m_Case.g_intGroupWidth;
        EXPECT_EQ(TOptionsLayout::Lefts(m_Case.g_intGroupWidth, m_Case.g_arrWidths),
                  m_Case.g_arrLefts)
            << m_Case.g_intGroupWidth;
    }
}

} // namespace
} // namespace morvane
