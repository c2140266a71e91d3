#pragma once
// Cutting a log page line into the cells of a result row. Pure functions, no widgets.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace morvane {

// Appends to p_arrList every piece of p_strText between occurrences of p_strSeparator (exact
// match, left to right) and then the rest after the last one, even when empty: k separators give
// k + 1 pieces, an empty text one empty piece. The list is not cleared. An empty separator never
// matches, so the whole text is one piece.
void SplitText(const QString& p_strText, const QString& p_strSeparator, QStringList& p_arrList);

// The status image of a row: 0 (green tick) for exactly "成功", 1 (red cross) for anything else.
int StatusImageIndex(const QString& p_strStatus);

// What a result row shows for one log page line.
struct TResultRowFields {
    int g_intImageIndex = 1;
    // Sequence number, status, encoding name, file name and, in replace mode, failure reason.
    QStringList g_arrSubItems;
};

// The row for a line of a page written in the given mode. Replace mode (1) shows the first five
// "|"-separated fields. Any other mode shows four, the file name being everything after the third
// "|": the line has exactly four fields there, so a "|" inside a name stays part of it. Fields a
// line lacks (a failure reason with a line break in it spills onto a line of its own) are empty.
TResultRowFields LogLineToRowFields(const QString& p_strLine, std::int32_t p_intMode);

// The file a row's name cell stands for. The cell shows the name escaped as the page holds it
// (u_NameEscape); this is its exact bytes, carried in a QString as NativeNameToText does, which
// the shell seam turns back into bytes.
QString LogFieldToFileName(const QString& p_strField);

} // namespace morvane
