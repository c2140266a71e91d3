// The old-log clean-up: which task log folders go, and what happens to what is inside them.

#include "TempTree.h"

#include "logs/u_ThreadDeleteLogsFile.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace morvane::test {
namespace {

// Never started here: the scan runs on the test's own thread, and the object is the test's.
class TTestableDeleteLogs : public TThreadDeleteLogsFile {
public:
    using TThreadDeleteLogsFile::Execute;
    using TThreadDeleteLogsFile::TThreadDeleteLogsFile;
};

class DeleteOldLogs : public ::testing::Test {
protected:
    DeleteOldLogs() { g_Tree.MakeDir("logs"); }

    std::u16string Logs() const { return Utf8ToUtf16Lenient(g_Tree.Path("logs").string()); }

    // A task log folder with one page in it.
    void MakeTaskFolder(const std::string& p_strName) {
        g_Tree.WriteFile("logs/" + p_strName + "/000001.txt", "\xEF\xBB\xBF"
                                                              "1|成功|ANSI|/a\r\n");
    }
    bool Exists(const std::string& p_strName) const {
        return std::filesystem::exists(g_Tree.Path("logs/" + p_strName));
    }
    void Clean(int p_intToday) {
        TTestableDeleteLogs m_trdDelete(Logs());
        m_trdDelete.DeleteOldLogsDirectories(Logs(), p_intToday);
    }

    // The names in the logs folder in the platform's listing order.
    std::vector<std::string> ListingOrder() const {
        std::vector<std::string> m_arrNames;
        for (const auto& m_Entry : std::filesystem::directory_iterator(g_Tree.Path("logs"))) {
            m_arrNames.push_back(m_Entry.path().filename().string());
        }
        return m_arrNames;
    }

