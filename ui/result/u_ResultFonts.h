#pragma once
// The result window's fonts: Tahoma 8 pt where it is installed, else the system's own UI font.

#include <QFont>

namespace morvane {

QFont FormFont();
// A fixed-pitch font of the form font's size, for the pager's counters.
QFont FixedPitchFont();

} // namespace morvane
