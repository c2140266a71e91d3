#pragma once
// TfrmExtension: the extension list editor, a modal dialog in which the list is plain text, one
// pattern per line. Created once at start-up, when it reads "extension.ini"; reused afterwards,
// so unsaved edits are still there at the next opening.

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace morvane {

class TfrmExtension : public QDialog {
    Q_OBJECT
public:
    static constexpr int kModalResultOk = 1;
    static constexpr int kModalResultCancel = 2;
    static constexpr int kDesignWidth = 600;
    static constexpr int kDesignHeight = 551;

    explicit TfrmExtension(QWidget* p_Parent = nullptr);

    void FormCreate();
    void btnSaveClick();
    void btnCancelClick();

    // The close box and Escape end the display with Cancel as well.
    void reject() override;

protected:
    void showEvent(QShowEvent* p_Event) override;

private:
    QPlainTextEdit* memExtension = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;
};

} // namespace morvane