    TTempTree g_Tree;
};

// Eight or more calendar days before today goes; seven or fewer, or a later date, stays, also
// across month, year and leap-day boundaries.
TEST_F(DeleteOldLogs, RemovesFoldersEightOrMoreCalendarDaysOld) {
    struct TCase {
        int g_intToday;
        const char* g_strFolder;
        bool g_IsDeleted;
    };
    const TCase m_arrCases[] = {
        {20261208, "20261130_235959", true},  {20261208, "20261201_000001", false},
        {20261209, "20261201_093000", true},  {20261209, "20261202_093000", false},
        {20261209, "20261209_000000", false}, {20261209, "20261231_000000", false}, // future
        {20261209, "20301209_000000", false},                                       // far future
        {20270103, "20261226_120000", true},  {20270103, "20261227_120000", false},
        {20240301, "20240222_000000", true}, // 2024 has 29 February
        {20240301, "20240223_000000", false}, {20230301, "20230221_000000", true},
        {20230301, "20230222_000000", false}, {20261209, "19991231_000000", true},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(std::to_string(m_Case.g_intToday) + " " + m_Case.g_strFolder);
        MakeTaskFolder(m_Case.g_strFolder);
        Clean(m_Case.g_intToday);
        EXPECT_EQ(!Exists(m_Case.g_strFolder), m_Case.g_IsDeleted);
        std::filesystem::remove_all(g_Tree.Path(std::string("logs/") + m_Case.g_strFolder));
    }
}

// Eight digits that name no date give the folder no age: it stays and the scan goes on.
TEST_F(DeleteOldLogs, KeepsFoldersWhoseNumberIsNoDate) {
    const char* m_arrKept[] = {"20261340_000000", "20260230_000000", "20250229_000000",
                               "00000000_000000", "-0000001_000000", "+2026120_000000"};
    for (const char* m_strName : m_arrKept) {
        MakeTaskFolder(m_strName);
    }
    MakeTaskFolder("20200101_000000");
    Clean(20261209);
    for (const char* m_strName : m_arrKept) {
        EXPECT_TRUE(Exists(m_strName)) << m_strName;
    }
    EXPECT_FALSE(Exists("20200101_000000"));
}

// The 15 characters are counted on the full path. A short path is skipped; a longer one whose
// eight characters are not a number ends the scan, so only folders listed before it are handled.
TEST_F(DeleteOldLogs, AFolderOfAnotherNamingEndsTheScan) {
    const std::vector<std::string> m_arrOld = {"20200101_000000", "20200102_000000",
                                               "20200103_000000", "20200104_000000",
                                               "20200105_000000"};
    for (const auto& m_strName : m_arrOld) {
        MakeTaskFolder(m_strName);
    }
    g_Tree.MakeDir("logs/notes");
    g_Tree.WriteFile("logs/notes/keep.txt", "x");
    const std::vector<std::string> m_arrOrder = ListingOrder();
    Clean(20261209);
    bool m_IsEnded = false;
    for (const auto& m_strName : m_arrOrder) {
        if (m_strName == "notes") {
            m_IsEnded = true;
            EXPECT_TRUE(Exists("notes/keep.txt"));
            continue;
        }
        EXPECT_EQ(Exists(m_strName), m_IsEnded) << m_strName;
    }
}

TEST_F(DeleteOldLogs, AppliesTheLengthRuleToTheFullPath) {
    // Run from inside the temporary folder so that the logs folder's path can be short.
    const auto m_PreviousFolder = std::filesystem::current_path();
    std::filesystem::current_path(g_Tree.Root());
    struct TRestore {
        std::filesystem::path g_Path;
        ~TRestore() { std::filesystem::current_path(g_Path); }
    } m_Restore{m_PreviousFolder};

    MakeTaskFolder("20200101_000000");
    g_Tree.MakeDir("logs/abc");        // "logs/abc": 8 characters, skipped
    g_Tree.MakeDir("logs/abcdefghij"); // "logs/abcdefghij": exactly 15, skipped
    TTestableDeleteLogs m_trdDelete(u"logs");
    m_trdDelete.DeleteOldLogsDirectories(u"logs", 20261209);
    EXPECT_FALSE(Exists("20200101_000000"));
    EXPECT_TRUE(Exists("abc"));
    EXPECT_TRUE(Exists("abcdefghij"));

    // A 16-character path yields "/abcdefg"-like characters, which are no number: the scan ends
    // there, so a later old folder may survive; the short folders are never touched.
    g_Tree.MakeDir("logs/abcdefghijk");
    MakeTaskFolder("20200101_000000");
    m_trdDelete.DeleteOldLogsDirectories(u"logs", 20261209);
    EXPECT_TRUE(Exists("abcdefghijk"));
}

// Only the files directly inside are deleted; a folder that still holds a subfolder stays, and
// so does the subfolder with its files.
TEST_F(DeleteOldLogs, NeverDeletesSubfoldersOrWhatLinksPointTo) {
    MakeTaskFolder("20200101_000000");
    g_Tree.WriteFile("logs/20200101_000000/sub/inner.txt", "x");
    MakeTaskFolder("20200102_000000");
    g_Tree.WriteFile("elsewhere/precious.txt", "x");
    g_Tree.MakeSymlink(g_Tree.Path("elsewhere/precious.txt").string(),
                       "logs/20200102_000000/link.txt");
    g_Tree.MakeSymlink(g_Tree.Path("elsewhere").string(), "logs/20200103_000000");
    Clean(20261209);

    EXPECT_FALSE(Exists("20200101_000000/000001.txt"));
    EXPECT_TRUE(Exists("20200101_000000/sub/inner.txt"));
    EXPECT_FALSE(Exists("20200102_000000/000001.txt"));
    EXPECT_TRUE(std::filesystem::exists(g_Tree.Path("elsewhere/precious.txt")));
    EXPECT_TRUE(std::filesystem::is_symlink(g_Tree.Path("logs/20200103_000000")));
}

TEST_F(DeleteOldLogs, DoesNothingWhenStoppedOrWithoutALogsFolder) {
    MakeTaskFolder("20200101_000000");
    TTestableDeleteLogs m_trdDelete(Logs());
    m_trdDelete.g_IsStoped = true;
    m_trdDelete.DeleteOldLogsDirectories(Logs(), 20261209);
    EXPECT_TRUE(Exists("20200101_000000"));

    TTestableDeleteLogs m_trdMissing(Logs() + u"/none");
    m_trdMissing.DeleteOldLogsDirectories(Logs() + u"/none", 20261209);
    EXPECT_TRUE(Exists("20200101_000000"));
}

TEST_F(DeleteOldLogs, ExecuteCleansTheGivenFolderAsOfToday) {
    const std::time_t m_intNow = std::time(nullptr);
    std::tm m_Now{};
    localtime_r(&m_intNow, &m_Now);
    char m_strToday[32];
    std::strftime(m_strToday, sizeof m_strToday, "%Y%m%d_%H%M%S", &m_Now);
    MakeTaskFolder(m_strToday);
    MakeTaskFolder("20000101_000000");
    TTestableDeleteLogs m_trdDelete(Logs());
    EXPECT_TRUE(m_trdDelete.FreeOnTerminate());
    EXPECT_EQ(m_trdDelete.Priority(), TThreadPriority::Normal);
    m_trdDelete.Execute();
    EXPECT_TRUE(Exists(m_strToday));
    EXPECT_FALSE(Exists("20000101_000000"));
}

} // namespace
} // namespace morvane::test
