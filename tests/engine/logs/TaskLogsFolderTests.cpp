// The task log folder: its name from the local start time, its parents, and a second already
// taken, which is never shared but waited past.

#include "FakeLogsClock.h"
#include "TempTree.h"
#include "core/u_Types.h"
#include "logs/u_TaskLogsFolder.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace morvane {
namespace {

using test::LocalTime;
using test::TFakeLogsClock;
using test::TTempTree;

std::u16string U16(const std::string& p_strText) {
    return Utf8ToUtf16Lenient(p_strText);
}

TEST(TaskLogsFolder, IsNamedByTheLocalStartTime) {
    const std::time_t m_intTime = LocalTime(2026, 12, 8, 10, 15, 30);
    EXPECT_EQ(TaskLogsFolderName(u"/srv/logs", m_intTime), u"/srv/logs/20261208_101530");
    EXPECT_EQ(TaskLogsFolderName(u"/srv/logs/", m_intTime), u"/srv/logs/20261208_101530");
    EXPECT_EQ(TaskLogsFolderName(u"/srv/logs", LocalTime(2027, 1, 2, 3, 4, 5)),
              u"/srv/logs/20270102_030405");
    EXPECT_EQ(TaskLogsFolderName(u"/opt/morvane/logs", LocalTime(2026, 2, 8, 21, 5, 3)),
              u"/opt/morvane/logs/20260208_210503");
}

TEST(TaskLogsFolder, IsCreatedWithItsParents) {
    TTempTree m_Tree;
    TFakeLogsClock m_Clock(LocalTime(2026, 12, 8, 23, 59, 59));
    const std::u16string m_strLogs = U16(m_Tree.Path("a/b/logs").string());
    const std::u16string m_strFolder = CreateTaskLogsFolder(m_strLogs, m_Clock.Clock());
    EXPECT_EQ(m_strFolder, m_strLogs + u"/20261208_235959");
    EXPECT_TRUE(std::filesystem::is_directory(Utf16ToUtf8(m_strFolder)));
    EXPECT_TRUE(m_Clock.g_arrWaits.empty());
}

TEST(TaskLogsFolder, ATakenNameIsNeverReusedTheNextSecondIsTaken) {
    TTempTree m_Tree;
    const std::time_t m_intFirst = LocalTime(2026, 12, 8, 10, 15, 30);
    TFakeLogsClock m_Clock(m_intFirst);
    const std::u16string m_strLogs = U16(m_Tree.Path("logs").string());
    m_Tree.WriteFile("logs/20261208_101530/000001.txt", "an earlier task's page");
    const std::u16string m_strFolder = CreateTaskLogsFolder(m_strLogs, m_Clock.Clock());
    EXPECT_EQ(m_strFolder, m_strLogs + u"/20261208_101531");
    EXPECT_EQ(m_Clock.g_arrWaits, std::vector<std::time_t>{m_intFirst});
    EXPECT_EQ(m_Tree.ReadFile("logs/20261208_101530/000001.txt"), "an earlier task's page");
}

TEST(TaskLogsFolder, FailsWithTheFolderNamedWhenNoneCanBeMade) {
    TTempTree m_Tree;
    const std::time_t m_intTime = LocalTime(2026, 12, 8, 10, 15, 30);
    m_Tree.MakeDir("logs/20261208_101530");
    int m_intWaits = 0;
    // A clock that stands still: every attempt meets the same taken name.
    TTaskLogsClock m_StillClock;
    m_StillClock.g_doNow = [&] {
        return m_intTime;
    };
    m_StillClock.g_doWaitPast = [&](std::time_t) {
        ++m_intWaits;
    };
    EXPECT_THROW(CreateTaskLogsFolder(U16(m_Tree.Path("logs").string()), m_StillClock),
                 TEngineError);
    EXPECT_GE(m_intWaits, 1);

    m_Tree.WriteFile("file", "x");
    try {
        CreateTaskLogsFolder(U16(m_Tree.Path("file/logs").string()));
        ADD_FAILURE() << "a folder below a file cannot exist";
    } catch (const TEngineError& m_Error) {
        EXPECT_NE(std::string(m_Error.what()).find("file/logs"), std::string::npos)
            << m_Error.what();
    }
}

} // namespace
} // namespace morvane
