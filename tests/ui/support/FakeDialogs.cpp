#include "FakeDialogs.h"

namespace morvane::test {

TFakeDialogs::TFakeDialogs() {
    SetDialogsForTesting(this);
}

TFakeDialogs::~TFakeDialogs() {
    SetDialogsForTesting(nullptr);
}

QMessageBox::StandardButton TFakeDialogs::MessageBox(QWidget* p_Parent, QMessageBox::Icon p_Icon,
                                                     const QString& p_strTitle,
                                                     const QString& p_strText,
                                                     QMessageBox::StandardButtons p_Buttons) {
    Q_UNUSED(p_Parent);
    const TRecordedMessage m_Message{p_Icon, p_strTitle, p_strText, p_Buttons};
    g_arrMessages.append(m_Message);
    if (g_doOnMessage) {
        g_doOnMessage(m_Message);
    }
    if (!g_arrAnswers.empty()) {
        const QMessageBox::StandardButton m_Answer = g_arrAnswers.front();
        g_arrAnswers.pop_front();
        return m_Answer;
    }
    return p_Buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
}

QString TFakeDialogs::PickFolder(QWidget* p_Parent, const QString& p_strInstruction) {
    Q_UNUSED(p_Parent);
    g_arrFolderInstructions.append(p_strInstruction);
    if (g_arrFolders.empty()) {
        return {};
    }
    const QString m_strFolder = g_arrFolders.front();
    g_arrFolders.pop_front();
    return m_strFolder;
}

} // namespace morvane::test
