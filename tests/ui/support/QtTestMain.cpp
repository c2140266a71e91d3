// The main of every UI test executable: GoogleTest inside a QApplication, with the engine's
// Synchronize served by the application's event loop as in the program.

#include "u_MainThreadDispatcher.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Run by hand (or listed by ctest) without a platform chosen: no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication m_App(argc, argv);
    morvane::InstallMainThreadDispatcher();
    ::testing::InitGoogleTest(&argc, argv);
    const int m_intResult = RUN_ALL_TESTS();
    morvane::UninstallMainThreadDispatcher();
    return m_intResult;
}
