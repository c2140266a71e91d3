// A replace preview against the replace itself on the same tree: the preview's records, pages and
// counters are the replace's, and the preview leaves every file, name and folder as it was.

#include "AnsiCodePageScope.h"
#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "files/u_SafeRewrite.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace morvane::test {
namespace {

// Everything under a folder that a change to the tree would show: each entry's kind, bytes,
// permission bits, inode, size and modification time, by relative path.
using TTreeState =
    std::map<std::string,
             std::tuple<int, std::string, unsigned, ino_t, off_t, long long, long long>>;

TTreeState TreeState(const std::filesystem::path& p_Root) {
    TTreeState m_State;
    for (const auto& m_Entry : std::filesystem::recursive_directory_iterator(p_Root)) {
        struct stat m_Stat {};
        EXPECT_EQ(lstat(m_Entry.path().c_str(), &m_Stat), 0) << m_Entry.path();
        const bool m_IsFile = S_ISREG(m_Stat.st_mode);
        m_State[std::filesystem::relative(m_Entry.path(), p_Root).string()] = {
            static_cast<int>(m_Stat.st_mode & S_IFMT),
            m_IsFile ? TTempTree::ReadBytes(m_Entry.path()) : std::string(),
            static_cast<unsigned>(m_Stat.st_mode & 07777),
            m_Stat.st_ino,
            m_IsFile ? m_Stat.st_size : 0,
            static_cast<long long>(m_IsFile ? m_Stat.st_mtim.tv_sec : 0),
            static_cast<long long>(m_IsFile ? m_Stat.st_mtim.tv_nsec : 0)};
    }
    return m_State;
}

struct TRunResult {
    std::vector<std::u16string> g_arrRecordLines;
    std::vector<std::string> g_arrPageLines;
    std::vector<std::int32_t> g_arrCounters;
};

class ThreadProcessDryRun : public ::testing::Test {
protected:
    void SetUp() override {
        g_Tree.WriteFile("tree/ok.txt", "one needle\n");
        g_Tree.WriteFile("tree/readonly.txt", "needle read only\n");
        std::filesystem::permissions(g_Tree.Path("tree/readonly.txt"),
                                     std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
        g_Tree.WriteFile("tree/nul.txt", std::string("needle\0binary\n", 14));
        g_Tree.WriteFile("tree/sub/odd16.txt", std::string("\xFF\xFEn\0e\0e\0d\0l\0e\0x", 15));
        // GBK bytes that are no UTF-8: read as ANSI 936, which has no Thai for the replacement.
        g_Tree.WriteFile("tree/sub/gbk.txt", "needle \xC4\xE3\xBA\xC3\r\n");
        g_Tree.WriteFile("tree/sub/linked.txt", "needle linked\n");
        std::filesystem::create_hard_link(g_Tree.Path("tree/sub/linked.txt"),
                                          g_Tree.Path("tree/linked.dat"));
        // Open for writing here through both runs: where leases are allowed the rewrite refuses it.
        g_Tree.WriteFile("tree/busy.txt", "needle busy\n");
        g_intBusyFd = open(g_Tree.Path("tree/busy.txt").c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(g_intBusyFd, 0);
        // A rewrite's temporary left by an earlier run: only a real replace clears it.
        g_Tree.WriteFile("tree/sub/.~mvabcd1234.tmp", "stale");
        std::filesystem::last_write_time(g_Tree.Path("tree/sub/.~mvabcd1234.tmp"),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(48));
    }

    TRunResult Run(bool p_IsDryRun, const std::string& p_strLogs) {
        TTaskParameters m_Parameters;
        m_Parameters.g_intMode = kModeReplace;
        m_Parameters.g_strLogsDirectory = g_Tree.Path(p_strLogs).string();
        m_Parameters.g_strDirectory = g_Tree.RootWithSlash() + "tree/";
        m_Parameters.g_strNewText = u"pin \u0E01";
        std::filesystem::create_directories(m_Parameters.g_strLogsDirectory);
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Thread().g_IsDryRun = p_IsDryRun;
        m_Harness.Run();
        const TThreadProcess& m_Thread = m_Harness.Thread();
        EXPECT_TRUE(m_Thread.g_strErrorMessage.empty());
        return {m_Harness.g_arrRecordLines,
                ReadPageLines(g_Tree.Path(p_strLogs + "/000001.txt")),
                {m_Thread.g_intSearchFileCount, m_Thread.g_intMatchingFileCount,
                 m_Thread.g_intReplaceSuccessFileCount, m_Thread.g_intReplaceFailureFileCount,
                 m_Thread.g_intUnprocessedFileCount}};
    }

    void TearDown() override { close(g_intBusyFd); }

    const TAnsiCodePageScope g_CodePage{936};
    int g_intBusyFd = -1;
    TTempTree g_Tree;
};

TEST_F(ThreadProcessDryRun, RecordsWhatTheReplaceWouldAndChangesNothing) {
    const TTreeState m_Before = TreeState(g_Tree.Path("tree"));
    const TRunResult m_Preview = Run(true, "logs-preview");
    EXPECT_EQ(TreeState(g_Tree.Path("tree")), m_Before);

    const TRunResult m_Replace = Run(false, "logs-replace");
    EXPECT_EQ(m_Preview.g_arrRecordLines, m_Replace.g_arrRecordLines);
    EXPECT_EQ(m_Preview.g_arrPageLines, m_Replace.g_arrPageLines);
    EXPECT_EQ(m_Preview.g_arrCounters, m_Replace.g_arrCounters);

    std::map<std::string, std::string> m_arrReasons;
    for (const std::string& m_strLine : m_Replace.g_arrPageLines) {
        const std::size_t m_intPath = m_strLine.find(g_Tree.RootWithSlash());
        ASSERT_NE(m_intPath, std::string::npos) << m_strLine;
        const std::size_t m_intEnd = m_strLine.find('|', m_intPath);
        const std::string m_strName =
            std::filesystem::path(m_strLine.substr(m_intPath, m_intEnd - m_intPath))
                .filename()
                .string();
        m_arrReasons[m_strName] = m_strLine.substr(m_intEnd + 1);
    }
    // The tree has one file of each outcome, and the replace did rewrite the one that succeeds.
    const bool m_IsBusyRefused = m_arrReasons["busy.txt"] == kFileBeingWrittenMessage;
    EXPECT_TRUE(m_IsBusyRefused || m_arrReasons["busy.txt"].empty()) << m_arrReasons["busy.txt"];
    const std::vector<std::int32_t> m_arrCounters{8, 7, m_IsBusyRefused ? 1 : 2,
                                                  m_IsBusyRefused ? 6 : 5, 0};
    EXPECT_EQ(m_Replace.g_arrCounters, m_arrCounters);
    EXPECT_EQ(m_arrReasons["ok.txt"], "");
    EXPECT_TRUE(m_arrReasons["readonly.txt"].starts_with("Cannot create file"));
    EXPECT_EQ(m_arrReasons["nul.txt"], "文件包含空字符，可能是二进制文件，未替换。");
    EXPECT_EQ(m_arrReasons["odd16.txt"],
              "UTF-16文件的字节数为奇数，最后一个字节不成字符，未替换。");
    EXPECT_EQ(m_arrReasons["gbk.txt"], "替换后的文本含有ANSI代码页936无法表示的字符，未替换。");
    EXPECT_EQ(m_arrReasons["linked.txt"], kFileHasHardLinksMessage);
    EXPECT_EQ(g_Tree.ReadFile("tree/ok.txt"), "one pin \xE0\xB8\x81\n");
}

} // namespace
} // namespace morvane::test
