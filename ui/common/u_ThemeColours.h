#pragma once
// Colours that follow the user's theme: wherever the windows' look does not fix a colour, it is
// taken from the palette, so a dark theme stays readable.

#include <QColor>

class QPalette;

namespace morvane {

// The list's grid lines: the base colour moved a little towards the text colour, which gives
// the classic light grey (216, 216, 216) on a white list and a faint line on a dark one.
QColor GridLineColour(const QPalette& p_Palette);

// Text on a background that is fixed whatever the theme: of the palette's text and base
// colours, the one that stands out more against p_Background.
QColor TextColourOn(const QColor& p_Background, const QPalette& p_Palette);

} // namespace morvane
