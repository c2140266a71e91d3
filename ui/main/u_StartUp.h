#pragma once
// TStartUp: the program's four windows, created once in the order main window, result window,
// extension editor, About box, and wired to each other. Windows are only shown and hidden
// afterwards, never created again.

#include <QStringList>

#include <memory>

namespace morvane {

class TfrmAbout;
class TfrmExtension;
class TfrmMain;
class TfrmResult;

class TStartUp {
public:
    TStartUp();
    ~TStartUp();
    TStartUp(const TStartUp&) = delete;
    TStartUp& operator=(const TStartUp&) = delete;

    // Shows the main window, with the folder that p_arrArguments (the program's command line)
    // names in its directory box; the others stay hidden until used.
    void Show(const QStringList& p_arrArguments = {});

    TfrmMain& frmMain() const { return *g_frmMain; }
    TfrmResult& frmResult() const { return *g_frmResult; }
    TfrmExtension& frmExtension() const { return *g_frmExtension; }
    TfrmAbout& frmAbout() const { return *g_frmAbout; }

private:
    std::unique_ptr<TfrmMain> g_frmMain;
    std::unique_ptr<TfrmResult> g_frmResult;
    std::unique_ptr<TfrmExtension> g_frmExtension;
    std::unique_ptr<TfrmAbout> g_frmAbout;
};

} // namespace morvane
