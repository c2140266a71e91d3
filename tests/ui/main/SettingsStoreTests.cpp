// The settings files: their formats, defaults and round trips, and the rules for their values.

#include "MainWindowFixture.h"
#include "u_IniFile.h"
#include "u_SettingsStore.h"
#include "u_TextFile.h"

#include <stdexcept>

namespace morvane::test {
namespace {

using TConfig = TSettingsStore::TConfig;

class SettingsStoreTest : public ProgramFolderTest {
protected:
    TSettingsStore Store() const { return TSettingsStore(Folder()); }
};

// --- Text files -------------------------------------------------------------------------------

TEST_F(SettingsStoreTest, WriteTextPutsTheMarkFirstAndAddsNoLineBreak) {
    TTextFile::WriteText(Folder() + QStringLiteral("t.ini"), QStringLiteral("abc"));
    EXPECT_EQ(ReadSetting("t.ini"), kBom + "abc");
    EXPECT_EQ(TTextFile::ReadText(Folder() + QStringLiteral("t.ini")), QStringLiteral("abc"));
}

TEST_F(SettingsStoreTest, ReadTextTakesFilesWithAndWithoutMarkAsUtf8) {
    WriteSetting("with.ini", kBom + "\xE4\xB8\xAD");
    WriteSetting("without.ini", "\xE4\xB8\xAD");
    WriteSetting("broken.ini", "a\xFF"
                               "b");
    EXPECT_EQ(TTextFile::ReadText(Folder() + QStringLiteral("with.ini")), QStringLiteral("中"));
    EXPECT_EQ(TTextFile::ReadText(Folder() + QStringLiteral("without.ini")), QStringLiteral("中"));
    EXPECT_EQ(TTextFile::ReadText(Folder() + QStringLiteral("broken.ini")),
              QStringLiteral("a\uFFFDb"));
}

TEST_F(SettingsStoreTest, WriteLinesEndsEveryLineWithCrLf) {
    TTextFile::WriteLines(Folder() + QStringLiteral("l.ini"),
                          {QStringLiteral("a"), QString(), QStringLiteral(" b ")});
    EXPECT_EQ(ReadSetting("l.ini"), kBom + "a\r\n\r\n b \r\n");
    TTextFile::WriteLines(Folder() + QStringLiteral("e.ini"), {});
    EXPECT_EQ(ReadSetting("e.ini"), kBom);
}

TEST(TextFileLines, SplitAtCrLfLoneCrAndLoneLf) {
    const struct {
        QString g_strText;
        QStringList g_arrLines;
    } kCases[] = {
        {QString(), {}},
        {QStringLiteral("a"), {QStringLiteral("a")}},
        {QStringLiteral("a\r\nb\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\rb\nc"),
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {QStringLiteral("a\n\rb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("\r\n"), {QString()}},
        {QStringLiteral("a\r\n\r\n"), {QStringLiteral("a"), QString()}},
        {QStringLiteral(" x \t"), {QStringLiteral(" x \t")}},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TTextFile::SplitLines(m_Case.g_strText), m_Case.g_arrLines)
            << m_Case.g_strText.toStdString();
    }
}

TEST_F(SettingsStoreTest, FailuresAreRaisedWithTheFileName) {
    g_ProgramFolder.MakeDir("folder.ini");
    try {
        TTextFile::WriteText(Folder() + QStringLiteral("folder.ini"), QStringLiteral("x"));
        FAIL() << "writing over a folder succeeded";
    } catch (const std::runtime_error& m_Error) {
        EXPECT_TRUE(QString::fromUtf8(m_Error.what()).contains(QStringLiteral("folder.ini")))
            << m_Error.what();
    }
    EXPECT_THROW(TTextFile::ReadText(Folder() + QStringLiteral("missing.ini")), std::runtime_error);
    EXPECT_THROW(TTextFile::WriteText(Folder() + QStringLiteral("no/such/folder/x.ini"),
                                      QStringLiteral("x")),
                 std::runtime_error);
}

// --- INI text ---------------------------------------------------------------------------------

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCaseAndTrimmed) {
    const TIniFile m_Ini =
        TIniFile::FromText(QStringLiteral("stray=before any section\r\n"
                                          "  [ Zelk ]  \r\n"
                                          "\t Key One \t=\t value = with equals \t\r\n"
                                          "; key=comment\r\n"
                                          "   ;indented comment\r\n"
                                          "\r\n"
                                          "plain line\r\n"
                                          "empty=\r\n"));
    EXPECT_EQ(m_Ini.Sections(), QStringList{QStringLiteral("Zelk")});
    EXPECT_EQ(m_Ini.ReadString(QStringLiteral("zELK"), QStringLiteral("key one"), QString()),
              QStringLiteral("value = with equals"));
    EXPECT_EQ(m_Ini.ReadString(QStringLiteral("Zelk"), QStringLiteral("empty"),
                               QStringLiteral("default")),
              QString());
    EXPECT_EQ(
        m_Ini.ReadString(QStringLiteral("Zelk"), QStringLiteral("; key"), QStringLiteral("d")),
        QStringLiteral("d"));
    EXPECT_EQ(
        m_Ini.ReadString(QStringLiteral("Zelk"), QStringLiteral("plain line"), QStringLiteral("d")),
        QStringLiteral("d"));
    EXPECT_EQ(m_Ini.ReadString(QString(), QStringLiteral("stray"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(m_Ini.ToText(), QStringLiteral("[Zelk]\r\nKey One=value = with equals\r\n"
                                             "plain line\r\nempty=\r\n\r\n"));
}

TEST(IniFile, WritingKeepsPlacesAndAppendsNewKeysToTheirSection) {
    TIniFile m_Ini = TIniFile::FromText(QStringLiteral("[a]\nx=1\ny=2\n[b]\nz=3\n"));
    m_Ini.WriteString(QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("10"));
    m_Ini.WriteString(QStringLiteral("a"), QStringLiteral("new"), QStringLiteral("n"));
    m_Ini.WriteString(QStringLiteral("c"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(m_Ini.ToText(), QStringLiteral("[a]\r\nX=10\r\ny=2\r\nnew=n\r\n\r\n"
                                             "[b]\r\nz=3\r\n\r\n"
                                             "[c]\r\nk=v\r\n\r\n"));
}

TEST_F(SettingsStoreTest, IniLoadOfAMissingFileIsEmptyAndSaveWritesTheMark) {
    TIniFile m_Ini = TIniFile::Load(Folder() + QStringLiteral("none.ini"));
    EXPECT_TRUE(m_Ini.Sections().isEmpty());
    m_Ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"));
    m_Ini.Save(Folder() + QStringLiteral("none.ini"));
    EXPECT_EQ(ReadSetting("none.ini"), kBom + "[s]\r\nk=v\r\n\r\n");
}

// --- The five files ---------------------------------------------------------------------------

TEST_F(SettingsStoreTest, FirstRunWithoutFilesGivesTheDefaults) {
    const TSettingsStore m_Store = Store();
    EXPECT_FALSE(m_Store.LoadDirectoryHistory().has_value());
    EXPECT_FALSE(m_Store.LoadFindText().has_value());
    EXPECT_FALSE(m_Store.LoadReplaceText().has_value());
    EXPECT_FALSE(m_Store.LoadExtensionList().has_value());
    EXPECT_FALSE(m_Store.HasExtensionList());
    const TConfig m_Config = m_Store.LoadConfig();
    EXPECT_TRUE(m_Config.g_IsContainSubFloder);
    EXPECT_TRUE(m_Config.g_IsMatchCase);
    EXPECT_TRUE(m_Config.g_IsDeleteLogsFile);
    EXPECT_EQ(m_Config.g_strSelectedExtension, QString());
    EXPECT_EQ(TSettingsStore::BuiltInExtensions().size(), 16);
    EXPECT_EQ(TSettingsStore::BuiltInExtensions().first(), QStringLiteral("*.txt"));
    EXPECT_EQ(TSettingsStore::BuiltInExtensions().last(), QStringLiteral("*.pas"));
}

TEST_F(SettingsStoreTest, ConfigWrittenFromScratchHasTheFourKeysInOrder) {
    TConfig m_Config;
    m_Config.g_IsMatchCase = false;
    m_Config.g_strSelectedExtension = QStringLiteral("*.txt|*.htm|");
    Store().SaveConfig(m_Config);
    EXPECT_EQ(ReadSetting("config.ini"), kBom + "[zelkReplace]\r\n"
                                                "IsContainSubFloder=true\r\n"
                                                "IsMatchCase=false\r\n"
                                                "IsDeleteLogsFile=true\r\n"
                                                "SelectedExtension=*.txt|*.htm|\r\n"
                                                "\r\n");
    const TConfig m_Loaded = Store().LoadConfig();
    EXPECT_TRUE(m_Loaded.g_IsContainSubFloder);
    EXPECT_FALSE(m_Loaded.g_IsMatchCase);
    EXPECT_TRUE(m_Loaded.g_IsDeleteLogsFile);
    EXPECT_EQ(m_Loaded.g_strSelectedExtension, QStringLiteral("*.txt|*.htm|"));
}

TEST_F(SettingsStoreTest, ConfigRewriteDropsCommentsAndKeepsOtherSections) {
    WriteSetting("config.ini", "stray line\r\n"
                               "; remembered by hand\r\n"
                               "[Other]\r\n"
                               "  width = 5  \r\n"
                               "\r\n"
                               "[ZELKREPLACE]\r\n"
                               "ismatchcase=FALSE\r\n"
                               "Extra=keep\r\n"
                               "IsContainSubFloder=0\r\n");
    const TConfig m_Loaded = Store().LoadConfig();
    EXPECT_FALSE(m_Loaded.g_IsMatchCase);
    EXPECT_TRUE(m_Loaded.g_IsContainSubFloder);
    EXPECT_TRUE(m_Loaded.g_IsDeleteLogsFile);

    TConfig m_Config;
    m_Config.g_IsDeleteLogsFile = false;
    Store().SaveConfig(m_Config);
    EXPECT_EQ(ReadSetting("config.ini"), kBom + "[Other]\r\n"
                                                "width=5\r\n"
                                                "\r\n"
                                                "[ZELKREPLACE]\r\n"
                                                "IsMatchCase=true\r\n"
                                                "Extra=keep\r\n"
                                                "IsContainSubFloder=true\r\n"
                                                "IsDeleteLogsFile=false\r\n"
                                                "SelectedExtension=\r\n"
                                                "\r\n");
}

TEST(SettingsOptions, OnlyFalseInAnyCaseUnchecks) {
    const struct {
        const char16_t* g_strValue;
        bool g_IsChecked;
    } kCases[] = {
        {u"true", true},   {u"false", false}, {u"FALSE", false},     {u"False", false},
        {u"fALsE", false}, {u"0", true},      {u"no", true},         {u"off", true},
        {u"", true},       {u"false ", true}, {u"ＦＡＬＳＥ", true}, {u"falsefalse", true},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TSettingsStore::ParseOption(QString::fromUtf16(m_Case.g_strValue)),
                  m_Case.g_IsChecked)
            << QString::fromUtf16(m_Case.g_strValue).toStdString();
    }
    EXPECT_EQ(TSettingsStore::OptionText(true), QStringLiteral("true"));
    EXPECT_EQ(TSettingsStore::OptionText(false), QStringLiteral("false"));
}

TEST(SettingsSelectedExtension, SplitsAtBarsAndLineBreaksHonouringQuotes) {
    const struct {
        QString g_strValue;
        QStringList g_arrPieces;
    } kCases[] = {
        {QString(), {}},
        {QStringLiteral("|||"), {}},
        {QStringLiteral("*.txt|*.htm|"), {QStringLiteral("*.txt"), QStringLiteral("*.htm")}},
        {QStringLiteral("*.txt"), {QStringLiteral("*.txt")}},
        {QStringLiteral("\r\n*.a\r\n|\n*.b"), {QStringLiteral("*.a"), QStringLiteral("*.b")}},
        {QStringLiteral(" *.a |"), {QStringLiteral(" *.a ")}},
        {QStringLiteral("'*.a|b'|*.c|"), {QStringLiteral("'*.a|b'"), QStringLiteral("*.c")}},
        {QStringLiteral("x\"y|z\"w|v"), {QStringLiteral("x\"y|z\"w"), QStringLiteral("v")}},
        {QStringLiteral("\"a|'b|\"|c"), {QStringLiteral("\"a|'b|\""), QStringLiteral("c")}},
        {QStringLiteral("'a\r\nb'|"), {QStringLiteral("'a\r\nb'")}},
        {QStringLiteral("'open|rest"), {QStringLiteral("'open|rest")}},
        {QStringLiteral("*.a|") + QChar(0) + QStringLiteral("*.b|"), {QStringLiteral("*.a")}},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TSettingsStore::SplitSelectedExtension(m_Case.g_strValue), m_Case.g_arrPieces)
            << m_Case.g_strValue.toStdString();
    }
}

TEST(SettingsSelectedExtension, JoinsEveryItemWithABarBehindIt) {
    EXPECT_EQ(TSettingsStore::JoinSelectedExtension({}), QString());
    EXPECT_EQ(
        TSettingsStore::JoinSelectedExtension({QStringLiteral("*.txt"), QStringLiteral("*.HTM")}),
        QStringLiteral("*.txt|*.HTM|"));
}

TEST(SettingsHistory, PutsTheDirectoryFirstWithoutDuplicatesAndKeepsTen) {
    const auto Dirs = [](std::initializer_list<const char*> p_arrNames) {
        QStringList m_arrDirs;
        for (const char* m_strName : p_arrNames) {
            m_arrDirs.append(QString::fromUtf8(m_strName));
        }
        return m_arrDirs;
    };
    const struct {
        QStringList g_arrBefore;
        const char* g_strDirectory;
        QStringList g_arrAfter;
    } kCases[] = {
        {{}, "/a", Dirs({"/a"})},
        {Dirs({"/a"}), "/b", Dirs({"/b", "/a"})},
        {Dirs({"/b", "/a"}), "/a", Dirs({"/a", "/b"})},
        {Dirs({"/Data"}), "/data", Dirs({"/data", "/Data"})},
        {Dirs({"/a/"}), "/a", Dirs({"/a", "/a/"})},
        {Dirs({"/x", "/a", "/x", "/b", "/x"}), "/x", Dirs({"/x", "/a", "/b"})},
        {Dirs({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "11",
         Dirs({"11", "1", "2", "3", "4", "5", "6", "7", "8", "9"})},
        {Dirs({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}), "12",
         Dirs({"12", "1", "2", "3", "4", "5", "6", "7", "8", "9"})},
    };
    for (const auto& m_Case : kCases) {
        EXPECT_EQ(TSettingsStore::AddToHistory(m_Case.g_arrBefore,
                                               QString::fromUtf8(m_Case.g_strDirectory)),
                  m_Case.g_arrAfter)
            << m_Case.g_strDirectory;
    }
}

TEST_F(SettingsStoreTest, HistoryIsOneDirectoryPerLineAsTyped) {
    Store().SaveDirectoryHistory({QStringLiteral("/b/ "), QStringLiteral("/A")});
    EXPECT_EQ(ReadSetting("path.ini"), kBom + "/b/ \r\n/A\r\n");
    WriteSetting("path.ini", "one\ntwo\r\n\r\nfour");
    EXPECT_EQ(Store().LoadDirectoryHistory(),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QString(),
                           QStringLiteral("four")}));
}

TEST_F(SettingsStoreTest, MemoTextsRoundTripWithCrLfBreaks) {
    Store().SaveFindText(QStringLiteral("abc"));
    EXPECT_EQ(ReadSetting("find.ini"), kBom + "abc");
    EXPECT_EQ(Store().LoadFindText(), QStringLiteral("abc"));

    Store().SaveReplaceText(QString());
    EXPECT_EQ(ReadSetting("replace.ini"), kBom);
    EXPECT_EQ(Store().LoadReplaceText(), QString());

    WriteSetting("find.ini", "a\nb\rc\r\nd\n");
    EXPECT_EQ(Store().LoadFindText(), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
}

TEST_F(SettingsStoreTest, ExtensionListIsWrittenWhetherOrNotTheFileExists) {
    Store().SaveExtensionList({QStringLiteral("*.md")});
    EXPECT_EQ(ReadSetting("extension.ini"), kBom + "*.md\r\n");

    WriteSetting("extension.ini", "");
    EXPECT_EQ(Store().LoadExtensionList(), QStringList());
    Store().SaveExtensionList({QStringLiteral("*.md"), QString(), QStringLiteral("x")});
    EXPECT_EQ(ReadSetting("extension.ini"), kBom + "*.md\r\n\r\nx\r\n");
    EXPECT_EQ(Store().LoadExtensionList(),
              (QStringList{QStringLiteral("*.md"), QString(), QStringLiteral("x")}));
}

} // namespace
} // namespace morvane::test
