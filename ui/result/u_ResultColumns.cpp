#include "u_ResultColumns.h"

#include "core/u_Types.h"

namespace morvane {

QList<TResultColumn> ResultColumns(std::int32_t p_intMode) {
    const bool m_IsReplaceMode = p_intMode == kModeReplace;
    QList<TResultColumn> m_arrColumns{
        {QString(), 24, Qt::AlignLeft},
        {QStringLiteral("序号"), 50, Qt::AlignHCenter},
        {QStringLiteral("处理结果"), 100, Qt::AlignHCenter},
        {QStringLiteral("文件编码"), 100, Qt::AlignHCenter},
        {QStringLiteral("文件名"), m_IsReplaceMode ? 550 : 580, Qt::AlignLeft},
    };
    if (m_IsReplaceMode) {
        m_arrColumns.append({QStringLiteral("失败原因"), 300, Qt::AlignHCenter});
    }
    return m_arrColumns;
}

} // namespace morvane
