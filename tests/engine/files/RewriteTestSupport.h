#pragma once
// Helpers shared by the rewrite tests: reading and rewriting in one step, what a folder holds,
// and running a piece of a test in a child process (as another user, or in its own mounts).

#include "core/u_Types.h"
#include "files/u_FileRead.h"
#include "files/u_SafeRewrite.h"
#include "text/u_TextConvert.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane::test {

inline constexpr uid_t kNobodyId = 65534;

// What the rewrite tells the user: empty on success, else the failure reason.
inline std::string RewriteOutcome(const std::string& p_strPath, std::string_view p_strNewBytes,
                                  const std::u16string& p_strDisplayPath) {
    try {
        std::string m_strOld;
        TFileIdentity m_Identity;
        ReadWholeFile(p_strPath, m_strOld, m_Identity);
        SafeRewriteFile(p_strPath, p_strDisplayPath, m_Identity, p_strNewBytes);
        return {};
    } catch (const TEngineError& p_Error) {
        return p_Error.what();
    }
}

inline std::string RewriteOutcome(const std::filesystem::path& p_Path,
                                  std::string_view p_strNewBytes) {
    return RewriteOutcome(p_Path.string(), p_strNewBytes, Utf8ToUtf16Lenient(p_Path.string()));
}

// The rewrite alone, of a file read earlier.
inline std::string RewriteOutcome(const std::filesystem::path& p_Path,
                                  const TFileIdentity& p_Identity, std::string_view p_strNewBytes) {
    try {
        SafeRewriteFile(p_Path.string(), Utf8ToUtf16Lenient(p_Path.string()), p_Identity,
                        p_strNewBytes);
        return {};
    } catch (const TEngineError& p_Error) {
        return p_Error.what();
    }
}

inline TFileIdentity IdentityAfterReading(const std::filesystem::path& p_Path) {
    std::string m_strBytes;
    TFileIdentity m_Identity;
    ReadWholeFile(p_Path.string(), m_strBytes, m_Identity);
    return m_Identity;
}

inline std::string CannotCreate(const std::filesystem::path& p_Path, std::string_view p_strOs) {
    return "Cannot create file \"" + p_Path.string() + "\". " + std::string(p_strOs);
}

inline struct stat LinkStat(const std::filesystem::path& p_Path) {
    struct stat m_Stat {};
    if (lstat(p_Path.c_str(), &m_Stat) != 0) {
        m_Stat.st_ino = 0;
    }
    return m_Stat;
}

inline mode_t PermissionBits(const std::filesystem::path& p_Path) {
    return LinkStat(p_Path).st_mode & 07777;
}

// Names in the folder that a rewrite may have left behind.
inline std::vector<std::string> TemporaryFilesIn(const std::filesystem::path& p_Folder) {
    std::vector<std::string> m_arrNames;
    for (const auto& m_Entry : std::filesystem::directory_iterator(p_Folder)) {
        const std::string m_strName = m_Entry.path().filename().string();
        if (m_strName.starts_with(kTemporaryFilePrefix)) {
            m_arrNames.push_back(m_strName);
        }
    }
    return m_arrNames;
}

// In a child process: gives up root for uid and gid 65534 with no supplementary groups.
inline bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setresgid(kNobodyId, kNobodyId, kNobodyId) == 0 &&
           setresuid(kNobodyId, kNobodyId, kNobodyId) == 0;
}

// Runs p_doBody in a forked child and returns what it returned. The child must not use gtest
// assertions; it reports through its text. A child that dies gives "child died".
inline std::string RunInChild(const std::function<std::string()>& p_doBody) {
    int m_arrPipe[2];
    if (pipe(m_arrPipe) != 0) {
        return "pipe failed";
    }
    const pid_t m_intPid = fork();
    if (m_intPid < 0) {
        close(m_arrPipe[0]);
        close(m_arrPipe[1]);
        return "fork failed";
    }
    if (m_intPid == 0) {
        close(m_arrPipe[0]);
        std::string m_strResult;
        try {
            m_strResult = p_doBody();
        } catch (const std::exception& p_Error) {
            m_strResult = std::string("exception: ") + p_Error.what();
        }
        std::size_t m_intDone = 0;
        while (m_intDone < m_strResult.size()) {
            const ssize_t m_intWritten =
                write(m_arrPipe[1], m_strResult.data() + m_intDone, m_strResult.size() - m_intDone);
            if (m_intWritten <= 0) {
                break;
            }
            m_intDone += static_cast<std::size_t>(m_intWritten);
        }
        close(m_arrPipe[1]);
        _exit(0);
    }
    close(m_arrPipe[1]);
    std::string m_strResult;
    char m_arrBuffer[4096];
    ssize_t m_intGot = 0;
    while ((m_intGot = read(m_arrPipe[0], m_arrBuffer, sizeof m_arrBuffer)) > 0) {
        m_strResult.append(m_arrBuffer, static_cast<std::size_t>(m_intGot));
    }
    close(m_arrPipe[0]);
    int m_intStatus = 0;
    waitpid(m_intPid, &m_intStatus, 0);
    if (!WIFEXITED(m_intStatus) || WEXITSTATUS(m_intStatus) != 0) {
        return "child died";
    }
    return m_strResult;
}

} // namespace morvane::test
