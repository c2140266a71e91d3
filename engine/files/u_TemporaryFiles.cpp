#include "files/u_TemporaryFiles.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

// A creation under way ends within a system call; a file system that hangs must not keep an
// exit that the user asked for twice from happening.
constexpr int kCreatingWaitRounds = 1000;
constexpr long kCreatingWaitNs = 1'000'000;

constinit TTemporaryFiles g_ProcessTemporaryFiles;

} // namespace

TTemporaryFiles& TTemporaryFiles::Process() {
    return g_ProcessTemporaryFiles;
}

int TTemporaryFiles::CreateAt(int p_intDirFd, const char* p_strName,
                              const std::function<int()>& p_doCreate, int& p_intSlot) {
    p_intSlot = -1;
    const std::size_t m_intLength = std::strlen(p_strName);
    for (std::size_t m_intIndex = 0; m_intIndex < kSlotCount && m_intLength < kNameCapacity;
         ++m_intIndex) {
        int m_intExpected = Free;
        if (g_arrSlots[m_intIndex].g_intState.compare_exchange_strong(m_intExpected, Creating)) {
            p_intSlot = static_cast<int>(m_intIndex);
            break;
        }
    }
    // The slot is Creating before closing is tested, and RemoveAll sets closing before it looks
    // at the slots: either this sees the closing, or RemoveAll waits for this creation.
    if (g_IsClosing.load()) {
        Forget(p_intSlot);
        p_intSlot = -1;
        errno = ECANCELED;
        return -1;
    }
    if (p_intSlot < 0) {
        return p_doCreate();
    }
    TSlot& m_Slot = g_arrSlots[static_cast<std::size_t>(p_intSlot)];
    m_Slot.g_intDirFd = p_intDirFd;
    std::memcpy(m_Slot.g_arrName.data(), p_strName, m_intLength + 1);
    const int m_intFd = p_doCreate();
    if (m_intFd < 0) {
        const int m_intError = errno;
        Forget(p_intSlot);
        p_intSlot = -1;
        errno = m_intError;
        return m_intFd;
    }
    m_Slot.g_intState.store(Live);
    return m_intFd;
}

void TTemporaryFiles::Forget(int p_intSlot) noexcept {
    if (p_intSlot >= 0 && static_cast<std::size_t>(p_intSlot) < kSlotCount) {
        g_arrSlots[static_cast<std::size_t>(p_intSlot)].g_intState.store(Free);
    }
}

void TTemporaryFiles::RemoveAll() noexcept {
    const int m_intSavedErrno = errno;
    g_IsClosing.store(true);
#ifndef _WIN32
    // The rewrite enters its files here only where it names them by folder and name.
    for (TSlot& m_Slot : g_arrSlots) {
        for (int m_intRound = 0;
             m_Slot.g_intState.load() == Creating && m_intRound < kCreatingWaitRounds;
             ++m_intRound) {
            const timespec m_Wait{0, kCreatingWaitNs};
            nanosleep(&m_Wait, nullptr);
        }
        if (m_Slot.g_intState.load() == Live) {
            unlinkat(m_Slot.g_intDirFd, m_Slot.g_arrName.data(), 0);
        }
    }
#endif
    errno = m_intSavedErrno;
}

std::size_t TTemporaryFiles::Count() const noexcept {
    std::size_t m_intCount = 0;
    for (const TSlot& m_Slot : g_arrSlots) {
        m_intCount += m_Slot.g_intState.load() == Live ? 1 : 0;
    }
    return m_intCount;
}

} // namespace morvane
