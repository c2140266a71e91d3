#include "u_DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace morvane {

namespace {

bool IsFileFieldCode(QChar p_chrCode) {
    return p_chrCode == u'f' || p_chrCode == u'F' || p_chrCode == u'u' || p_chrCode == u'U';
}

// Splits an Exec value into its arguments; false when a quote is left open or a backslash ends
// the value.
bool SplitExecArguments(const QString& p_strExec, QStringList& p_arrArguments) {
    QString m_strArgument;
    bool m_IsInQuotes = false;
    bool m_IsArgumentStarted = false;
    for (qsizetype m_intIndex = 0; m_intIndex < p_strExec.size(); ++m_intIndex) {
        const QChar m_chrChar = p_strExec.at(m_intIndex);
        if (m_IsInQuotes) {
            if (m_chrChar == u'"') {
                m_IsInQuotes = false;
            } else if (m_chrChar == u'\\') {
                if (m_intIndex + 1 >= p_strExec.size()) {
                    return false;
                }
                m_strArgument += p_strExec.at(++m_intIndex);
            } else {
                m_strArgument += m_chrChar;
            }
        } else if (m_chrChar == u' ' || m_chrChar == u'\t') {
            if (m_IsArgumentStarted) {
                p_arrArguments.append(m_strArgument);
                m_strArgument.clear();
                m_IsArgumentStarted = false;
            }
        } else if (m_chrChar == u'"') {
            m_IsInQuotes = true;
            m_IsArgumentStarted = true;
        } else {
            m_strArgument += m_chrChar;
            m_IsArgumentStarted = true;
        }
    }
    if (m_IsInQuotes) {
        return false;
    }
    if (m_IsArgumentStarted) {
        p_arrArguments.append(m_strArgument);
    }
    return true;
}

// Resolves the field codes inside one argument that is not a field code on its own.
QString ExpandFieldCodes(const QString& p_strArgument, const QString& p_strFileName,
                         bool& p_IsFileUsed) {
    QString m_strResult;
    for (qsizetype m_intIndex = 0; m_intIndex < p_strArgument.size(); ++m_intIndex) {
        const QChar m_chrChar = p_strArgument.at(m_intIndex);
        if (m_chrChar != u'%' || m_intIndex + 1 >= p_strArgument.size()) {
            m_strResult += m_chrChar;
            continue;
        }
        const QChar m_chrCode = p_strArgument.at(++m_intIndex);
        if (m_chrCode == u'%') {
            m_strResult += u'%';
        } else if (IsFileFieldCode(m_chrCode)) {
            m_strResult += p_strFileName;
            p_IsFileUsed = true;
        }
    }
    return m_strResult;
}

QString ResolveGeneralEscapes(const QString& p_strValue) {
    QString m_strResult;
    for (qsizetype m_intIndex = 0; m_intIndex < p_strValue.size(); ++m_intIndex) {
        const QChar m_chrChar = p_strValue.at(m_intIndex);
        if (m_chrChar != u'\\' || m_intIndex + 1 >= p_strValue.size()) {
            m_strResult += m_chrChar;
            continue;
        }
        const QChar m_chrNext = p_strValue.at(++m_intIndex);
        if (m_chrNext == u's') {
            m_strResult += u' ';
        } else if (m_chrNext == u'n') {
            m_strResult += u'\n';
        } else if (m_chrNext == u't') {
            m_strResult += u'\t';
        } else if (m_chrNext == u'r') {
            m_strResult += u'\r';
        } else if (m_chrNext == u'\\') {
            // Kept doubled: the Exec quoting rules read it once more.
            m_strResult += QStringLiteral("\\\\");
        } else {
            m_strResult += u'\\';
            m_strResult += m_chrNext;
        }
    }
    return m_strResult;
}

} // namespace

