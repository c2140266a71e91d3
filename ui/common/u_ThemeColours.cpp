#include "u_ThemeColours.h"

#include <QPalette>

#include <cstdlib>

namespace morvane {

namespace {

// 39 of 255 steps from white towards black is the design's grid grey, 216.
constexpr int kGridShare = 39;

int Towards(int p_intFrom, int p_intTo) {
    return p_intFrom + (p_intTo - p_intFrom) * kGridShare / 255;
}

} // namespace

QColor GridLineColour(const QPalette& p_Palette) {
    const QColor m_Base = p_Palette.color(QPalette::Base);
    const QColor m_Text = p_Palette.color(QPalette::Text);
    return QColor(Towards(m_Base.red(), m_Text.red()), Towards(m_Base.green(), m_Text.green()),
                  Towards(m_Base.blue(), m_Text.blue()));
}

QColor TextColourOn(const QColor& p_Background, const QPalette& p_Palette) {
    const QColor m_Text = p_Palette.color(QPalette::Text);
    const QColor m_Base = p_Palette.color(QPalette::Base);
    const int m_intBackground = qGray(p_Background.rgb());
    return std::abs(qGray(m_Text.rgb()) - m_intBackground) >=
                   std::abs(qGray(m_Base.rgb()) - m_intBackground)
               ? m_Text
               : m_Base;
}

} // namespace morvane
