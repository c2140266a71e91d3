// The processing walk: which entries it meets, in which order, and where it stops.

#include "FakeUi.h"
#include "TaskTestSupport.h"
#include "TempTree.h"

#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace morvane::test {
namespace {

class ThreadProcessWalk : public ::testing::Test {
protected:
    ThreadProcessWalk() {
        g_Tree.MakeDir("tree");
        g_Tree.MakeDir("logs");
    }

    TTaskParameters Parameters() const {
        TTaskParameters m_Parameters;
        m_Parameters.g_strLogsDirectory = g_Tree.Path("logs").string();
        m_Parameters.g_strDirectory = TreeRoot();
        return m_Parameters;
    }
    std::string TreeRoot() const { return g_Tree.RootWithSlash() + "tree/"; }

    // The file names of the records, in record order.
    static std::vector<std::string> RecordedFiles(const TTaskHarness& p_Harness) {
        std::vector<std::string> m_arrFiles;
        for (const auto& m_strLine : p_Harness.g_arrRecordLines) {
            const std::string m_strText = Utf16ToUtf8(m_strLine);
            // find mode: seq|status|encoding|file
            std::size_t m_intBar = 0;
            for (int m_intField = 0; m_intField < 3; ++m_intField) {
                m_intBar = m_strText.find('|', m_intBar) + 1;
            }
            m_arrFiles.push_back(m_strText.substr(m_intBar));
        }
        return m_arrFiles;
    }

    static std::vector<std::int32_t> OneTo(std::int32_t p_intCount) {
        std::vector<std::int32_t> m_arrNumbers(static_cast<std::size_t>(p_intCount));
        std::iota(m_arrNumbers.begin(), m_arrNumbers.end(), 1);
        return m_arrNumbers;
    }

    TTempTree g_Tree;
};

// An empty root, or one that cannot be listed: nothing counted, one completion callback; a root
// that cannot be listed is the one record, "失败" with the system's reason.
TEST_F(ThreadProcessWalk, RootWithoutEntriesCompletesOnceWithZeroCounters) {
    g_Tree.MakeDir("tree/empty");
    g_Tree.WriteFile("tree/plain.txt", "needle");
    const std::pair<std::string, std::string> m_arrRoots[] = {
        {TreeRoot() + "empty/", ""},
        {TreeRoot() + "missing/", "无法打开文件夹：No such file or directory"},
        {TreeRoot() + "plain.txt/", "无法打开文件夹：Not a directory"}, // a file, not a folder
        {std::string(), "无法打开文件夹：No such file or directory"},
    };
    for (const auto& [m_strRoot, m_strReason] : m_arrRoots) {
        SCOPED_TRACE(m_strRoot);
        TTaskParameters m_Parameters = Parameters();
        m_Parameters.g_strDirectory = m_strRoot;
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        TThreadProcess& m_Thread = m_Harness.Thread();
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_TRUE(m_Harness.g_IsCompletedSeenInCallback);
        EXPECT_EQ(m_Thread.g_intSearchFileCount, 0);
        EXPECT_EQ(m_Thread.g_intMatchingFileCount, 0);
        EXPECT_EQ(m_Thread.g_intReplaceSuccessFileCount, 0);
        EXPECT_EQ(m_Thread.g_intReplaceFailureFileCount, 0);
        EXPECT_TRUE(m_Harness.g_pgrProgress.g_arrPositions.empty());
        EXPECT_TRUE(m_Thread.g_strErrorMessage.empty());
        if (m_strReason.empty()) {
            EXPECT_EQ(m_Thread.g_intUnprocessedFileCount, 0);
            EXPECT_TRUE(m_Harness.g_arrPagerCalls.empty());
            EXPECT_TRUE(m_Harness.g_lvwFileList.g_arrRows.empty());
            EXPECT_TRUE(FolderNames(g_Tree.Path("logs")).empty());
            continue;
        }
        std::string m_strFolder = m_strRoot;
        if (!m_strFolder.empty()) {
            m_strFolder.pop_back();
        }
        EXPECT_EQ(m_Thread.g_intUnprocessedFileCount, 1);
        ASSERT_EQ(m_Harness.g_arrRecordLines.size(), 1u);
        EXPECT_EQ(Utf16ToUtf8(m_Harness.g_arrRecordLines[0]),
                  "1|失败|unknow|" + m_strFolder + "|" + m_strReason);
        ASSERT_EQ(m_Harness.g_lvwFileList.g_arrRows.size(), 1u);
        EXPECT_EQ(m_Harness.g_lvwFileList.g_arrRows[0].g_intImageIndex, 1);
        EXPECT_EQ(m_Harness.g_arrPagerCalls.size(), 1u);
    }
}

TEST_F(ThreadProcessWalk, SubfoldersOffHandlesOnlyTheRootsOwnFiles) {
    g_Tree.WriteFiles({{"tree/a.txt", "needle"},
                       {"tree/b.log", "needle"},
                       {"tree/sub/c.txt", "needle"},
                       {"tree/sub/deeper/d.txt", "needle"}});
    TTaskParameters m_Parameters = Parameters();
    m_Parameters.g_IsContainSubFloder = false;
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 2);
    EXPECT_EQ(m_Harness.g_pgrProgress.g_arrPositions, OneTo(2));
    EXPECT_EQ(RecordedFiles(m_Harness), std::vector<std::string>{TreeRoot() + "a.txt"});
}

