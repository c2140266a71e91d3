// morvane [FOLDER]: finds, and optionally replaces, a text in all files of a directory tree.

#include "u_Application.h"
#include "u_Main.h"
#include "u_MainThreadDispatcher.h"
#include "u_StartUp.h"

int main(int argc, char* argv[]) {
    morvane::TApplication m_App(argc, argv);
    morvane::TApplication::Configure(m_App);
    // Only the main window's closing ends the program; the result window hides and shows it.
    morvane::TApplication::setQuitOnLastWindowClosed(false);
    morvane::InstallMainThreadDispatcher();
    int m_intExitCode = 0;
    {
        // The windows go before the dispatcher: a task still running when the program ends is
        // stopped by the result window, and its threads' last calls still need the event loop.
        morvane::TStartUp m_StartUp;
        // The program ends with its main window, whatever other window is still up.
        QObject::connect(&m_StartUp.frmMain(), &morvane::TfrmMain::formClosed, &m_App,
                         &QCoreApplication::quit, Qt::QueuedConnection);
        m_StartUp.Show(QCoreApplication::arguments());
        m_intExitCode = morvane::TApplication::exec();
    }
    morvane::UninstallMainThreadDispatcher();
    return m_intExitCode;
}
