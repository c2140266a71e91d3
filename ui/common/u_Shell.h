#pragma once
// The seam for handing work to programs outside the system: a text editor, the file manager, the
// web browser and the mail program. Each platform's branch lives in u_Shell.cpp.

#include <QString>

namespace morvane {

class TShell {
public:
    virtual ~TShell() = default;
    // Opens the file in a plain text editor, whatever its own type.
    virtual void OpenInTextEditor(const QString& p_strFileName);
    // Opens the file manager on the file's folder with the file selected.
    virtual void ShowInFileManager(const QString& p_strFileName);
    // Opens a web address or a "mailto:" address.
    virtual void OpenUrl(const QString& p_strUrl);
};

// The shell in use: the real one unless a test has installed its own.
TShell& Shell();
// nullptr restores the real shell. The object stays owned by the caller.
void SetShellForTesting(TShell* p_Shell);

} // namespace morvane
