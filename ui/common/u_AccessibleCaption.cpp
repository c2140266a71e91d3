#include "u_AccessibleCaption.h"

#include <QLabel>
#include <QWidget>

namespace morvane {

QString AccessibleCaption(const QString& p_strCaption) {
    QString m_strName;
    m_strName.reserve(p_strCaption.size());
    for (qsizetype m_intIndex = 0; m_intIndex < p_strCaption.size(); ++m_intIndex) {
        // "&x" marks x as the accelerator; "&&" stands for one "&".
        if (p_strCaption.at(m_intIndex) == u'&' && m_intIndex + 1 < p_strCaption.size()) {
            ++m_intIndex;
        }
        m_strName += p_strCaption.at(m_intIndex);
    }
    while (m_strName.endsWith(u'：') || m_strName.endsWith(u':') || m_strName.endsWith(u' ')) {
        m_strName.chop(1);
    }
    return m_strName;
}

void LabelControl(QLabel* p_lblCaption, QWidget* p_Control) {
    p_lblCaption->setBuddy(p_Control);
    p_Control->setAccessibleName(AccessibleCaption(p_lblCaption->text()));
}

} // namespace morvane
