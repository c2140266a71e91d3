// The general error handler and the application's picture.

#include "FakeDialogs.h"
#include "u_Application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPushButton>

#include <gtest/gtest.h>

#include <stdexcept>

namespace morvane::test {
namespace {

// Fails on every event of its own type, as a window handler that meets an error would.
class TThrowingObject : public QObject {
public:
    static inline const QEvent::Type kFailing = static_cast<QEvent::Type>(QEvent::User + 17);
    int g_intHandled = 0;
    bool g_IsStandardError = true;

protected:
    bool event(QEvent* p_Event) override {
        if (p_Event->type() == kFailing) {
            if (g_IsStandardError) {
                throw std::runtime_error("无法写入文件“x.ini”：Permission denied");
            }
            throw 42;
        }
        ++g_intHandled;
        return QObject::event(p_Event);
    }
};

TEST(GeneralErrorHandler, ShowsTheErrorAndTheProgramGoesOn) {
    TFakeDialogs m_Dialogs;
    TThrowingObject m_Object;
    QEvent m_Failing(TThrowingObject::kFailing);
    const bool m_IsHandled = TApplication::GuardedNotify(
        [&] { return QCoreApplication::instance()->notify(&m_Object, &m_Failing); });
    EXPECT_FALSE(m_IsHandled);
    ASSERT_EQ(m_Dialogs.Messages().size(), 1);
    EXPECT_EQ(m_Dialogs.Messages().first().g_strTitle, QStringLiteral("消息"));
    EXPECT_EQ(m_Dialogs.Messages().first().g_strText,
              QStringLiteral("无法写入文件“x.ini”：Permission denied"));
    EXPECT_EQ(m_Dialogs.Messages().first().g_Buttons,
              QMessageBox::StandardButtons(QMessageBox::Ok));

    QEvent m_Ordinary(static_cast<QEvent::Type>(QEvent::User + 18));
    EXPECT_TRUE(TApplication::GuardedNotify(
                    [&] { return QCoreApplication::instance()->notify(&m_Object, &m_Ordinary); }) ||
                m_Object.g_intHandled == 1);
    EXPECT_EQ(m_Object.g_intHandled, 1);
    EXPECT_EQ(m_Dialogs.Messages().size(), 1);
}

TEST(GeneralErrorHandler, AnErrorOfAnyKindGetsAMessage) {
    TFakeDialogs m_Dialogs;
    TThrowingObject m_Object;
    m_Object.g_IsStandardError = false;
    QEvent m_Failing(TThrowingObject::kFailing);
    TApplication::GuardedNotify(
        [&] { return QCoreApplication::instance()->notify(&m_Object, &m_Failing); });
    ASSERT_EQ(m_Dialogs.Messages().size(), 1);
    EXPECT_EQ(m_Dialogs.Messages().first().g_strText, QStringLiteral("未知错误。"));
}

TEST(GeneralErrorHandler, MessageOfAnErrorIsItsUtf8Text) {
    EXPECT_EQ(
        TApplication::ExceptionMessage(std::make_exception_ptr(std::logic_error("\xE4\xB8\xAD"))),
        QStringLiteral("中"));
    EXPECT_EQ(TApplication::ExceptionMessage(std::exception_ptr()), QStringLiteral("未知错误。"));
}

TEST(ApplicationPicture, IsA64PixelPngUsedAsTheWindowIcon) {
    TApplication::Configure(*qApp);
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Morvane"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("example.lunvar.Morvane"));
    const QImage m_Image(QStringLiteral(":/morvane/AppIcon.png"), "PNG");
    ASSERT_FALSE(m_Image.isNull());
    EXPECT_EQ(m_Image.size(), QSize(64, 64));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    QPushButton m_Window;
    EXPECT_FALSE(m_Window.windowIcon().isNull());
}

} // namespace
} // namespace morvane::test
