// The extension list editor, alone and opened from the main window.

#include "MainWindowFixture.h"
#include "u_Extension.h"

#include <QTimer>

namespace morvane::test {
namespace {

class ExtensionEditorTest : public MainWindowTest {
protected:
    QPlainTextEdit* Memo(const TfrmExtension& p_frmExtension) const {
        return p_frmExtension.findChild<QPlainTextEdit*>(QStringLiteral("memExtension"));
    }

    // Opens the editor from the main window, types p_strText and presses one of its buttons.
    void EditFromMainWindow(TfrmExtension& p_frmExtension, const QString& p_strText,
                            bool p_IsSave) {
        g_frmMain->setExtensionWindow(&p_frmExtension);
        QTimer::singleShot(0, &p_frmExtension, [this, &p_frmExtension, p_strText, p_IsSave] {
            Memo(p_frmExtension)->setPlainText(p_strText);
            if (p_IsSave) {
                p_frmExtension.btnSaveClick();
            } else {
                p_frmExtension.btnCancelClick();
            }
        });
        g_frmMain->btnEditExtClick();
    }
};

TEST_F(ExtensionEditorTest, IsAFixedDialogWithItsControls) {
    TfrmExtension m_frmExtension;
    EXPECT_EQ(m_frmExtension.windowTitle(), QStringLiteral("扩展名编辑"));
    EXPECT_EQ(m_frmExtension.minimumSize(), QSize(600, 551));
    EXPECT_EQ(m_frmExtension.maximumSize(), QSize(600, 551));
    EXPECT_FALSE(m_frmExtension.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(m_frmExtension.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    auto* m_btnSave = m_frmExtension.findChild<QPushButton*>(QStringLiteral("btnSave"));
    auto* m_btnCancel = m_frmExtension.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    ASSERT_NE(m_btnSave, nullptr);
    ASSERT_NE(m_btnCancel, nullptr);
    EXPECT_EQ(m_btnSave->text(), QStringLiteral("保存(&S)"));
    EXPECT_EQ(m_btnCancel->text(), QStringLiteral("取消(&C)"));
    EXPECT_EQ(m_btnSave->geometry(), QRect(165, 17, 75, 25));
    EXPECT_EQ(m_btnCancel->geometry(), QRect(360, 17, 75, 25));
    EXPECT_EQ(Memo(m_frmExtension)->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(ExtensionEditorTest, WithoutTheFileItShowsTheMainWindowsListAndSaveCreatesTheFile) {
    CreateWindow();
    TfrmExtension m_frmExtension;
    EXPECT_EQ(Memo(m_frmExtension)->toPlainText(), ItemTexts().join(u'\n'));
    EditFromMainWindow(m_frmExtension, QStringLiteral("*.md\n*.rs"), true);
    EXPECT_EQ(m_frmExtension.result(), TfrmExtension::kModalResultOk);
    EXPECT_EQ(ReadSetting("extension.ini"), kBom + "*.md\r\n*.rs\r\n");
    EXPECT_EQ(ItemTexts(), (QStringList{QStringLiteral("*.md"), QStringLiteral("*.rs")}));
}

TEST_F(ExtensionEditorTest, SavingAnEmptyTextEmptiesFileAndList) {
    WriteSetting("extension.ini", kBom + "*.a\r\n*.b\r\n");
    WriteSetting("config.ini", "[zelkReplace]\r\nSelectedExtension=*.a|\r\n");
    CreateWindow();
    TfrmExtension m_frmExtension;
    EXPECT_EQ(Memo(m_frmExtension)->toPlainText(), QStringLiteral("*.a\n*.b"));
    EXPECT_EQ(CheckedTexts(), QStringList{QStringLiteral("*.a")});
    EditFromMainWindow(m_frmExtension, QString(), true);
    EXPECT_EQ(ReadSetting("extension.ini"), kBom);
    EXPECT_EQ(Extensions()->count(), 0);
}

TEST_F(ExtensionEditorTest, SavedListReplacesTheMainWindowsListUnchecked) {
    WriteSetting("extension.ini", kBom + "*.a\r\n");
    WriteSetting("config.ini", "[zelkReplace]\r\nSelectedExtension=*.a|\r\n");
    CreateWindow();
    TfrmExtension m_frmExtension;
    EditFromMainWindow(m_frmExtension, QStringLiteral("*.a\n\n*.b"), true);
    EXPECT_EQ(ReadSetting("extension.ini"), kBom + "*.a\r\n\r\n*.b\r\n");
    EXPECT_EQ(ItemTexts(), (QStringList{QStringLiteral("*.a"), QString(), QStringLiteral("*.b")}));
    EXPECT_TRUE(CheckedTexts().isEmpty());
}

TEST_F(ExtensionEditorTest, AFinalLineBreakSavesTheSameFile) {
    WriteSetting("extension.ini", "");
    for (const QString& m_strText : {QStringLiteral("x\ny"), QStringLiteral("x\ny\n")}) {
        TfrmExtension m_frmExtension;
        Memo(m_frmExtension)->setPlainText(m_strText);
        m_frmExtension.btnSaveClick();
        EXPECT_EQ(ReadSetting("extension.ini"), kBom + "x\r\ny\r\n") << m_strText.toStdString();
    }
}

TEST_F(ExtensionEditorTest, CancelKeepsTheTypedTextForTheNextOpening) {
    WriteSetting("extension.ini", kBom + "*.a\r\n");
    CreateWindow();
    TfrmExtension m_frmExtension;
    EditFromMainWindow(m_frmExtension, QStringLiteral("*.typed"), false);
    EXPECT_EQ(m_frmExtension.result(), TfrmExtension::kModalResultCancel);
    EXPECT_EQ(ReadSetting("extension.ini"), kBom + "*.a\r\n");
    EXPECT_EQ(ItemTexts(), QStringList{QStringLiteral("*.a")});

    QString m_strShown;
    QTimer::singleShot(0, &m_frmExtension, [this, &m_frmExtension, &m_strShown] {
        m_strShown = Memo(m_frmExtension)->toPlainText();
        m_frmExtension.reject(); // the close box
    });
    g_frmMain->btnEditExtClick();
    EXPECT_EQ(m_strShown, QStringLiteral("*.typed"));
    EXPECT_EQ(m_frmExtension.result(), TfrmExtension::kModalResultCancel);
}

} // namespace
} // namespace morvane::test
