// The About box: its texts, the links' look and where they lead.

#include "FakeDialogs.h"
#include "FakeShell.h"
#include "u_About.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace morvane::test {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    QLabel* Label(const char* p_strName) const {
        auto* m_lblLabel = g_frmAbout.findChild<QLabel*>(QString::fromLatin1(p_strName));
        EXPECT_NE(m_lblLabel, nullptr) << p_strName;
        return m_lblLabel;
    }
    static QColor Colour(const QLabel* p_lblLabel) {
        return p_lblLabel->palette().color(QPalette::WindowText);
    }

    TFakeShell g_Shell;
    TFakeDialogs g_Dialogs;
    TfrmAbout g_frmAbout;
};

TEST_F(AboutBoxTest, ShowsItsTextsAndTheDesignValuesUntilSet) {
    EXPECT_EQ(g_frmAbout.windowTitle(), QStringLiteral("关于"));
    const struct {
        const char* g_strCaptionName;
        QString g_strCaption;
        const char* g_strValueName;
        QString g_strValue;
        int g_intTop;
    } kRows[] = {
        {"lblSoftwareLabel", QStringLiteral("软件名称："), "lblSoftware",
         QStringLiteral("软件名称"), 35},
        {"lblPlatformLabel", QStringLiteral("软件架构："), "lblPlatform",
         QStringLiteral("软件架构"), 65},
        {"lblVersionLabel", QStringLiteral("软件版本："), "lblVersion", QStringLiteral("软件版本"),
         95},
        {"lblWebsiteLabel", QStringLiteral("Lunvar网站："), "lblWebsite",
         QStringLiteral("lunvar.example/morvane"), 125},
        {"lblEmailLabel", QStringLiteral("电子邮件："), "lblEmail",
         QStringLiteral("support@lunvar.example"), 155},
    };
    int m_intCaptionRight = 0;
    for (const auto& m_Row : kRows) {
        const QLabel* m_lblCaption = Label(m_Row.g_strCaptionName);
        m_intCaptionRight =
            std::max(m_intCaptionRight, m_lblCaption->x() + m_lblCaption->sizeHint().width());
    }
    for (const auto& m_Row : kRows) {
        const QLabel* m_lblCaption = Label(m_Row.g_strCaptionName);
        const QLabel* m_lblValue = Label(m_Row.g_strValueName);
        EXPECT_EQ(m_lblCaption->text(), m_Row.g_strCaption);
        EXPECT_EQ(m_lblValue->text(), m_Row.g_strValue);
        EXPECT_EQ(m_lblCaption->buddy(), m_lblValue) << m_Row.g_strCaptionName;
        EXPECT_EQ(m_lblCaption->pos(), QPoint(139, m_Row.g_intTop)) << m_Row.g_strCaptionName;
        // The design's column at 204, unless the fonts in use make the captions reach further.
        EXPECT_EQ(m_lblValue->pos(), QPoint(std::max(204, m_intCaptionRight + 4), m_Row.g_intTop))
            << m_Row.g_strValueName;
        // Every value is seen whole.
        EXPECT_LE(m_lblValue->x() + m_lblValue->sizeHint().width(), g_frmAbout.width())
            << m_Row.g_strValueName;
        for (const QLabel* m_lblLabel : {m_lblCaption, m_lblValue}) {
            EXPECT_EQ(m_lblLabel->font().family(), QStringLiteral("宋体"));
            EXPECT_EQ(m_lblLabel->font().pixelSize(), 12);
        }
    }
    // Fixed size: the design's, or wider where the fonts need it.
    EXPECT_EQ(g_frmAbout.minimumSize(), g_frmAbout.maximumSize());
    EXPECT_GE(g_frmAbout.width(), 347);
    EXPECT_EQ(g_frmAbout.height(), 275);
    EXPECT_EQ(Colour(Label("lblSoftware")), g_frmAbout.palette().color(QPalette::WindowText));

    QLabel* m_imgAppIcon = Label("imgAppIcon");
    EXPECT_EQ(m_imgAppIcon->geometry(), QRect(40, 35, 64, 64));
    EXPECT_EQ(m_imgAppIcon->pixmap().size(), QSize(64, 64));

    auto* m_btnClose = g_frmAbout.findChild<QPushButton*>(QStringLiteral("btnClose"));
    ASSERT_NE(m_btnClose, nullptr);
    EXPECT_EQ(m_btnClose->text(), QStringLiteral("关闭(&C)"));
    EXPECT_EQ(m_btnClose->geometry(), QRect(139, 206, 75, 25));
    EXPECT_EQ(m_btnClose->font().family(), QStringLiteral("Tahoma"));

    g_frmAbout.setSoftware(QStringLiteral("Morvane"));
    g_frmAbout.setPlatform(QStringLiteral("(x64)"));
    g_frmAbout.setVersion(QStringLiteral("v6.3"));
    EXPECT_EQ(Label("lblSoftware")->text(), QStringLiteral("Morvane"));
    EXPECT_EQ(Label("lblPlatform")->text(), QStringLiteral("(x64)"));
    EXPECT_EQ(Label("lblVersion")->text(), QStringLiteral("v6.3"));
}