// Each subfolder is walked completely before the next entry of its parent, in the listing's own
// order; positions count every file met, wanted or not.
TEST_F(ThreadProcessWalk, WalksDepthFirstInTheListingsOrder) {
    for (const char* m_strFolder : {"", "alpha/", "beta/", "beta/inner/", "gamma/x/y/"}) {
        for (const char* m_strName : {"one.txt", "two.txt", "three.txt", "skip.bin"}) {
            g_Tree.WriteFile(std::string("tree/") + m_strFolder + m_strName, "a needle here");
        }
    }
    g_Tree.MakeDir("tree/empty");
    const std::vector<std::string> m_arrAll = WalkOrder(TreeRoot());
    std::vector<std::string> m_arrWanted;
    for (const auto& m_strFile : m_arrAll) {
        if (m_strFile.ends_with(".txt")) {
            m_arrWanted.push_back(m_strFile);
        }
    }

    TTaskHarness m_Harness(Parameters());
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, static_cast<int>(m_arrAll.size()));
    EXPECT_EQ(m_Harness.g_pgrProgress.g_arrPositions, OneTo(static_cast<int>(m_arrAll.size())));
    EXPECT_EQ(RecordedFiles(m_Harness), m_arrWanted);
    ASSERT_EQ(m_Harness.g_lvwFileList.g_arrRows.size(), m_arrWanted.size());
    for (std::size_t m_intRow = 0; m_intRow < m_arrWanted.size(); ++m_intRow) {
        EXPECT_EQ(Utf16ToUtf8(m_Harness.g_lvwFileList.g_arrRows[m_intRow].g_arrSubItems[3]),
                  m_arrWanted[m_intRow]);
    }
}

TEST_F(ThreadProcessWalk, EntersDotFoldersAndHandlesDotFiles) {
    g_Tree.WriteFiles({{"tree/.git/config.txt", "needle"},
                       {"tree/.txt", "needle"},
                       {"tree/..hidden/x.txt", "needle"}});
    TTaskHarness m_Harness(Parameters());
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 3);
    EXPECT_EQ(m_Harness.Thread().g_intMatchingFileCount, 3);
}

// Links are neither entered nor counted nor processed: they could lead out of the tree or round a
// cycle, and the count pass skips them alike.
TEST_F(ThreadProcessWalk, IgnoresSymbolicLinksToFilesAndFolders) {
    g_Tree.WriteFiles({{"tree/real.txt", "needle"}, {"outside/far.txt", "needle"}});
    g_Tree.MakeSymlink(g_Tree.Path("tree/real.txt").string(), "tree/link.txt");
    g_Tree.MakeSymlink(g_Tree.Path("outside").string(), "tree/linkdir");
    g_Tree.MakeSymlink(g_Tree.Path("tree").string(), "tree/cycle");
    g_Tree.MakeSymlink("nowhere.txt", "tree/dangling.txt");
    TTaskParameters m_Parameters = Parameters();
    m_Parameters.g_intMode = kModeReplace;
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 1);
    EXPECT_EQ(RecordedFiles(m_Harness).size(), 1u);
    EXPECT_EQ(g_Tree.ReadFile("outside/far.txt"), "needle");
    EXPECT_TRUE(std::filesystem::is_symlink(g_Tree.Path("tree/link.txt")));
}

