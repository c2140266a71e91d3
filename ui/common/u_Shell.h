#pragma once
// The seam for handing work to programs outside the system: a text editor, the file manager, the
// web browser and the mail program. Each platform's branch lives in u_Shell.cpp.

#include <QString>

class QWidget;

namespace morvane {

// Each returns false when no program could be asked to do it (none is registered, or it could not
// be started); what the program does with the request afterwards is its own to show.
class TShell {
public:
    virtual ~TShell() = default;
    // Opens the file in a plain text editor, whatever its own type.
    virtual bool OpenInTextEditor(const QString& p_strFileName);
    // Opens the file manager on the file's folder with the file selected. A file manager that
    // turns the request down later is told to the user by the shell itself (ShowNoProgram).
    virtual bool ShowInFileManager(const QString& p_strFileName);
    // Opens a web address or a "mailto:" address.
    virtual bool OpenUrl(const QString& p_strUrl);
};

enum class TShellTarget { File, Folder, Link };

// The notice for a file, a folder or a link that no program could be found to open.
QString NoProgramText(TShellTarget p_Target, const QString& p_strTarget);
// Shows that notice with the title "消息".
void ShowNoProgram(QWidget* p_Parent, TShellTarget p_Target, const QString& p_strTarget);

// The shell in use: the real one unless a test has installed its own.
TShell& Shell();
// nullptr restores the real shell. The object stays owned by the caller.
void SetShellForTesting(TShell* p_Shell);

} // namespace morvane
