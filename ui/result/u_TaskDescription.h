#pragma once
// What the result window says about a task when it starts: its one-line description and the name
// of its log folder. Pure functions, no widgets.

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace morvane {

// "替换模式,查找[…],替换为[…],扩展名[…]" or "查找模式,查找[…],扩展名[…]", then the subfolder
// and case options; the texts are inserted verbatim.
QString BuildTaskDescription(std::int32_t p_intMode, const QString& p_strOldText,
                             const QString& p_strNewText, const QString& p_strExtension,
                             bool p_IsContainSubFloder, bool p_IsMatchCase);

// The program folder (ending with its separator), "logs", the separator, then the start time as
// yyyyMMdd_HHmmss; no trailing separator.
QString BuildTaskLogsDirectory(const QString& p_strProgramFolder, const QDateTime& p_StartTime);

} // namespace morvane
