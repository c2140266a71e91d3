#pragma once
// The seam for modal message boxes and the folder picker: windows never call QMessageBox or
// QFileDialog directly, so tests can answer them without a person.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace morvane {

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // A modal message box; returns the button pressed.
    virtual QMessageBox::StandardButton MessageBox(QWidget* p_Parent, QMessageBox::Icon p_Icon,
                                                   const QString& p_strTitle,
                                                   const QString& p_strText,
                                                   QMessageBox::StandardButtons p_Buttons);
    // The folder picker (TFolderPicker); an empty text when cancelled.
    virtual QString PickFolder(QWidget* p_Parent, const QString& p_strInstruction);
};

// The dialogs in use: the real ones unless a test has installed its own.
TDialogs& Dialogs();
// nullptr restores the real dialogs. The object stays owned by the caller.
void SetDialogsForTesting(TDialogs* p_Dialogs);

// A notice with the title "消息" and an OK button.
void ShowNotice(QWidget* p_Parent, const QString& p_strText,
                QMessageBox::Icon p_Icon = QMessageBox::Information);
// A question with the title "警告", a warning icon and Yes and No; true for Yes.
bool AskYesNo(QWidget* p_Parent, const QString& p_strText);

} // namespace morvane
