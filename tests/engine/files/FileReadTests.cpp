// Reading a user's file: whole, only regular files, never through a final link, never blocking.

#include "FaultFs.h"
#include "RewriteTestSupport.h"
#include "TempTree.h"

#include "core/u_Types.h"
#include "files/u_FileRead.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

namespace morvane {
namespace {

using test::TFaultFs;
using test::TScopedFileSystemOps;
using test::TTempTree;

std::string ReadOrMessage(const std::filesystem::path& p_Path) {
    std::string m_strBytes;
    TFileIdentity m_Identity;
    try {
        ReadWholeFile(p_Path.string(), m_strBytes, m_Identity);
        return "read " + std::to_string(m_strBytes.size());
    } catch (const TEngineError& p_Error) {
        return p_Error.what();
    }
}

TEST(FileRead, ReadsAllBytesAndTheFileIdentity) {
    TTempTree m_Tree;
    std::string m_strContent("a\0b\r\nc\xff", 7);
    m_strContent += std::string(200000, 'x'); // larger than any single buffer of a stream
    const auto m_Path = m_Tree.WriteFile("a.txt", m_strContent);
    ASSERT_EQ(chmod(m_Path.c_str(), 0640), 0);
    struct stat m_Stat {};
    ASSERT_EQ(stat(m_Path.c_str(), &m_Stat), 0);

    std::string m_strBytes = "left over from the previous file";
    TFileIdentity m_Identity;
    ReadWholeFile(m_Path.string(), m_strBytes, m_Identity);

    EXPECT_EQ(m_strBytes, m_strContent);
    EXPECT_EQ(m_Identity.g_intDevice, static_cast<std::uint64_t>(m_Stat.st_dev));
    EXPECT_EQ(m_Identity.g_intInode, static_cast<std::uint64_t>(m_Stat.st_ino));
    EXPECT_EQ(m_Identity.g_intSize, m_strContent.size());
    EXPECT_EQ(m_Identity.g_intModifiedNs,
              std::int64_t{m_Stat.st_mtim.tv_sec} * 1'000'000'000 + m_Stat.st_mtim.tv_nsec);
    EXPECT_EQ(m_Identity.g_intMode, static_cast<std::uint32_t>(S_IFREG | 0640));
    EXPECT_EQ(m_Identity.g_intUid, m_Stat.st_uid);
    EXPECT_EQ(m_Identity.g_intGid, m_Stat.st_gid);
}

TEST(FileRead, ReusesTheBufferAndReadsAnEmptyFile) {
    TTempTree m_Tree;
    const auto m_Big = m_Tree.WriteFile("big.txt", std::string(100000, 'b'));
    const auto m_Empty = m_Tree.WriteFile("empty.txt", "");
    std::string m_strBytes;
    TFileIdentity m_Identity;
    ReadWholeFile(m_Big.string(), m_strBytes, m_Identity);
    const std::size_t m_intCapacity = m_strBytes.capacity();
    const char* m_strData = m_strBytes.data();

    ReadWholeFile(m_Empty.string(), m_strBytes, m_Identity);

    EXPECT_TRUE(m_strBytes.empty());
    EXPECT_EQ(m_Identity.g_intSize, 0u);
    EXPECT_EQ(m_strBytes.capacity(), m_intCapacity);
    EXPECT_EQ(m_strBytes.data(), m_strData);
}

// Each of these would hang, or read what is not a file, if opened the ordinary way.
TEST(FileRead, RefusesAtOnceWhatIsNotARegularFile) {
    TTempTree m_Tree;
    const auto m_Fifo = m_Tree.Path("pipe.txt");
    ASSERT_EQ(mkfifo(m_Fifo.c_str(), 0644), 0);
    const auto m_Folder = m_Tree.MakeDir("folder.txt");
    const auto m_Socket = m_Tree.Path("socket.txt");
    const int m_intSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(m_intSocket, 0);
    sockaddr_un m_Address{};
    m_Address.sun_family = AF_UNIX;
    ASSERT_LT(m_Socket.string().size(), sizeof m_Address.sun_path);
    std::strcpy(m_Address.sun_path, m_Socket.c_str());
    ASSERT_EQ(bind(m_intSocket, reinterpret_cast<sockaddr*>(&m_Address), sizeof m_Address), 0);
    const auto m_Target = m_Tree.WriteFile("target.txt", "secret");
    const auto m_Link = m_Tree.MakeSymlink(m_Target.string(), "link.txt");
    const auto m_Dangling = m_Tree.MakeSymlink(m_Tree.Path("none.txt").string(), "dangling.txt");

    const struct {
        const char* m_strCase;
        std::filesystem::path m_Path;
        std::string m_strMessage;
    } m_arrCases[] = {
        {"FIFO without a writer", m_Fifo, "不是普通文件，未处理。"},
        {"folder", m_Folder, "不是普通文件，未处理。"},
        {"character device", "/dev/null", "不是普通文件，未处理。"},
        {"socket", m_Socket, "No such device or address"},
        {"link to a file", m_Link, "Too many levels of symbolic links"},
        {"dangling link", m_Dangling, "Too many levels of symbolic links"},
        {"missing file", m_Tree.Path("missing.txt"), "No such file or directory"},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(m_Case.m_strCase);
        EXPECT_EQ(ReadOrMessage(m_Case.m_Path), m_Case.m_strMessage);
    }
    close(m_intSocket);
    EXPECT_EQ(m_Tree.ReadFile("target.txt"), "secret");
}

TEST(FileRead, RefusesAFileOverTheSizeLimitWithoutReadingIt) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("huge.txt", "");
    {
        const int m_intFd = open(m_Path.c_str(), O_WRONLY);
        ASSERT_GE(m_intFd, 0);
        // Sparse: no disk space and no time.
        ASSERT_EQ(ftruncate(m_intFd, static_cast<off_t>(kMaxProcessedFileSize + 1)), 0);
        close(m_intFd);
    }
    TFaultFs m_Fs;
    TScopedFileSystemOps m_Scope(m_Fs);

    EXPECT_EQ(ReadOrMessage(m_Path), "文件大于1 GiB，未处理。");
    EXPECT_EQ(m_Fs.CountOf(TFaultFs::kRead), 0);
}

TEST(FileRead, RefusesAFileThatChangesWhileBeingRead) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", "before");
    TFaultFs m_Fs;
    m_Fs.g_doBeforeCall = [&](const std::string& p_strKind, int) {
        if (p_strKind == TFaultFs::kRead && m_Fs.CountOf(TFaultFs::kRead) == 1) {
            std::ofstream(m_Path, std::ios::app) << " and after";
        }
    };
    TScopedFileSystemOps m_Scope(m_Fs);

