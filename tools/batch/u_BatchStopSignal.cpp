#include "u_BatchStopSignal.h"

#include "files/u_TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

namespace morvane {

namespace {

// The handler reads these; only lock-free atomics may be touched there.
std::atomic<int> g_intHandlerWriteFd{-1};
std::atomic<int> g_intFirstSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void SetDescriptorFlags(int p_intFd) {
    if (fcntl(p_intFd, F_SETFD, FD_CLOEXEC) == -1 ||
        fcntl(p_intFd, F_SETFL, fcntl(p_intFd, F_GETFL) | O_NONBLOCK) == -1) {
        throw std::system_error(errno, std::generic_category(), "fcntl");
    }
}

} // namespace

TBatchStopSignal::TBatchStopSignal() {
    int m_arrFds[2];
    if (pipe(m_arrFds) == -1) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    g_intReadFd = m_arrFds[0];
    g_intWriteFd = m_arrFds[1];
    try {
        SetDescriptorFlags(g_intReadFd);
        SetDescriptorFlags(g_intWriteFd);
        g_intFirstSignal.store(0);
        g_intHandlerWriteFd.store(g_intWriteFd);
        struct sigaction m_Action {};
        m_Action.sa_handler = &TBatchStopSignal::Handle;
        sigemptyset(&m_Action.sa_mask);
        // While one stop signal is handled the others wait: the first one's byte is written
        // before a second can decide to end the program.
        for (const int m_intSignal : kStopSignals) {
            sigaddset(&m_Action.sa_mask, m_intSignal);
        }
        m_Action.sa_flags = SA_RESTART;
        for (std::size_t m_intIndex = 0; m_intIndex < kStopSignals.size(); ++m_intIndex) {
            struct sigaction& m_Old = g_arrOldActions[m_intIndex];
            if (sigaction(kStopSignals[m_intIndex], nullptr, &m_Old) == -1) {
                throw std::system_error(errno, std::generic_category(), "sigaction");
            }
            if (m_Old.sa_handler == SIG_IGN) {
                continue;
            }
            if (sigaction(kStopSignals[m_intIndex], &m_Action, nullptr) == -1) {
                throw std::system_error(errno, std::generic_category(), "sigaction");
            }
            g_arrIsInstalled[m_intIndex] = true;
        }
    } catch (...) {
        for (std::size_t m_intIndex = 0; m_intIndex < kStopSignals.size(); ++m_intIndex) {
            if (g_arrIsInstalled[m_intIndex]) {
                sigaction(kStopSignals[m_intIndex], &g_arrOldActions[m_intIndex], nullptr);
            }
        }
        g_intHandlerWriteFd.store(-1);
        close(g_intReadFd);
        close(g_intWriteFd);
        throw;
    }
}

TBatchStopSignal::~TBatchStopSignal() {
    for (std::size_t m_intIndex = 0; m_intIndex < kStopSignals.size(); ++m_intIndex) {
        if (g_arrIsInstalled[m_intIndex]) {
            sigaction(kStopSignals[m_intIndex], &g_arrOldActions[m_intIndex], nullptr);
        }
    }
    g_intHandlerWriteFd.store(-1);
    close(g_intReadFd);
    close(g_intWriteFd);
}

void TBatchStopSignal::Handle(int p_intSignal) {
    int m_intNone = 0;
    if (!g_intFirstSignal.compare_exchange_strong(m_intNone, p_intSignal)) {
        // The user insists: no waiting for the files begun, but none of their temporary files
        // stays behind. The user's files themselves are each old or new, as a rename leaves them.
        TTemporaryFiles::Process().RemoveAll();
        _exit(128 + p_intSignal);
    }
    const int m_intSavedErrno = errno;
    const int m_intFd = g_intHandlerWriteFd.load();
    if (m_intFd >= 0) {
        const char m_chrByte = 'S';
        // A full pipe already holds a pending request; losing this byte loses nothing.
        [[maybe_unused]] const ssize_t m_intWritten = write(m_intFd, &m_chrByte, 1);
    }
    errno = m_intSavedErrno;
}

int TBatchStopSignal::FirstSignal() {
    return g_intFirstSignal.load();
}

int TBatchStopSignal::Drain() {
    int m_intCount = 0;
    char m_arrBytes[64];
    for (;;) {
        const ssize_t m_intRead = read(g_intReadFd, m_arrBytes, sizeof m_arrBytes);
        if (m_intRead > 0) {
            m_intCount += static_cast<int>(m_intRead);
            continue;
        }
        if (m_intRead < 0 && errno == EINTR) {
            continue;
        }
        return m_intCount;
    }
}

void TBatchStopSignal::WithSignalBlocked(const std::function<void()>& p_doProcedure) {
    sigset_t m_Blocked;
    sigset_t m_Previous;
    sigemptyset(&m_Blocked);
    for (const int m_intSignal : kStopSignals) {
        sigaddset(&m_Blocked, m_intSignal);
    }
    pthread_sigmask(SIG_BLOCK, &m_Blocked, &m_Previous);
    try {
        p_doProcedure();
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &m_Previous, nullptr);
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &m_Previous, nullptr);
}

} // namespace morvane
