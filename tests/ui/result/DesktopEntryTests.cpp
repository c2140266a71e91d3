// Finding the desktop's text editor: the application folders, the desktop file of an id, its
// Exec line and the command built from it. Nothing is launched.

#include "CaseName.h"
#include "QtPrinters.h"
#include "TempTree.h"
#include "u_DesktopEntry.h"

#include <QDir>
#include <QString>

#include <gtest/gtest.h>

namespace morvane {
namespace {

QString ToQPath(const std::filesystem::path& p_Path) {
    return QString::fromStdString(p_Path.string());
}

TEST(DesktopApplicationDirectories, DefaultsWhenUnset) {
    EXPECT_EQ(DesktopApplicationDirectories(QString(), QString(), QStringLiteral("/home/u")),
              (QStringList{QStringLiteral("/home/u/.local/share/applications"),
                           QStringLiteral("/usr/local/share/applications"),
                           QStringLiteral("/usr/share/applications")}));
}

TEST(DesktopApplicationDirectories, EnvironmentValuesInOrderWithoutDuplicates) {
    EXPECT_EQ(DesktopApplicationDirectories(QStringLiteral("/data/home"),
                                            QStringLiteral("/a/share::/b/share/:/a/share"),
                                            QStringLiteral("/home/u")),
              (QStringList{QStringLiteral("/data/home/applications"),
                           QStringLiteral("/a/share/applications"),
                           QStringLiteral("/b/share/applications")}));
}

class DesktopFileTest : public ::testing::Test {
protected:
    test::TTempTree g_Tree;
    QStringList g_arrDirectories{ToQPath(g_Tree.Path("home/applications")),
                                 ToQPath(g_Tree.Path("system/applications"))};
};

TEST_F(DesktopFileTest, FirstFolderHoldingTheIdWins) {
    g_Tree.WriteFile("home/applications/editor.desktop", "[Desktop Entry]\nExec=home-edit %F\n");
    g_Tree.WriteFile("system/applications/editor.desktop", "[Desktop Entry]\nExec=edit %F\n");
    g_Tree.WriteFile("system/applications/other.desktop", "[Desktop Entry]\nExec=other\n");
    EXPECT_EQ(FindDesktopFile(QStringLiteral("editor.desktop"), g_arrDirectories),
              ToQPath(g_Tree.Path("home/applications/editor.desktop")));
    EXPECT_EQ(FindDesktopFile(QStringLiteral("other.desktop"), g_arrDirectories),
              ToQPath(g_Tree.Path("system/applications/other.desktop")));
    EXPECT_EQ(FindDesktopFile(QStringLiteral("missing.desktop"), g_arrDirectories), QString());
}

TEST_F(DesktopFileTest, DashMayStandForASubfolder) {
    g_Tree.WriteFile("system/applications/kde/edit.desktop", "[Desktop Entry]\nExec=kedit\n");
    EXPECT_EQ(FindDesktopFile(QStringLiteral("kde-edit.desktop"), g_arrDirectories),
              ToQPath(g_Tree.Path("system/applications/kde/edit.desktop")));
}

TEST_F(DesktopFileTest, IdsThatAreNotPlainNamesAreRefused) {
    g_Tree.WriteFile("home/secret.desktop", "[Desktop Entry]\nExec=x\n");
    EXPECT_EQ(FindDesktopFile(QStringLiteral("../secret.desktop"), g_arrDirectories), QString());
    EXPECT_EQ(FindDesktopFile(QString(), g_arrDirectories), QString());
}

TEST_F(DesktopFileTest, ExecOfTheMainGroupOnly) {
    g_Tree.WriteFile("home/applications/editor.desktop",
                     "# comment\n"
                     "[Desktop Action new-window]\n"
                     "Exec=wrong --new-window\n"
                     "[Desktop Entry]\n"
                     "Name=Editor\n"
                     "Exec = \"/opt/My Editor/edit\" --flag\\sx %U\n"
                     "[Desktop Action other]\n"
                     "Exec=also-wrong\n");
    EXPECT_EQ(ReadDesktopExec(ToQPath(g_Tree.Path("home/applications/editor.desktop"))),
              QStringLiteral("\"/opt/My Editor/edit\" --flag x %U"));
    EXPECT_EQ(ReadDesktopExec(ToQPath(g_Tree.Path("home/applications/none.desktop"))), QString());
}

struct TCommandCase {
    const char* g_strName;
    QString g_strExec;
    QStringList g_arrExpected;
};

class DesktopCommandTest : public ::testing::TestWithParam<TCommandCase> {};

TEST_P(DesktopCommandTest, FileIsOneArgument) {
    EXPECT_EQ(BuildDesktopCommand(GetParam().g_strExec, QStringLiteral("/tmp/my file.htm")),
              GetParam().g_arrExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DesktopCommandTest,
    ::testing::Values(
        TCommandCase{"FileCode",
                     QStringLiteral("gedit %F"),
                     {QStringLiteral("gedit"), QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{
            "UrlCodeGetsThePathToo",
            QStringLiteral("edit --new %U"),
            {QStringLiteral("edit"), QStringLiteral("--new"), QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{"NoCodeAppendsTheFile",
                     QStringLiteral("leafpad"),
                     {QStringLiteral("leafpad"), QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{"OtherCodesDropped",
                     QStringLiteral("edit %i %c %k %f"),
                     {QStringLiteral("edit"), QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{"QuotedProgramWithSpaces",
                     QStringLiteral("\"/opt/My Editor/edit\" --title=\"a \\\"b\\\"\" %f"),
                     {QStringLiteral("/opt/My Editor/edit"), QStringLiteral("--title=a \"b\""),
                      QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{"PercentEscape",
                     QStringLiteral("edit --ratio=100%% %f"),
                     {QStringLiteral("edit"), QStringLiteral("--ratio=100%"),
                      QStringLiteral("/tmp/my file.htm")}},
        TCommandCase{"CodeInsideAnArgument",
                     QStringLiteral("edit --file=%f"),
                     {QStringLiteral("edit"), QStringLiteral("--file=/tmp/my file.htm")}},
        TCommandCase{"OpenQuoteIsRefused", QStringLiteral("\"edit %f"), {}},
        TCommandCase{"EmptyIsRefused", QString(), {}}),
    test::TCaseNameFromName());

} // namespace
} // namespace morvane