// A FIFO (or socket) is a file to the walk: counted, and its name may pass the filter, but it is
// never opened, so the task neither blocks nor reports it.
TEST_F(ThreadProcessWalk, CountsFifosAndSocketsWithoutOpeningThem) {
    ASSERT_EQ(mkfifo(g_Tree.Path("tree/pipe.txt").c_str(), 0644), 0);
    const int m_intSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(m_intSocket, 0);
    sockaddr_un m_Address{};
    m_Address.sun_family = AF_UNIX;
    const std::string m_strSocket = g_Tree.Path("tree/sock.txt").string();
    ASSERT_LT(m_strSocket.size(), sizeof m_Address.sun_path);
    std::copy(m_strSocket.begin(), m_strSocket.end(), m_Address.sun_path);
    ASSERT_EQ(bind(m_intSocket, reinterpret_cast<sockaddr*>(&m_Address), sizeof m_Address), 0);
    g_Tree.WriteFile("tree/plain.txt", "needle");

    TTaskHarness m_Harness(Parameters());
    m_Harness.Run();
    close(m_intSocket);
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 3);
    EXPECT_EQ(RecordedFiles(m_Harness), std::vector<std::string>{TreeRoot() + "plain.txt"});
}

TEST_F(ThreadProcessWalk, AppliesTheExtensionFilterToTheLastExtension) {
    struct TCase {
        std::u16string g_strExtension;
        std::vector<std::string> g_arrPassing;
    };
    g_Tree.WriteFiles({{"tree/a.txt", "needle"},
                       {"tree/A.TXT", "needle"},
                       {"tree/.txt", "needle"},
                       {"tree/a.txt.bak", "needle"},
                       {"tree/a.text", "needle"},
                       {"tree/Makefile", "needle"},
                       {"tree/page.html", "needle"}});
    const TCase m_arrCases[] = {
        {u"*.txt|", {".txt", "A.TXT", "a.txt"}},
        {u"*.*|", {"Makefile"}},
        {u"*.HTM|*.Bak|", {"a.txt.bak"}},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(Utf16ToUtf8(m_Case.g_strExtension));
        TTaskParameters m_Parameters = Parameters();
        m_Parameters.g_strExtension = m_Case.g_strExtension;
        TTaskHarness m_Harness(m_Parameters);
        m_Harness.Run();
        EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 7);
        std::vector<std::string> m_arrNames;
        for (const auto& m_strFile : RecordedFiles(m_Harness)) {
            m_arrNames.push_back(m_strFile.substr(TreeRoot().size()));
        }
        std::sort(m_arrNames.begin(), m_arrNames.end());
        EXPECT_EQ(m_arrNames, m_Case.g_arrPassing);
    }
}

// Files are reached through the bytes of their names; the UTF-16 text of a name is only for
// the filter and the records, so a name that is not UTF-8 is still read and rewritten.
TEST_F(ThreadProcessWalk, ReachesFilesWhoseNamesAreNotUtf8) {
    g_Tree.WriteFiles({{"tree/caf\xE9.txt", "needle"}, {"tree/d\xFF/x.txt", "needle"}});
    TTaskParameters m_Parameters = Parameters();
    m_Parameters.g_intMode = kModeReplace;
    TTaskHarness m_Harness(m_Parameters);
    m_Harness.Run();
    EXPECT_EQ(m_Harness.Thread().g_intReplaceSuccessFileCount, 2);
    EXPECT_EQ(g_Tree.ReadFile("tree/caf\xE9.txt"), "pin");
    EXPECT_EQ(g_Tree.ReadFile("tree/d\xFF/x.txt"), "pin");
    std::vector<std::u16string> m_arrNames;
    for (const auto& m_Row : m_Harness.g_lvwFileList.g_arrRows) {
        m_arrNames.push_back(m_Row.g_arrSubItems[3]);
    }
    std::sort(m_arrNames.begin(), m_arrNames.end());
    const std::u16string m_strRoot = Utf8ToUtf16Lenient(TreeRoot());
    // The rows name the bytes, escaped, rather than a replacement character that leads nowhere.
    EXPECT_EQ(m_arrNames, (std::vector<std::u16string>{m_strRoot + u"caf\\xE9.txt",
                                                       m_strRoot + u"d\\xFF/x.txt"}));
}

TEST_F(ThreadProcessWalk, RunsAtHighestPriorityAndIsKeptAfterItEnds) {
    TTaskHarness m_Harness(Parameters());
    EXPECT_EQ(m_Harness.Thread().Priority(), TThreadPriority::Highest);
    EXPECT_FALSE(m_Harness.Thread().FreeOnTerminate());
    EXPECT_FALSE(m_Harness.Thread().g_IsStoped);
    EXPECT_FALSE(m_Harness.Thread().g_IsCompleted);
    m_Harness.Run();
    EXPECT_TRUE(m_Harness.Thread().g_IsCompleted);
    EXPECT_FALSE(m_Harness.Thread().g_IsAlive());
}

