#include "u_IniFile.h"

#include "u_TextFile.h"

namespace morvane {

namespace {

// Blanks and control characters: every code unit up to the space.
QString TrimControl(const QString& p_strText) {
    qsizetype m_intBegin = 0;
    qsizetype m_intEnd = p_strText.size();
    while (m_intBegin < m_intEnd && p_strText.at(m_intBegin).unicode() <= u' ') {
        ++m_intBegin;
    }
    while (m_intEnd > m_intBegin && p_strText.at(m_intEnd - 1).unicode() <= u' ') {
        --m_intEnd;
    }
    return p_strText.mid(m_intBegin, m_intEnd - m_intBegin);
}

bool SameName(const QString& p_strLeft, const QString& p_strRight) {
    return QString::compare(p_strLeft, p_strRight, Qt::CaseInsensitive) == 0;
}

} // namespace

TIniFile TIniFile::FromText(const QString& p_strText) {
    TIniFile m_Ini;
    for (const QString& m_strRawLine : TTextFile::SplitLines(p_strText)) {
        const QString m_strLine = TrimControl(m_strRawLine);
        if (m_strLine.isEmpty() || m_strLine.startsWith(u';')) {
            continue;
        }
        if (m_strLine.size() >= 2 && m_strLine.startsWith(u'[') && m_strLine.endsWith(u']')) {
            m_Ini.g_arrSections.push_back(
                {TrimControl(m_strLine.mid(1, m_strLine.size() - 2)), {}});
            continue;
        }
        if (m_Ini.g_arrSections.empty()) {
            continue;
        }
        TEntry m_Entry;
        const qsizetype m_intEquals = m_strLine.indexOf(u'=');
        if (m_intEquals < 0) {
            m_Entry.g_strKey = m_strLine;
            m_Entry.g_IsKeyValue = false;
        } else {
            m_Entry.g_strKey = TrimControl(m_strLine.left(m_intEquals));
            m_Entry.g_strValue = TrimControl(m_strLine.mid(m_intEquals + 1));
        }
        m_Ini.g_arrSections.back().g_arrEntries.push_back(m_Entry);
    }
    return m_Ini;
}

QString TIniFile::ToText() const {
    QStringList m_arrLines;
    for (const TSection& m_Section : g_arrSections) {
        m_arrLines.append(u'[' + m_Section.g_strName + u']');
        for (const TEntry& m_Entry : m_Section.g_arrEntries) {
            m_arrLines.append(m_Entry.g_IsKeyValue ? m_Entry.g_strKey + u'=' + m_Entry.g_strValue
                                                   : m_Entry.g_strKey);
        }
        m_arrLines.append(QString());
    }
    return TTextFile::JoinLines(m_arrLines);
}

TIniFile TIniFile::Load(const QString& p_strFileName) {
    if (!TTextFile::Exists(p_strFileName)) {
        return {};
    }
    return FromText(TTextFile::ReadText(p_strFileName));
}

void TIniFile::Save(const QString& p_strFileName) const {
    TTextFile::WriteText(p_strFileName, ToText());
}

QString TIniFile::ReadString(const QString& p_strSection, const QString& p_strKey,
                             const QString& p_strDefault) const {
    const TSection* m_Section = FindSection(p_strSection);
    if (m_Section == nullptr) {
        return p_strDefault;
    }
    for (const TEntry& m_Entry : m_Section->g_arrEntries) {
        if (m_Entry.g_IsKeyValue && SameName(m_Entry.g_strKey, p_strKey)) {
            return m_Entry.g_strValue;
        }
    }
    return p_strDefault;
}

void TIniFile::WriteString(const QString& p_strSection, const QString& p_strKey,
                           const QString& p_strValue) {
    TSection* m_Section = FindSection(p_strSection);
    if (m_Section == nullptr) {
        g_arrSections.push_back({p_strSection, {}});
        m_Section = &g_arrSections.back();
    }
    for (TEntry& m_Entry : m_Section->g_arrEntries) {
        if (m_Entry.g_IsKeyValue && SameName(m_Entry.g_strKey, p_strKey)) {
            // The line is written anew, with the key as the program spells it.
            m_Entry.g_strKey = p_strKey;
            m_Entry.g_strValue = p_strValue;
            return;
        }
    }
    m_Section->g_arrEntries.push_back({p_strKey, p_strValue, true});
}

QStringList TIniFile::Sections() const {
    QStringList m_arrNames;
    for (const TSection& m_Section : g_arrSections) {
        m_arrNames.append(m_Section.g_strName);
    }
    return m_arrNames;
}

const TIniFile::TSection* TIniFile::FindSection(const QString& p_strSection) const {
    for (const TSection& m_Section : g_arrSections) {
        if (SameName(m_Section.g_strName, p_strSection)) {
            return &m_Section;
        }
    }
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const QString& p_strSection) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(p_strSection));
}

} // namespace morvane
