#pragma once
// What the result window says about a task when it starts: its one-line description. A pure
// function, no widgets.

#include <QString>

#include <cstdint>

namespace morvane {

// "替换模式,查找[…],替换为[…],扩展名[…]" or "查找模式,查找[…],扩展名[…]", then the subfolder
// and case options; the texts are inserted verbatim.
QString BuildTaskDescription(std::int32_t p_intMode, const QString& p_strOldText,
                             const QString& p_strNewText, const QString& p_strExtension,
                             bool p_IsContainSubFloder, bool p_IsMatchCase);

} // namespace morvane
