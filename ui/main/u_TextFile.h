#pragma once
// TTextFile: the settings files as text. Every file the program writes for itself is UTF-8 with a
// byte-order mark; reading skips the mark and decodes the rest as UTF-8 whatever it holds.
// Failures are raised as std::runtime_error with a UTF-8 message meant for the user.

#include <QString>
#include <QStringList>

namespace morvane {

class TTextFile {
public:
    static bool Exists(const QString& p_strFileName);

    static QString ReadText(const QString& p_strFileName);
    // The mark, then the text as it is: no line break is added.
    static void WriteText(const QString& p_strFileName, const QString& p_strText);

    // One item per line; see SplitLines.
    static QStringList ReadLines(const QString& p_strFileName);
    // CR LF after every line, the last one included.
    static void WriteLines(const QString& p_strFileName, const QStringList& p_arrLines);

    // Lines end at CR LF, a lone CR or a lone LF; a break at the very end adds no empty line,
    // an empty line elsewhere stays; nothing is trimmed.
    static QStringList SplitLines(const QString& p_strText);
    static QString JoinLines(const QStringList& p_arrLines);
};

} // namespace morvane
