// The registry of temporary files that an immediate exit removes: what it enters, what it
// forgets, and that nothing is made once the removal has begun.

#include "FaultFs.h"
#include "RewriteTestSupport.h"
#include "TempTree.h"
#include "files/u_TemporaryFiles.h"
#include "logs/u_LogPage.h"
#include "text/u_TextConvert.h"

#include <gtest/gtest.h>

#include "core/u_Types.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace morvane {
namespace {

using test::TTempTree;

class TemporaryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        g_intDirFd = open(g_Tree.Root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(g_intDirFd, 0);
    }
    void TearDown() override { close(g_intDirFd); }

    // Creates p_strName through the registry, as the rewrite does; the slot, -1 for none.
    int Create(const std::string& p_strName, int* p_intFd = nullptr) {
        int m_intSlot = -1;
        const int m_intFd = g_Files->CreateAt(
            g_intDirFd, p_strName.c_str(),
            [&] {
                return openat(g_intDirFd, p_strName.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            },
            m_intSlot);
        if (p_intFd != nullptr) {
            *p_intFd = m_intFd;
        } else if (m_intFd >= 0) {
            close(m_intFd);
        }
        return m_intSlot;
    }
    bool Exists(const std::string& p_strName) const {
        return std::filesystem::exists(g_Tree.Path(p_strName));
    }

    TTempTree g_Tree;
    int g_intDirFd = -1;
    std::unique_ptr<TTemporaryFiles> g_Files = std::make_unique<TTemporaryFiles>();
};

TEST_F(TemporaryFiles, RemoveAllTakesWhatIsEnteredAndNotForgotten) {
    const int m_intKept = Create("kept.tmp");
    const int m_intRenamed = Create("renamed.tmp");
    ASSERT_GE(m_intKept, 0);
    ASSERT_GE(m_intRenamed, 0);
    EXPECT_NE(m_intKept, m_intRenamed);
    ASSERT_EQ(renameat(g_intDirFd, "renamed.tmp", g_intDirFd, "target.txt"), 0);
    g_Files->Forget(m_intRenamed);
    g_Tree.WriteFile("clash.tmp", "someone else's");
    int m_intFd = 0;
    EXPECT_EQ(Create("clash.tmp", &m_intFd), -1) << "a name that was not made is not entered";
    EXPECT_EQ(m_intFd, -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(g_Files->Count(), 1u);

    g_Files->RemoveAll();
    EXPECT_FALSE(Exists("kept.tmp"));
    EXPECT_TRUE(Exists("target.txt"));
    EXPECT_TRUE(Exists("clash.tmp"));

    // Once the removal has begun, nothing more is made that it could miss.
    EXPECT_EQ(Create("late.tmp", &m_intFd), -1);
    EXPECT_EQ(m_intFd, -1);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_FALSE(Exists("late.tmp"));
}

TEST_F(TemporaryFiles, FilesBeyondTheSlotsAreStillMadeButNotCovered) {
    for (std::size_t m_intIndex = 0; m_intIndex < TTemporaryFiles::kSlotCount; ++m_intIndex) {
        ASSERT_GE(Create("f" + std::to_string(m_intIndex)), 0) << m_intIndex;
    }
    EXPECT_EQ(Create("extra"), -1);
    EXPECT_TRUE(Exists("extra"));
    g_Files->Forget(0);
    // A name too long for its buffer (no file system takes one that long, so the open is played).
    const std::string m_strLong(TTemporaryFiles::kNameCapacity, 'n');
    int m_intOpens = 0;
    int m_intSlot = 0;
    const int m_intFd = g_Files->CreateAt(
        g_intDirFd, m_strLong.c_str(),
        [&m_intOpens] {
            ++m_intOpens;
            return open("/dev/null", O_WRONLY | O_CLOEXEC);
        },
        m_intSlot);
    EXPECT_GE(m_intFd, 0);
    close(m_intFd);
    EXPECT_EQ(m_intOpens, 1);
    EXPECT_EQ(m_intSlot, -1);
    EXPECT_EQ(g_Files->Count(), TTemporaryFiles::kSlotCount - 1);
    g_Files->RemoveAll();
    EXPECT_FALSE(Exists("f1"));
    EXPECT_TRUE(Exists("f0")) << "forgotten";
}

// The rewrite enters its temporary file while it writes it and forgets it however it ends.
TEST_F(TemporaryFiles, ARewriteIsEnteredWhileItWritesWhereverItFails) {
    TTemporaryFiles& m_Process = TTemporaryFiles::Process();
    const auto m_Path = g_Tree.Path("user.txt");
    std::size_t m_intCallCount = 0;
    for (std::size_t m_intFailAt = 0; m_intFailAt == 0 || m_intFailAt <= m_intCallCount;
         ++m_intFailAt) {
        SCOPED_TRACE(m_intFailAt);
        g_Tree.WriteFile("user.txt", "old");
        const TFileIdentity m_Identity = test::IdentityAfterReading(m_Path);
        test::TFaultFs m_Fs;
        m_Fs.g_intFailAt = static_cast<int>(m_intFailAt);
        std::vector<std::size_t> m_arrCountsAtWrite;
        m_Fs.g_doBeforeCall = [&](const std::string& p_strKind, int) {
            if (p_strKind == test::TFaultFs::kWrite) {
                m_arrCountsAtWrite.push_back(m_Process.Count());
            }
        };
        {
            test::TScopedFileSystemOps m_Scope(m_Fs);
            test::RewriteOutcome(m_Path, m_Identity, "new");
        }
        if (m_intFailAt == 0) {
            m_intCallCount = m_Fs.g_arrCalls.size();
        }
        for (const std::size_t m_intCount : m_arrCountsAtWrite) {
            EXPECT_EQ(m_intCount, 1u);
        }
        EXPECT_EQ(m_Process.Count(), 0u);
    }
    EXPECT_GT(m_intCallCount, 5u);
}

TEST_F(TemporaryFiles, ALogPageWriteForgetsItsTemporaryFileHoweverItEnds) {
    const std::u16string m_strFolder = Utf8ToUtf16Lenient(g_Tree.Root().string());
    WriteLogPageFile(LogPageFileName(m_strFolder, 1), {u"1|成功|ANSI|/a.txt"});
    EXPECT_EQ(TTemporaryFiles::Process().Count(), 0u);
    EXPECT_THROW(WriteLogPageFile(LogPageFileName(m_strFolder + u"/missing", 1), {u"x"}),
                 TEngineError);
    EXPECT_EQ(TTemporaryFiles::Process().Count(), 0u);
    // A page name that is a folder: the rename fails after the temporary file was made.
    g_Tree.MakeDir("000002.txt/inside");
    EXPECT_THROW(WriteLogPageFile(LogPageFileName(m_strFolder, 2), {u"x"}), TEngineError);
    EXPECT_EQ(TTemporaryFiles::Process().Count(), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(g_Tree.Root()),
                            std::filesystem::directory_iterator()),
              2);
}

} // namespace
} // namespace morvane
