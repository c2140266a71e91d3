#pragma once
// TMemoText: the text of a multi-line box as the rest of the program takes it, with a CR LF at
// every line break, character for character otherwise (no blank folded, nothing trimmed).

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace morvane {

class TMemoText {
public:
    static QString Text(const QPlainTextEdit* p_memEditor);
    // Each CR LF, lone CR and lone LF of p_strText becomes one line break of the box.
    static void SetText(QPlainTextEdit* p_memEditor, const QString& p_strText);

    // The box's lines: an empty line after a final line break does not count.
    static QStringList Lines(const QPlainTextEdit* p_memEditor);
    static void SetLines(QPlainTextEdit* p_memEditor, const QStringList& p_arrLines);

    // The same two conversions on plain text, for the box's raw text (paragraphs separated by
    // U+2029, soft breaks U+2028) and for the text the box is given.
    static QString FromEditorText(const QString& p_strRawText);
    static QString ToEditorText(const QString& p_strText);
};

} // namespace morvane
