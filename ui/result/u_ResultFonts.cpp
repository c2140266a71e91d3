#include "u_ResultFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace morvane {

namespace {
constexpr int kTahomaPointSize = 8;
} // namespace

QFont FormFont() {
    const QString m_strTahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(m_strTahoma, Qt::CaseInsensitive)) {
        return QFont(m_strTahoma, kTahomaPointSize);
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

QFont FixedPitchFont() {
    QFont m_Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont m_FormFont = FormFont();
    if (m_FormFont.pointSizeF() > 0) {
        m_Font.setPointSizeF(m_FormFont.pointSizeF());
    }
    return m_Font;
}

} // namespace morvane
