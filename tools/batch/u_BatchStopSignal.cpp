#include "u_BatchStopSignal.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

namespace morvane {

namespace {

// The handler reads this; only a lock-free atomic may be touched there.
std::atomic<int> g_intHandlerWriteFd{-1};
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
        g_intHandlerWriteFd.store(g_intWriteFd);
        struct sigaction m_Action {};
        m_Action.sa_handler = &TBatchStopSignal::Handle;
        sigemptyset(&m_Action.sa_mask);
        m_Action.sa_flags = SA_RESTART;
        if (sigaction(SIGINT, &m_Action, &g_OldAction) == -1) {
            throw std::system_error(errno, std::generic_category(), "sigaction");
        }
    } catch (...) {
        g_intHandlerWriteFd.store(-1);
        close(g_intReadFd);
        close(g_intWriteFd);
        throw;
    }
}

TBatchStopSignal::~TBatchStopSignal() {
    sigaction(SIGINT, &g_OldAction, nullptr);
    g_intHandlerWriteFd.store(-1);
    close(g_intReadFd);
    close(g_intWriteFd);
}

void TBatchStopSignal::Handle(int /*p_intSignal*/) {
    const int m_intSavedErrno = errno;
    const int m_intFd = g_intHandlerWriteFd.load();
    if (m_intFd >= 0) {
        const char m_chrByte = 'S';
        // A full pipe already holds a pending request; losing this byte loses nothing.
        [[maybe_unused]] const ssize_t m_intWritten = write(m_intFd, &m_chrByte, 1);
    }
    errno = m_intSavedErrno;
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
    sigaddset(&m_Blocked, SIGINT);
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
