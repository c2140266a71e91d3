// Where settings and task logs live: beside a portable program, else in the XDG folders.

#include "DataLocationsScope.h"
#include "core/u_Types.h"
#include "files/u_DataLocations.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace morvane::test {
namespace {

std::string U8(const std::u16string& p_strText) {
    return Utf16ToUtf8(p_strText);
}

struct TLocationCase {
    const char* g_strName;
    bool g_IsPortable;
    // nullptr: unset; "@" stands for the test's home tree.
    const char* g_strConfigHome;
    const char* g_strStateHome;
    // Expected, with "@" for the home tree and "=" for the program folder.
    const char* g_strSettings;
    const char* g_strLogs;
};

std::string Expand(std::string p_strText, const std::string& p_strHome,
                   const std::string& p_strProgram) {
    if (!p_strText.empty() && p_strText[0] == '@') {
        p_strText.replace(0, 1, p_strHome);
    } else if (!p_strText.empty() && p_strText[0] == '=') {
        p_strText.replace(0, 1, p_strProgram);
    }
    return p_strText;
}

TEST(DataLocations, FollowTheMarkerAndTheXdgRules) {
    const TLocationCase kCases[] = {
        {"portable ignores XDG", true, "@/cfg", "@/st", "=", "=logs"},
        {"installed, both set", false, "@/cfg", "@/st", "@/cfg/morvane/", "@/st/morvane/logs"},
        {"installed, unset", false, nullptr, nullptr, "@/.config/morvane/",
         "@/.local/state/morvane/logs"},
        {"installed, empty", false, "", "", "@/.config/morvane/", "@/.local/state/morvane/logs"},
        {"installed, relative", false, "cfg", "st", "@/.config/morvane/",
         "@/.local/state/morvane/logs"},
        {"installed, trailing slash", false, "@/cfg/", "@/st/", "@/cfg/morvane/",
         "@/st/morvane/logs"},
    };
    for (const TLocationCase& m_Case : kCases) {
        TTempTree m_Program;
        TDataLocationsScope m_Scope(m_Program);
        const std::string m_strHome = m_Scope.Home().Root().string();
        const std::string m_strProgram = m_Program.RootWithSlash();
        const char* m_strOldHome = std::getenv("HOME");
        const std::optional<std::string> m_strKeptHome =
            m_strOldHome != nullptr ? std::optional<std::string>(m_strOldHome) : std::nullopt;
        setenv("HOME", m_strHome.c_str(), 1);
        m_Scope.SetPortable(m_Case.g_IsPortable);
        const auto SetOrUnset = [&](const char* p_strVariable, const char* p_strValue) {
            if (p_strValue == nullptr) {
                unsetenv(p_strVariable);
            } else {
                setenv(p_strVariable, Expand(p_strValue, m_strHome, m_strProgram).c_str(), 1);
            }
        };
        SetOrUnset("XDG_CONFIG_HOME", m_Case.g_strConfigHome);
        SetOrUnset("XDG_STATE_HOME", m_Case.g_strStateHome);

        EXPECT_EQ(IsPortable(), m_Case.g_IsPortable) << m_Case.g_strName;
        EXPECT_EQ(U8(SettingsFolder()), Expand(m_Case.g_strSettings, m_strHome, m_strProgram))
            << m_Case.g_strName;
        EXPECT_EQ(U8(LogsFolder()), Expand(m_Case.g_strLogs, m_strHome, m_strProgram))
            << m_Case.g_strName;
        if (m_strKeptHome) {
            setenv("HOME", m_strKeptHome->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }
}

TEST(DataLocations, AFolderNamedPortableDoesNotMakeTheProgramPortable) {
    TTempTree m_Program;
    TDataLocationsScope m_Scope(m_Program);
    m_Scope.SetPortable(false);
    m_Program.MakeDir("portable");
    EXPECT_FALSE(IsPortable());
}

TEST(DataLocations, NewFoldersArePrivateAndExistingOnesKeepTheirMode) {
    TTempTree m_Tree;
    chmod(m_Tree.Root().c_str(), 0755);
    PrepareDataFolder(Utf8ToUtf16Lenient(m_Tree.Path("a/b/c").string()));
    for (const char* m_strFolder : {"a", "a/b", "a/b/c"}) {
        struct stat m_Status {};
        ASSERT_EQ(stat(m_Tree.Path(m_strFolder).c_str(), &m_Status), 0);
        EXPECT_EQ(m_Status.st_mode & 0777, 0700u) << m_strFolder;
    }
    struct stat m_Root {};
    ASSERT_EQ(stat(m_Tree.Root().c_str(), &m_Root), 0);
    EXPECT_EQ(m_Root.st_mode & 0777, 0755u);
    // Preparing again is no error.
    EXPECT_NO_THROW(PrepareDataFolder(Utf8ToUtf16Lenient(m_Tree.Path("a/b/c").string())));
}

TEST(DataLocations, AFolderThatCannotBeMadeIsNamedWithTheReason) {
    TTempTree m_Tree;
    m_Tree.WriteFile("file", "x");
    for (const char* m_strFolder : {"file", "file/below", "file/below/deeper"}) {
        const std::string m_strPath = m_Tree.Path(m_strFolder).string();
        try {
            PrepareDataFolder(Utf8ToUtf16Lenient(m_strPath));
            ADD_FAILURE() << m_strFolder;
        } catch (const TEngineError& m_Error) {
            const std::string m_strText = m_Error.what();
            EXPECT_NE(m_strText.find("无法创建文件夹“" + m_strPath + "”"), std::string::npos)
                << m_strText;
            EXPECT_NE(m_strText.find(std::make_error_code(std::errc::not_a_directory).message()),
                      std::string::npos)
                << m_strText;
        }
    }
}

} // namespace
} // namespace morvane::test
