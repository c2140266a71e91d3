#include "u_OpenedFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace morvane {

namespace {

// Written as the folder picker would give it: absolute, native separators, no trailing
// separator but for the root.
QString AsDirectoryText(const QString& p_strPath) {
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(p_strPath).absoluteFilePath()));
}

} // namespace

QString TOpenedFolder::FromArguments(const QStringList& p_arrArguments) {
    for (qsizetype m_intIndex = 1; m_intIndex < p_arrArguments.size(); ++m_intIndex) {
        const QString& m_strArgument = p_arrArguments.at(m_intIndex);
        if (!m_strArgument.isEmpty() && !m_strArgument.startsWith(u'-')) {
            return AsDirectoryText(m_strArgument);
        }
    }
    return {};
}

QString TOpenedFolder::FromDrag(const QMimeData* p_Data) {
    if (p_Data == nullptr || !p_Data->hasUrls() || p_Data->urls().size() != 1) {
        return {};
    }
    const QUrl m_Url = p_Data->urls().first();
    if (!m_Url.isLocalFile() || !QFileInfo(m_Url.toLocalFile()).isDir()) {
        return {};
    }
    return AsDirectoryText(m_Url.toLocalFile());
}

} // namespace morvane
