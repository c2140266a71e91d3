#include "u_MemoText.h"

#include "u_TextFile.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace morvane {

QString TMemoText::Text(const QPlainTextEdit* p_memEditor) {
    // The raw text, since toPlainText() turns no-break spaces into blanks.
    return FromEditorText(p_memEditor->document()->toRawText());
}

void TMemoText::SetText(QPlainTextEdit* p_memEditor, const QString& p_strText) {
    p_memEditor->setPlainText(ToEditorText(p_strText));
}

QStringList TMemoText::Lines(const QPlainTextEdit* p_memEditor) {
    return TTextFile::SplitLines(Text(p_memEditor));
}

void TMemoText::SetLines(QPlainTextEdit* p_memEditor, const QStringList& p_arrLines) {
    p_memEditor->setPlainText(p_arrLines.join(u'\n'));
}

QString TMemoText::FromEditorText(const QString& p_strRawText) {
    QString m_strText;
    m_strText.reserve(p_strRawText.size());
    for (const QChar m_chrChar : p_strRawText) {
        if (m_chrChar == QChar::ParagraphSeparator || m_chrChar == QChar::LineSeparator ||
            m_chrChar == u'\n') {
            m_strText += QStringLiteral("\r\n");
        } else {
            m_strText += m_chrChar;
        }
    }
    return m_strText;
}

QString TMemoText::ToEditorText(const QString& p_strText) {
    QString m_strText = p_strText;
    m_strText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_strText.replace(u'\r', u'\n');
    return m_strText;
}

} // namespace morvane
