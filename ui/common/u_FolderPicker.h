#pragma once
// TFolderPicker: how the folder picker behind the dialogs seam is set up. Only folders can be
// chosen; there is no button for making a folder and no box to type a name in; it opens at the
// desktop folder with nothing selected, and speaks Chinese. Qt's own dialog is used rather than
// the desktop's, because only it can be held to that.

#include <QString>

class QFileDialog;

namespace morvane {

class TFolderPicker {
public:
    // Sets up p_Dialog as the picker, with p_strInstruction as its caption.
    static void Configure(QFileDialog& p_Dialog, const QString& p_strInstruction);

    // Where the picker opens: the user's desktop folder (XDG_DESKTOP_DIR) when it exists, else
    // the home folder.
    static QString StartFolder();

    // The chosen folder of an accepted picker; empty when nothing was chosen.
    static QString ChosenFolder(const QFileDialog& p_Dialog);
};

} // namespace morvane
