#pragma once
// TOptionsLayout: where the three option check boxes of the main window stand. They start 20 in
// from the left and are spread with equal gaps over the group's width less 40.

#include <array>

namespace morvane {

class TOptionsLayout {
public:
    static constexpr int kFirstLeft = 20;
    static constexpr int kSideMargins = 40;

    // (group width - the three widths - 40) / 2, rounded to the nearest integer with an exact half
    // going to the even neighbour (77.5 gives 78, 76.5 gives 76).
    static int Gap(int p_intGroupWidth, const std::array<int, 3>& p_arrWidths);

    // The left edges of the three boxes, in order.
    static std::array<int, 3> Lefts(int p_intGroupWidth, const std::array<int, 3>& p_arrWidths);

    // Half of an integer, rounded half to even.
    static int HalfToEven(int p_intValue);
};

} // namespace morvane
