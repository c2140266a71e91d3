#include "u_LogLineFields.h"

#include "core/u_Types.h"
#include "logs/u_NameEscape.h"
#include "u_QtText.h"

namespace morvane {

namespace {

const QString kFieldSeparator = QStringLiteral("|");
constexpr qsizetype kFindModeFieldCount = 4;
constexpr qsizetype kReplaceModeFieldCount = 5;

} // namespace

void SplitText(const QString& p_strText, const QString& p_strSeparator, QStringList& p_arrList) {
    if (p_strSeparator.isEmpty()) {
        p_arrList.append(p_strText);
        return;
    }
    qsizetype m_intStart = 0;
    for (qsizetype m_intFound = p_strText.indexOf(p_strSeparator, m_intStart, Qt::CaseSensitive);
         m_intFound >= 0;
         m_intFound = p_strText.indexOf(p_strSeparator, m_intStart, Qt::CaseSensitive)) {
        p_arrList.append(p_strText.mid(m_intStart, m_intFound - m_intStart));
        m_intStart = m_intFound + p_strSeparator.size();
    }
    p_arrList.append(p_strText.mid(m_intStart));
}

int StatusImageIndex(const QString& p_strStatus) {
    return p_strStatus == QStringLiteral("成功") ? 0 : 1;
}

TResultRowFields LogLineToRowFields(const QString& p_strLine, std::int32_t p_intMode) {
    QStringList m_arrFields;
    SplitText(p_strLine, kFieldSeparator, m_arrFields);

    const bool m_IsReplaceMode = p_intMode == kModeReplace;
    // In find mode only a file that could not be read has a reason, as the last field (escaped,
    // it holds no "|").
    const bool m_IsFindFailure = !m_IsReplaceMode && m_arrFields.size() > kFindModeFieldCount &&
                                 m_arrFields.at(1) == QStringLiteral("失败");
    QString m_strFindReason;
    if (m_IsFindFailure) {
        m_strFindReason = m_arrFields.takeLast();
    }
    if (!m_IsReplaceMode && m_arrFields.size() > kFindModeFieldCount) {
        const QStringList m_arrFileName = m_arrFields.mid(kFindModeFieldCount - 1);
        m_arrFields = m_arrFields.mid(0, kFindModeFieldCount - 1);
        m_arrFields.append(m_arrFileName.join(kFieldSeparator));
    }
    if (m_IsFindFailure) {
        m_arrFields.append(m_strFindReason);
    }

    const qsizetype m_intFieldCount =
        m_IsReplaceMode || m_IsFindFailure ? kReplaceModeFieldCount : kFindModeFieldCount;
    TResultRowFields m_Row;
    for (qsizetype m_intIndex = 0; m_intIndex < m_intFieldCount; ++m_intIndex) {
        m_Row.g_arrSubItems.append(m_intIndex < m_arrFields.size() ? m_arrFields.at(m_intIndex)
                                                                   : QString());
    }
    m_Row.g_intImageIndex = StatusImageIndex(m_Row.g_arrSubItems.at(1));
    return m_Row;
}

QString LogFieldToFileName(const QString& p_strField) {
    return ToQString(NativeNameToText(UnescapeName(ToU16String(p_strField))));
}

} // namespace morvane
