#include "u_Dialogs.h"

#include "u_FolderPicker.h"

#include <QFileDialog>

namespace morvane {

namespace {
TDialogs* g_TestDialogs = nullptr; // user-interface thread only
} // namespace

QMessageBox::StandardButton TDialogs::MessageBox(QWidget* p_Parent, QMessageBox::Icon p_Icon,
                                                 const QString& p_strTitle,
                                                 const QString& p_strText,
                                                 QMessageBox::StandardButtons p_Buttons) {
    QMessageBox m_Box(p_Icon, p_strTitle, p_strText, p_Buttons, p_Parent);
    return static_cast<QMessageBox::StandardButton>(m_Box.exec());
}

QString TDialogs::PickFolder(QWidget* p_Parent, const QString& p_strInstruction) {
    QFileDialog m_Picker(p_Parent);
    TFolderPicker::Configure(m_Picker, p_strInstruction);
    if (m_Picker.exec() != QDialog::Accepted) {
        return {};
    }
    return TFolderPicker::ChosenFolder(m_Picker);
}

TDialogs& Dialogs() {
    static TDialogs m_RealDialogs;
    return g_TestDialogs != nullptr ? *g_TestDialogs : m_RealDialogs;
}

void SetDialogsForTesting(TDialogs* p_Dialogs) {
    g_TestDialogs = p_Dialogs;
}

void ShowNotice(QWidget* p_Parent, const QString& p_strText, QMessageBox::Icon p_Icon) {
    Dialogs().MessageBox(p_Parent, p_Icon, QStringLiteral("消息"), p_strText, QMessageBox::Ok);
}

bool AskYesNo(QWidget* p_Parent, const QString& p_strText) {
    return Dialogs().MessageBox(p_Parent, QMessageBox::Warning, QStringLiteral("警告"), p_strText,
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace morvane
