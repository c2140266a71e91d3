#pragma once
// What the result window says about a task when it starts: its one-line description. A pure
// function, no widgets.

#include <QString>

#include <cstdint>

namespace morvane {

// "替换模式,查找[…],替换为[…],扩展名[…]" or "查找模式,查找[…],扩展名[…]", then the subfolder
// and case options; the texts are inserted verbatim. A replace preview (p_IsPreview in replace
// mode) begins "替换预览" instead of "替换模式".
QString BuildTaskDescription(std::int32_t p_intMode, const QString& p_strOldText,
                             const QString& p_strNewText, const QString& p_strExtension,
                             bool p_IsContainSubFloder, bool p_IsMatchCase,
                             bool p_IsPreview = false);

} // namespace morvane
