// The main window's settings: what it loads when it is created and what it saves on close.

#include "MainWindowFixture.h"

#include <QSignalSpy>

namespace morvane::test {
namespace {

TEST_F(MainWindowTest, FirstRunWithoutSettingsFilesShowsTheDefaults) {
    CreateWindow();
    EXPECT_EQ(Directory()->currentText(), QString());
    EXPECT_EQ(Directory()->count(), 0);
    auto* m_drpFileEncoding = Find<QComboBox>("drpFileEncoding");
    EXPECT_EQ(m_drpFileEncoding->currentIndex(), 0);
    EXPECT_FALSE(m_drpFileEncoding->isEditable());
    const QStringList kEncodings = {
        QStringLiteral("自动识别文件编码"),  QStringLiteral("ANSI"),
        QStringLiteral("UTF-8（无BOM）"),    QStringLiteral("UTF-8（有BOM）"),
        QStringLiteral("UTF-16 Big Endian"), QStringLiteral("UTF-16 Little Endian")};
    ASSERT_EQ(m_drpFileEncoding->count(), kEncodings.size());
    for (int m_intIndex = 0; m_intIndex < kEncodings.size(); ++m_intIndex) {
        EXPECT_EQ(m_drpFileEncoding->itemText(m_intIndex), kEncodings.at(m_intIndex));
    }
    EXPECT_EQ(ItemTexts(), TSettingsStore::BuiltInExtensions());
    EXPECT_TRUE(CheckedTexts().isEmpty());
    EXPECT_EQ(FindText()->toPlainText(), QString());
    EXPECT_EQ(ReplaceText()->toPlainText(), QString());
    EXPECT_TRUE(Option("chkIncSubDirectory")->isChecked());
    EXPECT_TRUE(Option("chkIsMatchCase")->isChecked());
    EXPECT_TRUE(Option("chkDeleteLogsFile")->isChecked());
    EXPECT_EQ(g_frmMain->Mode(), 1);
    EXPECT_TRUE(Button("btnGo")->isEnabled());
    EXPECT_TRUE(g_Dialogs.Messages().isEmpty());
    // Loading writes nothing.
    EXPECT_FALSE(HasSetting("path.ini"));
    EXPECT_FALSE(HasSetting("config.ini"));
}

TEST_F(MainWindowTest, LoadsEverySettingsFile) {
    WriteSetting("path.ini", kBom + "/first/\r\n/Second\r\n/first/\r\n");
    WriteSetting("find.ini", kBom + "one\ntwo");
    WriteSetting("replace.ini", "r\r\n");
    WriteSetting("config.ini", kBom + "[zelkReplace]\r\nIsContainSubFloder=False\r\n"
                                      "IsMatchCase=FALSE\r\nIsDeleteLogsFile=0\r\n"
                                      "SelectedExtension=*.txt|*.TXT|*.zzz|*.html|\r\n");
    CreateWindow();
    EXPECT_EQ(Directory()->currentText(), QStringLiteral("/first/"));
    // A hand-edited history is shown whole, duplicates included.
    EXPECT_EQ(DropDownItems(), (QStringList{QStringLiteral("/first/"), QStringLiteral("/Second"),
                                            QStringLiteral("/first/")}));
    EXPECT_EQ(FindText()->toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(ReplaceText()->toPlainText(), QStringLiteral("r\n"));
    EXPECT_FALSE(Option("chkIncSubDirectory")->isChecked());
    EXPECT_FALSE(Option("chkIsMatchCase")->isChecked());
    EXPECT_TRUE(Option("chkDeleteLogsFile")->isChecked());
    EXPECT_EQ(CheckedTexts(), (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.html")}));
}

TEST_F(MainWindowTest, ExtensionFileReplacesTheBuiltInList) {
    WriteSetting("extension.ini", kBom + "*.md\r\n*.MD\r\n\r\n*.md\r\n");
    WriteSetting("config.ini", "[zelkReplace]\r\nSelectedExtension=*.md|\r\n");
    CreateWindow();
    EXPECT_EQ(ItemTexts(), (QStringList{QStringLiteral("*.md"), QStringLiteral("*.MD"), QString(),
                                        QStringLiteral("*.md")}));
    // Equal items are all checked; the match is case-sensitive.
    EXPECT_EQ(CheckedTexts(), (QStringList{QStringLiteral("*.md"), QStringLiteral("*.md")}));
}

TEST_F(MainWindowTest, EmptyExtensionFileLeavesAnEmptyList) {
    WriteSetting("extension.ini", kBom);
    CreateWindow();
    EXPECT_EQ(Extensions()->count(), 0);
}

TEST_F(MainWindowTest, AnUnreadableSettingsFileIsReportedAndTheWindowStillWorks) {
    // A file that exists but cannot be read: the process's own memory, read from address 0.
    WriteSetting("path.ini", "/a\r\n");
    WriteSetting("extension.ini", "*.a\r\n");
    g_ProgramFolder.MakeSymlink("/proc/self/mem", "find.ini");
    CreateWindow();
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().first().g_strTitle, QStringLiteral("消息"));
    EXPECT_TRUE(g_Dialogs.Messages().first().g_strText.contains(QStringLiteral("find.ini")));
    // The steps before the failing one took effect, the ones after it did not.
    EXPECT_EQ(Directory()->currentText(), QStringLiteral("/a"));
    EXPECT_EQ(ItemTexts(), QStringList{QStringLiteral("*.a")});
    EXPECT_TRUE(Option("chkIsMatchCase")->isChecked());
    EXPECT_TRUE(Button("btnGo")->isEnabled());
    EXPECT_EQ(g_frmMain->windowTitle(), QStringLiteral("Morvane(x64) v6.3 - 替换模式"));
}

TEST_F(MainWindowTest, ClosingSavesTheSettings) {
    CreateWindow();
    const QString m_strDirectory = ExistingDirectory();
    Directory()->setEditText(m_strDirectory);
    FindText()->setPlainText(QStringLiteral("abc"));
    ReplaceText()->setPlainText(QStringLiteral("x\ny") + QChar(0x00A0));
    Check(QStringLiteral("*.htm"));
    Check(QStringLiteral("*.txt"));
    Option("chkIsMatchCase")->setChecked(false);
    QSignalSpy m_Closed(g_frmMain.get(), &TfrmMain::formClosed);
    g_frmMain->show();
    EXPECT_TRUE(g_frmMain->close());
    EXPECT_EQ(m_Closed.count(), 1);
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strDirectory.toStdString() + "\r\n");
    EXPECT_EQ(ReadSetting("find.ini"), kBom + "abc");
    EXPECT_EQ(ReadSetting("replace.ini"), kBom + "x\r\ny\xC2\xA0");
    EXPECT_EQ(ReadSetting("config.ini"), kBom + "[zelkReplace]\r\n"
                                                "IsContainSubFloder=true\r\n"
                                                "IsMatchCase=false\r\n"
                                                "IsDeleteLogsFile=true\r\n"
                                                "SelectedExtension=*.txt|*.htm|\r\n"
                                                "\r\n");
}

TEST_F(MainWindowTest, ClosingWithoutAnExistingDirectoryLeavesTheHistoryAlone) {
    for (const QString& m_strDirectory :
         {QString(), QStringLiteral("/no/such/folder/here"), QStringLiteral("   ")}) {
        WriteSetting("path.ini", "/kept\r\n");
        CreateWindow();
        Directory()->setEditText(m_strDirectory);
        g_frmMain->FormClose();
        EXPECT_EQ(ReadSetting("path.ini"), "/kept\r\n") << m_strDirectory.toStdString();
    }
}

TEST_F(MainWindowTest, ClosingPutsANewExistingDirectoryOnTopOfTheHistory) {
    const QString m_strDirectory = ExistingDirectory();
    WriteSetting("path.ini", kBom + "/old\r\n");
    CreateWindow();
    Directory()->setEditText(m_strDirectory);
    g_frmMain->FormClose();
    EXPECT_EQ(ReadSetting("path.ini"), kBom + m_strDirectory.toStdString() + "\r\n/old\r\n");
}

TEST_F(MainWindowTest, AFailedSaveIsReportedAndTheProgramStillCloses) {
    CreateWindow();
    const QString m_strDirectory = ExistingDirectory();
    Directory()->setEditText(m_strDirectory);
    g_ProgramFolder.MakeDir("replace.ini");
    QSignalSpy m_Closed(g_frmMain.get(), &TfrmMain::formClosed);
    g_frmMain->show();
    EXPECT_TRUE(g_frmMain->close());
    EXPECT_EQ(m_Closed.count(), 1);
    EXPECT_FALSE(g_frmMain->isVisible());
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    EXPECT_EQ(g_Dialogs.Messages().first().g_strTitle, QStringLiteral("消息"));
    EXPECT_TRUE(g_Dialogs.Messages().first().g_strText.contains(QStringLiteral("replace.ini")));
    // The steps before the failing one were done, the one after it was not.
    EXPECT_TRUE(HasSetting("path.ini"));
    EXPECT_TRUE(HasSetting("find.ini"));
    EXPECT_FALSE(HasSetting("config.ini"));
}

} // namespace
} // namespace morvane::test

namespace morvane::test {
namespace {

// Without the "portable" file the settings live in the XDG config folder and the clean-up goes to
// the XDG state folder; the program folder is left alone.
TEST_F(MainWindowTest, AnInstalledProgramKeepsItsSettingsInTheXdgFolders) {
    g_DataLocations.SetPortable(false);
    TTempTree& m_Home = g_DataLocations.Home();
    m_Home.WriteFile("config/morvane/find.ini", kBom + "from xdg");
    WriteSetting("find.ini", kBom + "beside the program");
    CreateWindow();
    EXPECT_EQ(FindText()->toPlainText(), QStringLiteral("from xdg"));

    FillValidTask();
    g_frmMain->btnFindModeClick();
    g_frmMain->show();
    g_frmMain->btnGoClick();
    ASSERT_EQ(g_arrStartedTasks.size(), 1u) << MessageTexts().join(u'|').toStdString();
    ASSERT_EQ(g_arrCleanUps.size(), 1);
    EXPECT_EQ(g_arrCleanUps.first(),
              QString::fromStdString(m_Home.Path("state/morvane/logs").string()));
    EXPECT_TRUE(std::filesystem::is_directory(m_Home.Path("state/morvane/logs")));
    g_frmMain->FormClose();
    EXPECT_EQ(m_Home.ReadFile("config/morvane/find.ini"), kBom + "abc");
    EXPECT_TRUE(std::filesystem::exists(m_Home.Path("config/morvane/config.ini")));
    EXPECT_EQ(ReadSetting("find.ini"), kBom + "beside the program");
    EXPECT_FALSE(HasSetting("config.ini"));
    EXPECT_FALSE(HasSetting("logs"));
}

TEST_F(MainWindowTest, AnUnwritableDataFolderStopsGoWithTheFolderAndTheReason) {
    g_DataLocations.SetPortable(false);
    // The config home is a file: no folder can be made below it.
    g_DataLocations.Home().WriteFile("config", "not a folder");
    CreateWindow();
    FillValidTask();
    g_frmMain->btnFindModeClick();
    g_frmMain->show();
    g_frmMain->btnGoClick();
    EXPECT_TRUE(g_arrStartedTasks.empty());
    EXPECT_TRUE(g_frmMain->isVisible());
    ASSERT_EQ(g_Dialogs.Messages().size(), 1);
    const TRecordedMessage& m_Message = g_Dialogs.Messages().first();
    EXPECT_EQ(m_Message.g_strTitle, QStringLiteral("消息"));
    const QString m_strFolder =
        QString::fromStdString(g_DataLocations.Home().Path("config/morvane/").string());
    EXPECT_TRUE(m_Message.g_strText.contains(m_strFolder)) << m_Message.g_strText.toStdString();
    EXPECT_TRUE(m_Message.g_strText.contains(
        QString::fromStdString(std::make_error_code(std::errc::not_a_directory).message())))
        << m_Message.g_strText.toStdString();
    // The window stays usable: once the folder can be made, Go goes.
    std::filesystem::remove(g_DataLocations.Home().Path("config"));
    g_Dialogs.Clear();
    g_frmMain->btnGoClick();
    EXPECT_EQ(g_arrStartedTasks.size(), 1u) << MessageTexts().join(u'|').toStdString();
}

} // namespace
} // namespace morvane::test