    EXPECT_EQ(ReadOrMessage(m_Path), "文件在读取时被修改，未处理。");
}

TEST(FileRead, ClosesTheFileOnEveryFailureAndRetriesAnInterruptedRead) {
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("a.txt", "content");
    const struct {
        const char* m_strKind;
        int m_intErrno;
        std::string m_strOutcome;
    } m_arrCases[] = {
        {TFaultFs::kOpenRead, EACCES, "Permission denied"},
        {TFaultFs::kFstat, EIO, "Input/output error"},
        {TFaultFs::kRead, EIO, "Input/output error"},
        {TFaultFs::kRead, EINTR, "read 7"},
        {TFaultFs::kCloseRead, EIO, "read 7"},
    };
    for (const auto& m_Case : m_arrCases) {
        SCOPED_TRACE(std::string(m_Case.m_strKind) + " " + std::strerror(m_Case.m_intErrno));
        TFaultFs m_Fs;
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            ReadOrMessage(m_Path);
        }
        const auto m_arrCalls = m_Fs.g_arrCalls;
        const auto m_It = std::find(m_arrCalls.begin(), m_arrCalls.end(), m_Case.m_strKind);
        ASSERT_NE(m_It, m_arrCalls.end());
        m_Fs.g_arrCalls.clear();
        m_Fs.g_intFailAt = static_cast<int>(m_It - m_arrCalls.begin()) + 1;
        m_Fs.g_intFailErrno = m_Case.m_intErrno;
        {
            TScopedFileSystemOps m_Scope(m_Fs);
            EXPECT_EQ(ReadOrMessage(m_Path), m_Case.m_strOutcome);
        }
        if (m_Case.m_strKind != TFaultFs::kOpenRead) {
            EXPECT_EQ(m_Fs.CountOf(TFaultFs::kCloseRead), 1);
        }
    }
}

TEST(FileRead, RefusesAFileTheUserMayNotRead) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    TTempTree m_Tree;
    const auto m_Path = m_Tree.WriteFile("private.txt", "secret");
    ASSERT_EQ(chmod(m_Path.c_str(), 0600), 0);

    const std::string m_strOutcome = test::RunInChild([&] {
        return test::BecomeNobody() ? ReadOrMessage(m_Path) : std::string("cannot drop root");
    });

    EXPECT_EQ(m_strOutcome, "Permission denied");
}

} // namespace
} // namespace morvane
