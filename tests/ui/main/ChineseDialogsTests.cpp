// Qt's own dialogs in the windows' language: the standard buttons of message boxes, and the folder
// picker behind the dialogs seam, set up as the real one is but never shown.

#include "TempTree.h"
#include "u_FolderPicker.h"
#include "u_QtTranslation.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace morvane::test {
namespace {

TEST(QtTranslation, StandardButtonsReadChinese) {
    ASSERT_TRUE(TQtTranslation::Install(*qApp))
        << "Qt's catalogue is missing: scripts/install-deps.sh installs qt6-translations-l10n";
    ASSERT_TRUE(TQtTranslation::Install(*qApp));
    EXPECT_EQ(qApp->findChildren<QTranslator*>(TQtTranslation::CatalogueName()).size(), 1);

    QMessageBox m_Box(QMessageBox::Warning, QStringLiteral("警告"), QStringLiteral("是否继续？"),
                      QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const struct {
        QMessageBox::StandardButton g_Button;
        QString g_strText;
    } kButtons[] = {
        {QMessageBox::Ok, QStringLiteral("确定")},
        {QMessageBox::Yes, QStringLiteral("是(&Y)")},
        {QMessageBox::No, QStringLiteral("否(&N)")},
        {QMessageBox::Cancel, QStringLiteral("取消")},
    };
    for (const auto& m_Button : kButtons) {
        ASSERT_NE(m_Box.button(m_Button.g_Button), nullptr);
        EXPECT_EQ(m_Box.button(m_Button.g_Button)->text(), m_Button.g_strText);
    }
}

// Points the user's XDG desktop folder at a folder of the test's own for its lifetime.
class FolderPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_strOldConfigHome = qgetenv("XDG_CONFIG_HOME");
        g_IsConfigHomeSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(g_Tree.Path("config").string()));
    }
    void TearDown() override {
        if (g_IsConfigHomeSet) {
            qputenv("XDG_CONFIG_HOME", g_strOldConfigHome);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }
    void SetDesktop(const std::string& p_strFolder) {
        g_Tree.WriteFile("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + p_strFolder + "\"\n");
    }

    TTempTree g_Tree;
    QByteArray g_strOldConfigHome;
    bool g_IsConfigHomeSet = false;
};

TEST_F(FolderPickerTest, OffersFoldersOnlyFromTheDesktopInChinese) {
    const QString m_strDesktop = QString::fromStdString(g_Tree.MakeDir("桌面").string());
    SetDesktop(m_strDesktop.toStdString());
    QFileDialog m_Picker;
    TFolderPicker::Configure(m_Picker, QStringLiteral("请选择文件路径!"));

    EXPECT_EQ(m_Picker.windowTitle(), QStringLiteral("请选择文件路径!"));
    EXPECT_EQ(m_Picker.fileMode(), QFileDialog::Directory);
    for (const QFileDialog::Option m_Option :
         {QFileDialog::DontUseNativeDialog, QFileDialog::ShowDirsOnly, QFileDialog::ReadOnly}) {
        EXPECT_TRUE(m_Picker.testOption(m_Option)) << m_Option;
    }
    EXPECT_EQ(QDir(m_Picker.directory()).absolutePath(), m_strDesktop);
    // No button for a new folder, no box to type a name or a file type in.
    for (const char* m_strPart :
         {"newFolderButton", "fileNameLabel", "fileNameEdit", "fileTypeLabel", "fileTypeCombo"}) {
        auto* m_Part = m_Picker.findChild<QWidget*>(QString::fromLatin1(m_strPart));
        ASSERT_NE(m_Part, nullptr) << m_strPart;
        EXPECT_TRUE(m_Part->isHidden()) << m_strPart;
    }
    EXPECT_EQ(m_Picker.labelText(QFileDialog::LookIn), QStringLiteral("查找范围："));
    EXPECT_EQ(m_Picker.labelText(QFileDialog::Accept), QStringLiteral("确定"));
    EXPECT_EQ(m_Picker.labelText(QFileDialog::Reject), QStringLiteral("取消"));
}

TEST_F(FolderPickerTest, StartsAtHomeWhenTheDesktopFolderIsMissing) {
    SetDesktop(g_Tree.Path("gone").string());
    EXPECT_EQ(TFolderPicker::StartFolder(), QDir::homePath());
    SetDesktop(g_Tree.MakeDir("Desktop").string());
    EXPECT_EQ(TFolderPicker::StartFolder(),
              QString::fromStdString(g_Tree.Path("Desktop").string()));
}

} // namespace
} // namespace morvane::test
