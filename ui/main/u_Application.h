#pragma once
// TApplication: the program's application object. Its one addition is the general error handler:
// an error that escapes a window's handler is shown to the user in a message box, and the program
// goes on.

#include <QApplication>
#include <QString>

#include <exception>
#include <functional>

namespace morvane {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& p_intArgc, char** p_arrArgv);

    bool notify(QObject* p_Receiver, QEvent* p_Event) override;

    // Delivers an event through p_doNotify; an error escaping it is shown, and the delivery
    // counts as not handled.
    static bool GuardedNotify(const std::function<bool()>& p_doNotify);

    // Shows the message of p_Error through the dialogs seam, titled "消息". For the errors that
    // are caught outside the event loop too (window creation, closing the main window).
    static void HandleException(const std::exception_ptr& p_Error, QWidget* p_Parent = nullptr);

    // The text the user reads for an error: its message (UTF-8) for a standard error.
    static QString ExceptionMessage(const std::exception_ptr& p_Error);

    // Product name, desktop id, window picture, Qt's own texts in Chinese and the resources they
    // need; for the program and its tests.
    static void Configure(QApplication& p_App);
};

} // namespace morvane
