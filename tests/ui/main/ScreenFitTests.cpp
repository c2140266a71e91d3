// Every window fits the screen it opens on: at 200 % on 1920 x 1080 (960 x 540 to lay out in),
// on an 800 x 600 screen and on a second screen to the right; Go, the pager and every button are
// on the screen and not cut off by the panel that holds them.

#include "MainWindowFixture.h"
#include "u_Extension.h"
#include "u_Result.h"
#include "u_ScreenFit.h"

#include <QCoreApplication>
#include <QPushButton>

namespace morvane::test {
namespace {

struct TScreenCase {
    const char* g_strName;
    QRect g_Available;
};

const TScreenCase kScreens[] = {
    {"Scaled200OnFullHd", QRect(0, 0, 960, 540)},
    {"Small800x600", QRect(0, 0, 800, 600)},
    {"SecondScreen", QRect(1920, 0, 1280, 720)},
};

void PrintTo(const TScreenCase& p_Case, std::ostream* p_Stream) {
    *p_Stream << p_Case.g_strName;
}

// The part of p_Widget that its window shows, in global coordinates: cut by every ancestor.
QRect ShownRect(const QWidget* p_Widget) {
    QRect m_Shown(p_Widget->mapToGlobal(QPoint(0, 0)), p_Widget->size());
    for (const QWidget* m_Parent = p_Widget->parentWidget(); m_Parent != nullptr;
         m_Parent = m_Parent->parentWidget()) {
        m_Shown &= QRect(m_Parent->mapToGlobal(QPoint(0, 0)), m_Parent->size());
    }
    return m_Shown;
}

void ExpectEveryButtonOnScreen(const QWidget* p_Window, const QRect& p_Available,
                               const char* p_strScreen) {
    EXPECT_TRUE(p_Available.contains(p_Window->frameGeometry()))
        << p_strScreen << " " << p_Window->objectName().toStdString();
    int m_intButtons = 0;
    for (const QPushButton* m_Button : p_Window->findChildren<QPushButton*>()) {
        if (!m_Button->isVisibleTo(p_Window)) {
            continue;
        }
        ++m_intButtons;
        const QRect m_Whole(m_Button->mapToGlobal(QPoint(0, 0)), m_Button->size());
        EXPECT_EQ(ShownRect(m_Button), m_Whole)
            << p_strScreen << " " << m_Button->objectName().toStdString() << " is cut off";
        EXPECT_TRUE(p_Available.contains(m_Whole))
            << p_strScreen << " " << m_Button->objectName().toStdString();
    }
    EXPECT_GT(m_intButtons, 0);
}

class ScreenFitTest : public MainWindowTest, public ::testing::WithParamInterface<TScreenCase> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        g_Screen.Set(GetParam().g_Available);
    }
};

TEST_P(ScreenFitTest, TheMainWindowOpensOnTheScreenWithEveryButtonShown) {
    CreateWindow();
    g_frmMain->show();
    QCoreApplication::processEvents();
    ExpectEveryButtonOnScreen(g_frmMain.get(), GetParam().g_Available, GetParam().g_strName);
    // Dragged as small as it goes, it keeps every button whole.
    g_frmMain->resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(g_frmMain->frameGeometry().width(),
              std::min(TfrmMain::kMinOuterWidth, GetParam().g_Available.width()));
    EXPECT_EQ(g_frmMain->frameGeometry().height(),
              std::min(TfrmMain::kMinOuterHeight, GetParam().g_Available.height()));
    ExpectEveryButtonOnScreen(g_frmMain.get(), GetParam().g_Available, GetParam().g_strName);
    g_frmMain->btnFindModeClick();
    QCoreApplication::processEvents();
    ExpectEveryButtonOnScreen(g_frmMain.get(), GetParam().g_Available, GetParam().g_strName);
}

TEST_P(ScreenFitTest, TheResultWindowOpensOnTheScreenWithItsPagerShown) {
    TfrmResult m_frmResult;
    m_frmResult.show();
    // The longest counters a task can show.
    m_frmResult.UpdatePagerInfo(2147483647, 5000, 429497);
    QCoreApplication::processEvents();
    ExpectEveryButtonOnScreen(&m_frmResult, GetParam().g_Available, GetParam().g_strName);
}

TEST_P(ScreenFitTest, TheExtensionEditorKeepsBothButtonsOnTheScreen) {
    TfrmExtension m_frmExtension;
    m_frmExtension.show();
    QCoreApplication::processEvents();
    ExpectEveryButtonOnScreen(&m_frmExtension, GetParam().g_Available, GetParam().g_strName);
}

TEST_P(ScreenFitTest, AWindowLeftOffTheScreenComesBackWhenShownAgain) {
    CreateWindow();
    g_frmMain->show();
    QCoreApplication::processEvents();
    // Where a larger or another screen had it.
    g_frmMain->hide();
    g_frmMain->setGeometry(-3000, 4000, 1500, 1200);
    g_frmMain->show();
    QCoreApplication::processEvents();
    ExpectEveryButtonOnScreen(g_frmMain.get(), GetParam().g_Available, GetParam().g_strName);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenFitTest, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<TScreenCase>& p_Info) {
                             return std::string(p_Info.param.g_strName);
                         });

TEST(ScreenFit, ClampIntoAreaShrinksThenMoves) {
    const QRect kArea(100, 50, 800, 600);
    const struct {
        QRect g_Frame;
        QRect g_Expected;
    } kCases[] = {
        {QRect(150, 60, 300, 200), QRect(150, 60, 300, 200)},
        {QRect(-500, -500, 300, 200), QRect(100, 50, 300, 200)},
        {QRect(850, 600, 300, 200), QRect(600, 450, 300, 200)},
        {QRect(0, 0, 1000, 700), QRect(100, 50, 800, 600)},
        {QRect(5000, 5000, 801, 10), QRect(100, 640, 800, 10)},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(ClampIntoArea(m_Case.g_Frame, kArea), m_Case.g_Expected);
    }
    EXPECT_EQ(ClampIntoArea(QRect(1, 2, 3, 4), QRect()), QRect(1, 2, 3, 4));
}

} // namespace
} // namespace morvane::test
