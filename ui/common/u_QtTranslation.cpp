#include "u_QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace morvane {

bool TQtTranslation::Install(QCoreApplication& p_App) {
    if (p_App.findChild<QTranslator*>(CatalogueName(), Qt::FindDirectChildrenOnly) != nullptr) {
        return true;
    }
    auto* m_Translator = new QTranslator(&p_App);
    m_Translator->setObjectName(CatalogueName());
    // Qt's own folder on a Linux system; beside the program where Qt is deployed with it.
    for (const QString& m_strFolder :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (m_Translator->load(CatalogueName(), m_strFolder)) {
            QCoreApplication::installTranslator(m_Translator);
            return true;
        }
    }
    delete m_Translator;
    return false;
}

} // namespace morvane
