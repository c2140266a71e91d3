#pragma once
// TIniFile: an INI text held whole in memory, read and written back whole.
//
// What survives a rewrite: every section and every key with its value, in place; a new key goes
// to the end of its section, a new section to the end of the text. A key that is written takes the
// spelling it is written with. What does not: blank lines,
// comment lines (first non-blank character ";") and every line before the first section header.
// Lines are trimmed of blanks and control characters at both ends, and keys and values on both
// sides of the first "=". Section and key names match without regard to letter case. The text
// is written with one empty line after each section and CR LF line ends.

#include <QString>
#include <QStringList>

#include <vector>

namespace morvane {

class TIniFile {
public:
    TIniFile() = default;

    static TIniFile FromText(const QString& p_strText);
    QString ToText() const;

    // A missing file reads as an empty text; any other failure is raised.
    static TIniFile Load(const QString& p_strFileName);
    void Save(const QString& p_strFileName) const;

    QString ReadString(const QString& p_strSection, const QString& p_strKey,
                       const QString& p_strDefault) const;
    void WriteString(const QString& p_strSection, const QString& p_strKey,
                     const QString& p_strValue);

    QStringList Sections() const;

private:
    struct TEntry {
        QString g_strKey;
        QString g_strValue;
        // A line without "=" inside a section is kept as written and never matches a key.
        bool g_IsKeyValue = true;
    };
    struct TSection {
        QString g_strName;
        std::vector<TEntry> g_arrEntries;
    };

    const TSection* FindSection(const QString& p_strSection) const;
    TSection* FindSection(const QString& p_strSection);

    std::vector<TSection> g_arrSections;
};

} // namespace morvane
