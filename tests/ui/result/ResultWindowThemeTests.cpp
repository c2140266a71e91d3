// The result window under the user's theme: colours that the window does not fix follow the
// palette, so a dark theme stays readable.

#include "u_Result.h"
#include "u_ThemeColours.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>

#include <gtest/gtest.h>

namespace morvane::test {
namespace {

QPalette Palette(const QColor& p_Base, const QColor& p_Text) {
    QPalette m_Palette;
    m_Palette.setColor(QPalette::Base, p_Base);
    m_Palette.setColor(QPalette::Text, p_Text);
    m_Palette.setColor(QPalette::Window, p_Base);
    m_Palette.setColor(QPalette::WindowText, p_Text);
    return m_Palette;
}

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kDarkBase(42, 42, 42);
const QColor kLightText(238, 238, 238);

TEST(ThemeColours, FollowThePalette) {
    EXPECT_EQ(GridLineColour(Palette(kWhite, kBlack)), QColor(216, 216, 216));
    const QColor m_DarkGrid = GridLineColour(Palette(kDarkBase, kLightText));
    EXPECT_GT(qGray(m_DarkGrid.rgb()), qGray(kDarkBase.rgb()));
    EXPECT_LT(qGray(m_DarkGrid.rgb()), 100);

    const QColor m_FixedGrey(230, 230, 230);
    EXPECT_EQ(TextColourOn(m_FixedGrey, Palette(kWhite, kBlack)), kBlack);
    EXPECT_EQ(TextColourOn(m_FixedGrey, Palette(kDarkBase, kLightText)), kDarkBase);
    EXPECT_EQ(TextColourOn(kDarkBase, Palette(kDarkBase, kLightText)), kLightText);
}

TEST(ResultWindowTheme, ReadOnlyFieldsKeepTheirGreyAndStayReadableInADarkTheme) {
    const QPalette m_OldPalette = QApplication::palette();
    QApplication::setPalette(Palette(kDarkBase, kLightText));
    {
        TfrmResult m_frmResult;
        for (const char* m_strName : {"edtOperate", "edtDirectory"}) {
            const QPalette& m_Palette =
                m_frmResult.findChild<QLineEdit*>(QString::fromLatin1(m_strName))->palette();
            EXPECT_EQ(m_Palette.color(QPalette::Base), QColor(230, 230, 230)) << m_strName;
            EXPECT_LT(qGray(m_Palette.color(QPalette::Text).rgb()), 128) << m_strName;
        }
    }
    QApplication::setPalette(m_OldPalette);
}

} // namespace
} // namespace morvane::test