TEST_F(ThreadProcessWalk, StopBeforeStartListsNothingAndStillCompletes) {
    g_Tree.WriteFiles({{"tree/a.txt", "needle"}, {"tree/sub/b.txt", "needle"}});
    TTaskHarness m_Harness(Parameters());
    m_Harness.Thread().g_IsStoped = true;
    m_Harness.Run();
    EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
    EXPECT_TRUE(m_Harness.Thread().g_IsStoped);
    EXPECT_TRUE(m_Harness.Thread().g_IsCompleted);
    EXPECT_EQ(m_Harness.Thread().g_intSearchFileCount, 0);
    EXPECT_TRUE(m_Harness.g_pgrProgress.g_arrPositions.empty());
    EXPECT_TRUE(FolderNames(g_Tree.Path("logs")).empty());
}

// A stop requested while file N is on its way is honoured after that file: it is finished and
// recorded, nothing after it is touched, and the buffered records still make the last page.
// Requested from the progress position of file 3 (handed over before file 3 is begun), the stop
// ends the walk right after file 3. Requested from a row, it comes once the record of file 3 is
// made, and rewrites of later files may have begun by then: those are finished and recorded too,
// so the rewritten files are always the first ones of the walk, each with its record.
TEST_F(ThreadProcessWalk, StopInTheMiddleFinishesTheFilesBegunAndWritesTheLastPage) {
    for (const bool m_IsStopFromRow : {false, true}) {
        SCOPED_TRACE(m_IsStopFromRow ? "stop from the row" : "stop from the progress position");
        for (int m_intIndex = 0; m_intIndex < 6; ++m_intIndex) {
            g_Tree.WriteFile("tree/d" + std::to_string(m_intIndex) + "/f.txt", "needle\n");
        }
        std::filesystem::remove_all(g_Tree.Path("logs"));
        g_Tree.MakeDir("logs");
        TTaskParameters m_Parameters = Parameters();
        m_Parameters.g_intMode = kModeReplace;
        TTaskHarness m_Harness(m_Parameters);
        TThreadProcess* m_trdProcess = &m_Harness.Thread();
        if (m_IsStopFromRow) {
            m_Harness.g_lvwFileList.g_doOnRow = [m_trdProcess](const TFakeRow& p_Row) {
                if (p_Row.g_arrSubItems[0] == u"3") {
                    m_trdProcess->g_IsStoped = true;
                }
            };
        } else {
            m_Harness.g_pgrProgress.g_doOnPosition = [m_trdProcess](std::int32_t p_intPosition) {
                if (p_intPosition == 3) {
                    m_trdProcess->g_IsStoped = true;
                }
            };
        }
        m_Harness.Run();

        const std::vector<std::string> m_arrOrder = WalkOrder(TreeRoot());
        ASSERT_EQ(m_arrOrder.size(), 6u);
        const int m_intDone = m_trdProcess->g_intReplaceSuccessFileCount;
        if (m_IsStopFromRow) {
            EXPECT_GE(m_intDone, 3);
        } else {
            EXPECT_EQ(m_intDone, 3);
        }
        // Every file met was wanted and matched, so each one met was begun.
        EXPECT_EQ(m_trdProcess->g_intSearchFileCount, m_intDone);
        EXPECT_EQ(m_trdProcess->g_intMatchingFileCount, m_intDone);
        EXPECT_EQ(m_Harness.g_intCompletedCalls, 1);
        EXPECT_TRUE(m_trdProcess->g_IsStoped);
        for (std::size_t m_intFile = 0; m_intFile < m_arrOrder.size(); ++m_intFile) {
            EXPECT_EQ(TTempTree::ReadBytes(m_arrOrder[m_intFile]),
                      static_cast<int>(m_intFile) < m_intDone ? "pin\n" : "needle\n")
                << m_arrOrder[m_intFile];
        }
        const auto m_arrLines = ReadPageLines(g_Tree.Path("logs/000001.txt"));
        ASSERT_EQ(m_arrLines.size(), static_cast<std::size_t>(m_intDone));
        for (int m_intLine = 0; m_intLine < m_intDone; ++m_intLine) {
            EXPECT_EQ(m_arrLines[static_cast<std::size_t>(m_intLine)],
                      std::to_string(m_intLine + 1) + "|成功|UTF8无Bom|" +
                          m_arrOrder[static_cast<std::size_t>(m_intLine)] + "|");
        }
    }
}

} // namespace
} // namespace morvane::test
