#pragma once
// Qt's own texts, the standard buttons of message boxes and the folder picker's captions, in the
// language of the windows. Every text of the program is Simplified Chinese, whatever the user's
// locale, so Qt's Simplified Chinese catalogue is loaded always: a box with Chinese text and an
// "OK" button would read as two programs.

#include <QString>

class QCoreApplication;

namespace morvane {

class TQtTranslation {
public:
    // Installs the catalogue into p_App once; later calls do nothing. False when the catalogue
    // is installed neither with Qt nor in the program's "translations" folder: Qt's texts then
    // stay English and nothing else changes.
    static bool Install(QCoreApplication& p_App);

    // The catalogue's base name, as Qt ships it.
    static QString CatalogueName() { return QStringLiteral("qtbase_zh_CN"); }
};

} // namespace morvane
