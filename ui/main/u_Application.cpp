#include "u_Application.h"

#include "u_Dialogs.h"
#include "u_QtTranslation.h"

#include <QIcon>
#include <QWidget>

#include <stdexcept>

// Outside any namespace, as the resource initialiser is declared there.
static void InitMorvaneResources() {
    Q_INIT_RESOURCE(morvane);
}

namespace morvane {

TApplication::TApplication(int& p_intArgc, char** p_arrArgv) : QApplication(p_intArgc, p_arrArgv) {}

bool TApplication::notify(QObject* p_Receiver, QEvent* p_Event) {
    return GuardedNotify(
        [this, p_Receiver, p_Event] { return QApplication::notify(p_Receiver, p_Event); });
}

bool TApplication::GuardedNotify(const std::function<bool()>& p_doNotify) {
    try {
        return p_doNotify();
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void TApplication::HandleException(const std::exception_ptr& p_Error, QWidget* p_Parent) {
    if (p_Parent == nullptr) {
        p_Parent = QApplication::activeWindow();
    }
    try {
        ShowNotice(p_Parent, ExceptionMessage(p_Error), QMessageBox::Critical);
    } catch (...) {
        // A message box that cannot be shown leaves nothing else to tell the user with.
    }
}

QString TApplication::ExceptionMessage(const std::exception_ptr& p_Error) {
    try {
        if (p_Error) {
            std::rethrow_exception(p_Error);
        }
    } catch (const std::exception& m_Error) {
        return QString::fromUtf8(m_Error.what());
    } catch (...) {
    }
    return QStringLiteral("未知错误。");
}

void TApplication::Configure(QApplication& p_App) {
    InitMorvaneResources();
    // Only the name: a display name would be appended to every window caption on some desktops.
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    // The installed desktop entry and picture carry this id; desktops match windows to them by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.lunvar.Morvane"));
    TQtTranslation::Install(p_App);
    p_App.setWindowIcon(QIcon(QStringLiteral(":/morvane/AppIcon.png")));
}

} // namespace morvane
