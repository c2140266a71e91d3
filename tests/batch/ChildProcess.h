#pragma once
// TChildProcess: runs a program with its stdout and stderr captured, so that the tests see
// morvane-batch exactly as a shell would. Reading blocks on the pipes; nothing here waits by time.

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace morvane::test {

struct TChildResult {
    bool g_IsExited = false; // ended by exit(), not by a signal
    int g_intExitCode = -1;  // the exit status when g_IsExited
    std::string g_strStdout;
    std::string g_strStderr;
};

class TChildProcess {
public:
    // p_strStdin, when given, is all the child reads on stdin (at most a pipe's capacity);
    // otherwise stdin is /dev/null.
    TChildProcess(const std::string& p_strProgram, const std::vector<std::string>& p_arrArguments,
                  const std::string* p_strStdin = nullptr) {
        int m_arrOut[2];
        int m_arrErr[2];
        int m_arrIn[2] = {-1, -1};
        if (pipe(m_arrOut) == -1 || pipe(m_arrErr) == -1 ||
            (p_strStdin != nullptr && pipe(m_arrIn) == -1)) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t m_Actions;
        posix_spawn_file_actions_init(&m_Actions);
        if (p_strStdin != nullptr) {
            if (write(m_arrIn[1], p_strStdin->data(), p_strStdin->size()) !=
                static_cast<ssize_t>(p_strStdin->size())) {
                throw std::runtime_error("stdin too large for the pipe");
            }
            close(m_arrIn[1]);
            posix_spawn_file_actions_adddup2(&m_Actions, m_arrIn[0], STDIN_FILENO);
            posix_spawn_file_actions_addclose(&m_Actions, m_arrIn[0]);
        } else {
            posix_spawn_file_actions_addopen(&m_Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        }
        posix_spawn_file_actions_adddup2(&m_Actions, m_arrOut[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&m_Actions, m_arrErr[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&m_Actions, m_arrOut[0]);
        posix_spawn_file_actions_addclose(&m_Actions, m_arrErr[0]);

        // The child starts with the stop signals at their defaults and unblocked, whatever the test
        // runner was started with, as it would from an interactive shell.
        posix_spawnattr_t m_Attributes;
        posix_spawnattr_init(&m_Attributes);
        sigset_t m_Signals;
        sigemptyset(&m_Signals);
        posix_spawnattr_setsigmask(&m_Attributes, &m_Signals);
        sigaddset(&m_Signals, SIGINT);
        sigaddset(&m_Signals, SIGTERM);
        sigaddset(&m_Signals, SIGHUP);
        sigaddset(&m_Signals, SIGPIPE);
        posix_spawnattr_setsigdefault(&m_Attributes, &m_Signals);
        posix_spawnattr_setflags(&m_Attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

        std::vector<char*> m_arrArgv;
        m_arrArgv.push_back(const_cast<char*>(p_strProgram.c_str()));
        for (const std::string& m_strArgument : p_arrArguments) {
            m_arrArgv.push_back(const_cast<char*>(m_strArgument.c_str()));
        }
        m_arrArgv.push_back(nullptr);
        const int m_intError = posix_spawn(&g_intPid, p_strProgram.c_str(), &m_Actions,
                                           &m_Attributes, m_arrArgv.data(), environ);
        posix_spawn_file_actions_destroy(&m_Actions);
        posix_spawnattr_destroy(&m_Attributes);
        close(m_arrOut[1]);
        close(m_arrErr[1]);
        if (m_arrIn[0] >= 0) {
            close(m_arrIn[0]);
        }
        g_intOutFd = m_arrOut[0];
        g_intErrFd = m_arrErr[0];
        if (m_intError != 0) {
            g_intPid = -1;
            throw std::runtime_error("cannot start " + p_strProgram);
        }
    }

    ~TChildProcess() {
        if (g_intPid > 0) {
            kill(g_intPid, SIGKILL);
            int m_intStatus = 0;
            waitpid(g_intPid, &m_intStatus, 0);
        }
        CloseFd(g_intOutFd);
        CloseFd(g_intErrFd);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // Reads both pipes until stdout holds p_strText or stdout has reached its end; whether it
    // was found.
    bool ReadUntilStdoutContains(std::string_view p_strText) {
        while (g_Result.g_strStdout.find(p_strText) == std::string::npos) {
            if (g_intOutFd < 0 || !ReadSome()) {
                return g_Result.g_strStdout.find(p_strText) != std::string::npos;
            }
        }
        return true;
    }

    // The same for stderr: reads both pipes until stderr holds p_strText or has ended.
    bool ReadUntilStderrContains(std::string_view p_strText) {
        while (g_Result.g_strStderr.find(p_strText) == std::string::npos) {
            if (g_intErrFd < 0 || !ReadSome()) {
                return g_Result.g_strStderr.find(p_strText) != std::string::npos;
            }
        }
        return true;
    }

    void Signal(int p_intSignal) { kill(g_intPid, p_intSignal); }

    // Reads both pipes to their ends and waits for the child.
    TChildResult Finish() {
        while (ReadSome()) {
        }
        int m_intStatus = 0;
        while (waitpid(g_intPid, &m_intStatus, 0) == -1 && errno == EINTR) {
        }
        g_intPid = -1;
        g_Result.g_IsExited = WIFEXITED(m_intStatus);
        g_Result.g_intExitCode = g_Result.g_IsExited ? WEXITSTATUS(m_intStatus) : -1;
        return g_Result;
    }

private:
    static void CloseFd(int& p_intFd) {
        if (p_intFd >= 0) {
            close(p_intFd);
            p_intFd = -1;
        }
    }

    // One round of reading whatever is ready; false once both pipes are at their end.
    bool ReadSome() {
        pollfd m_arrFds[2] = {{g_intOutFd, POLLIN, 0}, {g_intErrFd, POLLIN, 0}};
        if (g_intOutFd < 0 && g_intErrFd < 0) {
            return false;
        }
        if (poll(m_arrFds, 2, -1) == -1) {
            if (errno == EINTR) {
                return true;
            }
            throw std::runtime_error("poll failed");
        }
        ReadReady(m_arrFds[0], g_intOutFd, g_Result.g_strStdout);
        ReadReady(m_arrFds[1], g_intErrFd, g_Result.g_strStderr);
        return true;
    }

    static void ReadReady(const pollfd& p_Fd, int& p_intFd, std::string& p_strTarget) {
        if (p_intFd < 0 || (p_Fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            return;
        }
        char m_arrBuffer[4096];
        const ssize_t m_intRead = read(p_intFd, m_arrBuffer, sizeof m_arrBuffer);
        if (m_intRead > 0) {
            p_strTarget.append(m_arrBuffer, static_cast<std::size_t>(m_intRead));
        } else if (m_intRead == 0 || errno != EINTR) {
            CloseFd(p_intFd);
        }
    }

    pid_t g_intPid = -1;
    int g_intOutFd = -1;
    int g_intErrFd = -1;
    TChildResult g_Result;
};

// Runs the program to its end.
inline TChildResult RunChild(const std::string& p_strProgram,
                             const std::vector<std::string>& p_arrArguments,
                             const std::string* p_strStdin = nullptr) {
    TChildProcess m_Child(p_strProgram, p_arrArguments, p_strStdin);
    return m_Child.Finish();
}

} // namespace morvane::test
