#include "u_TaskDescription.h"

#include "core/u_Types.h"

namespace morvane {

QString BuildTaskDescription(std::int32_t p_intMode, const QString& p_strOldText,
                             const QString& p_strNewText, const QString& p_strExtension,
                             bool p_IsContainSubFloder, bool p_IsMatchCase, bool p_IsPreview) {
    QString m_strText;
    if (p_intMode == kModeReplace) {
        m_strText = (p_IsPreview ? QStringLiteral("替换预览") : QStringLiteral("替换模式")) +
                    QStringLiteral(",查找[") + p_strOldText + QStringLiteral("],替换为[") +
                    p_strNewText + QStringLiteral("],扩展名[") + p_strExtension +
                    QStringLiteral("]");
    } else {
        m_strText = QStringLiteral("查找模式,查找[") + p_strOldText + QStringLiteral("],扩展名[") +
                    p_strExtension + QStringLiteral("]");
    }
    m_strText +=
        p_IsContainSubFloder ? QStringLiteral(",包含子目录") : QStringLiteral(",不包含子目录");
    m_strText += p_IsMatchCase ? QStringLiteral(",区分大小写") : QStringLiteral(",不区分大小写");
    return m_strText;
}

} // namespace morvane
