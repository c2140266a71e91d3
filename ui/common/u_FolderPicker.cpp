#include "u_FolderPicker.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace morvane {

namespace {

// The parts of Qt's dialog that the picker does without: making a folder, and typing a name
// or a file type.
constexpr const char* kHiddenParts[] = {"newFolderButton", "fileNameLabel", "fileNameEdit",
                                        "fileTypeLabel", "fileTypeCombo"};

} // namespace

void TFolderPicker::Configure(QFileDialog& p_Dialog, const QString& p_strInstruction) {
    p_Dialog.setWindowTitle(p_strInstruction);
    // ReadOnly also takes renaming, deleting and making folders out of the context menu.
    p_Dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly |
                        QFileDialog::ReadOnly);
    p_Dialog.setFileMode(QFileDialog::Directory);
    p_Dialog.setViewMode(QFileDialog::Detail);
    p_Dialog.setDirectory(StartFolder());
    // Set here rather than left to Qt's catalogue, so they are Chinese even without it.
    p_Dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    p_Dialog.setLabelText(QFileDialog::Accept, QStringLiteral("确定"));
    p_Dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    for (const char* m_strName : kHiddenParts) {
        if (auto* m_Part = p_Dialog.findChild<QWidget*>(QLatin1String(m_strName))) {
            m_Part->hide();
        }
    }
    // Without the name and type rows the buttons stand in one row under the folder list.
    if (auto* m_Buttons = p_Dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        m_Buttons->setOrientation(Qt::Horizontal);
    }
    // The dialog gives the name box the focus when it opens; the folder list takes it instead.
    auto* m_edtFileName = p_Dialog.findChild<QWidget*>(QStringLiteral("fileNameEdit"));
    auto* m_tvwFolders = p_Dialog.findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    if (m_edtFileName != nullptr && m_tvwFolders != nullptr) {
        m_edtFileName->setFocusProxy(m_tvwFolders);
    }
}

QString TFolderPicker::StartFolder() {
    const QString m_strDesktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!m_strDesktop.isEmpty() && QFileInfo(m_strDesktop).isDir()) {
        return m_strDesktop;
    }
    return QDir::homePath();
}

QString TFolderPicker::ChosenFolder(const QFileDialog& p_Dialog) {
    const QStringList m_arrChosen = p_Dialog.selectedFiles();
    return m_arrChosen.isEmpty() ? QString() : m_arrChosen.first();
}

} // namespace morvane
