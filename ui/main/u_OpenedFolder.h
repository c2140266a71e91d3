#pragma once
// TOpenedFolder: a folder handed to the program from outside, for its directory box: named on
// the command line (a file manager's "Open with" on a folder), or dragged onto the main window.

#include <QString>
#include <QStringList>

class QMimeData;

namespace morvane {

class TOpenedFolder {
public:
    // The folder named by the first argument after the program's name that is not an option
    // (Qt has taken its own out already), made absolute; empty when there is none. Whether it
    // exists is for Go to tell, as for a typed directory.
    static QString FromArguments(const QStringList& p_arrArguments);

    // The one local folder a drag carries; empty when it carries anything else (files, several
    // items, remote places).
    static QString FromDrag(const QMimeData* p_Data);
};

} // namespace morvane
