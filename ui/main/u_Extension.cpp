#include "u_Extension.h"

#include "files/u_DataLocations.h"
#include "u_Application.h"
#include "u_MemoText.h"
#include "u_QtText.h"
#include "u_ScreenFit.h"
#include "u_SettingsStore.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace morvane {

TfrmExtension::TfrmExtension(QWidget* p_Parent) : QDialog(p_Parent) {
    setObjectName(QStringLiteral("frmExtension"));
    setWindowTitle(QStringLiteral("扩展名编辑"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kDesignWidth, kDesignHeight);
    QFont m_WindowFont(QStringLiteral("Tahoma"));
    m_WindowFont.setPixelSize(11);
    setFont(m_WindowFont);

    auto* m_Layout = new QVBoxLayout(this);
    m_Layout->setContentsMargins(0, 0, 0, 0);
    m_Layout->setSpacing(0);

    auto* m_pnlExtension = new QWidget(this);
    m_pnlExtension->setObjectName(QStringLiteral("pnlExtension"));
    auto* m_ExtensionLayout = new QVBoxLayout(m_pnlExtension);
    m_ExtensionLayout->setContentsMargins(5, 5, 5, 5);
    memExtension = new QPlainTextEdit(m_pnlExtension);
    memExtension->setObjectName(QStringLiteral("memExtension"));
    memExtension->setAccessibleName(windowTitle());
    memExtension->setLineWrapMode(QPlainTextEdit::NoWrap);
    memExtension->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memExtension->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memExtension->setTabChangesFocus(true);
    QFont m_MemoFont(QStringLiteral("Tahoma"));
    m_MemoFont.setPixelSize(12);
    memExtension->setFont(m_MemoFont);
    m_ExtensionLayout->addWidget(memExtension);
    m_Layout->addWidget(m_pnlExtension, 1);

    auto* m_pnlButtons = new QWidget(this);
    m_pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    m_pnlButtons->setFixedHeight(57);
    btnSave = new QPushButton(QStringLiteral("保存(&S)"), m_pnlButtons);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setGeometry(165, 17, 75, 25);
    btnSave->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), m_pnlButtons);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(360, 17, 75, 25);
    btnCancel->setAutoDefault(false);
    m_Layout->addWidget(m_pnlButtons);

    connect(btnSave, &QPushButton::clicked, this, &TfrmExtension::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmExtension::btnCancelClick);

    try {
        FormCreate();
    } catch (...) {
        TApplication::HandleException(std::current_exception());
    }
}

void TfrmExtension::showEvent(QShowEvent* p_Event) {
    // Fixed at its design size, unless the screen is smaller: then as large as the screen allows,
    // the text box giving way, so that both buttons stay on it.
    const QSize m_Frame = FrameExtra(this);
    setFixedSize(FitClientSize(QSize(kDesignWidth, kDesignHeight) + m_Frame, m_Frame,
                               AvailableGeometry(this)));
    QDialog::showEvent(p_Event);
    KeepOnScreen(this);
}

void TfrmExtension::FormCreate() {
    // Without the file the main window shows its built-in list: the editor starts from that
    // list, so that what is saved is what the user saw and edited.
    const std::optional<QStringList> m_arrLines =
        TSettingsStore(ToQString(SettingsFolder())).LoadExtensionList();
    TMemoText::SetLines(memExtension, m_arrLines.value_or(TSettingsStore::BuiltInExtensions()));
}

void TfrmExtension::btnSaveClick() {
    // Creates "extension.ini" when there is none: the edits must not be dropped.
    TSettingsStore(ToQString(SettingsFolder())).SaveExtensionList(TMemoText::Lines(memExtension));
    done(kModalResultOk);
}

void TfrmExtension::btnCancelClick() {
    done(kModalResultCancel);
}

void TfrmExtension::reject() {
    done(kModalResultCancel);
}

} // namespace morvane