TEST_F(AboutBoxTest, LinksTurnRedUnderHoverAndBackToTheirFirstLook) {
    for (const char* m_strName : {"lblWebsite", "lblEmail"}) {
        QLabel* m_lblLink = Label(m_strName);
        EXPECT_EQ(Colour(m_lblLink), QColor(0, 0, 255)) << m_strName;
        EXPECT_FALSE(m_lblLink->font().underline()) << m_strName;
        EXPECT_EQ(m_lblLink->cursor().shape(), Qt::PointingHandCursor) << m_strName;
        QEnterEvent m_Enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(m_lblLink, &m_Enter);
        EXPECT_EQ(Colour(m_lblLink), QColor(255, 0, 0)) << m_strName;
        EXPECT_TRUE(m_lblLink->font().underline()) << m_strName;
        QEvent m_Leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_lblLink, &m_Leave);
        EXPECT_EQ(Colour(m_lblLink), QColor(0, 0, 255)) << m_strName;
        EXPECT_FALSE(m_lblLink->font().underline()) << m_strName;
        // The link's font stays the labels' font.
        EXPECT_EQ(m_lblLink->font().pixelSize(), 12) << m_strName;
    }
}

TEST_F(AboutBoxTest, LinksOpenTheWebsiteAndTheMailProgram) {
    g_frmAbout.lblWebsiteClick();
    g_frmAbout.lblEmailClick();
    EXPECT_EQ(g_Shell.Calls(),
              (QList<TShellCall>{
                  {TShellAction::OpenUrl, QStringLiteral("https://lunvar.example/morvane")},
                  {TShellAction::OpenUrl, QStringLiteral("mailto:support@lunvar.example")}}));
}

TEST_F(AboutBoxTest, ALinkWithoutAProgramToOpenItIsReported) {
    g_Shell.g_IsFailing = true;
    g_frmAbout.lblWebsiteClick();
    g_frmAbout.lblEmailClick();
    QStringList m_arrTexts;
    for (const TRecordedMessage& m_Message : g_Dialogs.Messages()) {
        EXPECT_EQ(m_Message.g_strTitle, QStringLiteral("消息"));
        m_arrTexts.append(m_Message.g_strText);
    }
    EXPECT_EQ(
        m_arrTexts,
        (QStringList{QStringLiteral("没有可以打开此链接的程序：https://lunvar.example/morvane"),
                     QStringLiteral("没有可以打开此链接的程序：mailto:support@lunvar.example")}));
}

TEST_F(AboutBoxTest, ALeftClickOnALinkOpensIt) {
    QLabel* m_lblEmail = Label("lblEmail");
    const QPointF m_Inside(2, 2);
    QMouseEvent m_Press(QEvent::MouseButtonPress, m_Inside, m_lblEmail->mapToGlobal(m_Inside),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent m_Release(QEvent::MouseButtonRelease, m_Inside, m_lblEmail->mapToGlobal(m_Inside),
                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_lblEmail, &m_Press);
    QCoreApplication::sendEvent(m_lblEmail, &m_Release);
    QMouseEvent m_RightRelease(QEvent::MouseButtonRelease, m_Inside,
                               m_lblEmail->mapToGlobal(m_Inside), Qt::RightButton, Qt::NoButton,
                               Qt::NoModifier);
    QCoreApplication::sendEvent(m_lblEmail, &m_RightRelease);
    EXPECT_EQ(g_Shell.Calls(),
              (QList<TShellCall>{
                  {TShellAction::OpenUrl, QStringLiteral("mailto:support@lunvar.example")}}));
}

TEST_F(AboutBoxTest, CloseButtonAndCloseBoxEndWithCancel) {
    g_frmAbout.open();
    g_frmAbout.btnCloseClick();
    EXPECT_EQ(g_frmAbout.result(), TfrmAbout::kModalResultCancel);
    EXPECT_FALSE(g_frmAbout.isVisible());
    g_frmAbout.open();
    g_frmAbout.reject();
    EXPECT_EQ(g_frmAbout.result(), TfrmAbout::kModalResultCancel);
}

} // namespace
} // namespace morvane::test