QStringList DesktopApplicationDirectories(const QString& p_strDataHome,
                                          const QString& p_strDataDirs, const QString& p_strHome) {
    QStringList m_arrDataDirectories;
    m_arrDataDirectories.append(
        p_strDataHome.isEmpty() ? p_strHome + QStringLiteral("/.local/share") : p_strDataHome);
    const QString m_strDataDirs =
        p_strDataDirs.isEmpty() ? QStringLiteral("/usr/local/share:/usr/share") : p_strDataDirs;
    for (const QString& m_strDirectory : m_strDataDirs.split(u':', Qt::SkipEmptyParts)) {
        m_arrDataDirectories.append(m_strDirectory);
    }
    QStringList m_arrResult;
    for (const QString& m_strDirectory : m_arrDataDirectories) {
        const QString m_strApplications =
            QDir::cleanPath(m_strDirectory + QStringLiteral("/applications"));
        if (!m_arrResult.contains(m_strApplications)) {
            m_arrResult.append(m_strApplications);
        }
    }
    return m_arrResult;
}

QStringList DesktopApplicationDirectoriesFromEnvironment() {
    return DesktopApplicationDirectories(qEnvironmentVariable("XDG_DATA_HOME"),
                                         qEnvironmentVariable("XDG_DATA_DIRS"), QDir::homePath());
}

QString FindDesktopFile(const QString& p_strDesktopId, const QStringList& p_arrDirectories) {
    if (p_strDesktopId.isEmpty() || p_strDesktopId.contains(u'/') ||
        p_strDesktopId.startsWith(u'.')) {
        return {};
    }
    for (const QString& m_strDirectory : p_arrDirectories) {
        const QString m_strDirect = m_strDirectory + u'/' + p_strDesktopId;
        if (QFileInfo(m_strDirect).isFile()) {
            return m_strDirect;
        }
        // A "-" may stand for a folder separator: turn them into "/" one by one from the left.
        QString m_strRelative = p_strDesktopId;
        for (qsizetype m_intDash = m_strRelative.indexOf(u'-'); m_intDash > 0;
             m_intDash = m_strRelative.indexOf(u'-', m_intDash + 1)) {
            m_strRelative[m_intDash] = u'/';
            const QString m_strCandidate = m_strDirectory + u'/' + m_strRelative;
            if (QFileInfo(m_strCandidate).isFile()) {
                return m_strCandidate;
            }
        }
    }
    return {};
}

QString ReadDesktopExec(const QString& p_strDesktopFile) {
    QFile m_File(p_strDesktopFile);
    if (!m_File.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    QTextStream m_Stream(&m_File);
    bool m_IsInMainGroup = false;
    while (!m_Stream.atEnd()) {
        const QString m_strLine = m_Stream.readLine().trimmed();
        if (m_strLine.startsWith(u'[')) {
            m_IsInMainGroup = m_strLine == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!m_IsInMainGroup || m_strLine.startsWith(u'#')) {
            continue;
        }
        const qsizetype m_intEquals = m_strLine.indexOf(u'=');
        if (m_intEquals < 0 || m_strLine.left(m_intEquals).trimmed() != QStringLiteral("Exec")) {
            continue;
        }
        return ResolveGeneralEscapes(m_strLine.mid(m_intEquals + 1).trimmed());
    }
    return {};
}

QStringList BuildDesktopCommand(const QString& p_strExec, const QString& p_strFileName) {
    QStringList m_arrArguments;
    if (!SplitExecArguments(p_strExec, m_arrArguments) || m_arrArguments.isEmpty()) {
        return {};
    }
    QStringList m_arrCommand;
    bool m_IsFileUsed = false;
    for (const QString& m_strArgument : m_arrArguments) {
        if (m_strArgument.size() == 2 && m_strArgument.at(0) == u'%' &&
            m_strArgument.at(1) != u'%') {
            // A field code standing alone: the file for the file codes; the icon, name and
            // location codes have nothing to stand for here.
            if (IsFileFieldCode(m_strArgument.at(1))) {
                m_arrCommand.append(p_strFileName);
                m_IsFileUsed = true;
            }
            continue;
        }
        m_arrCommand.append(ExpandFieldCodes(m_strArgument, p_strFileName, m_IsFileUsed));
    }
    if (m_arrCommand.isEmpty() || m_arrCommand.first().isEmpty()) {
        return {};
    }
    if (!m_IsFileUsed) {
        m_arrCommand.append(p_strFileName);
    }
    return m_arrCommand;
}

} // namespace morvane
