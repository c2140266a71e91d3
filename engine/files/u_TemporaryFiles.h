#pragma once
// TTemporaryFiles: the temporary files that rewrites and log page writes are writing right now,
// kept where a signal handler can reach them. A program that must end at once (a second Ctrl-C)
// removes them with RemoveAll and exits, so no stray temporary file is left beside a user's file.
//
// Everything is preallocated: a fixed number of slots, each with an atomic state, the folder's
// descriptor and the file's name in a buffer of its own. RemoveAll takes no lock and allocates
// nothing; it is async-signal-safe.

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>

namespace morvane {

class TTemporaryFiles {
public:
    // Enough for every rewrite thread of a task, with room to spare. A file made while all slots
    // are taken is still made, but not covered.
    static constexpr std::size_t kSlotCount = 64;
    // A rewrite's temporary name is short, a log page's a whole path (relative to AT_FDCWD); a
    // longer one is not covered. The buffers take no memory until they are used.
    static constexpr std::size_t kNameCapacity = 4096;

    constexpr TTemporaryFiles() = default;
    TTemporaryFiles(const TTemporaryFiles&) = delete;
    TTemporaryFiles& operator=(const TTemporaryFiles&) = delete;

    // The registry of the process, which the rewrites use.
    static TTemporaryFiles& Process();

    // Creates the file p_strName in the folder p_intDirFd by p_doCreate (an open with O_EXCL:
    // its descriptor, or -1 with errno set) and enters it, so that RemoveAll never misses a file
    // that exists. Returns p_doCreate's result; p_intSlot gets the slot to Forget, or -1. Once
    // RemoveAll has begun nothing more is created: -1 with errno ECANCELED. Any thread.
    int CreateAt(int p_intDirFd, const char* p_strName, const std::function<int()>& p_doCreate,
                 int& p_intSlot);
    // The file of p_intSlot has been renamed or removed (-1: nothing). Call it before the
    // folder's descriptor is closed.
    void Forget(int p_intSlot) noexcept;
    // Removes every file entered and not forgotten, waiting (briefly) for creations under way,
    // and lets nothing more be created. Async-signal-safe; the process is to end right after.
    void RemoveAll() noexcept;
    // The number of files entered now, for tests.
    std::size_t Count() const noexcept;

private:
    enum TSlotState : int { Free, Creating, Live };
    struct TSlot {
        std::atomic<int> g_intState{Free};
        int g_intDirFd = -1;
        std::array<char, kNameCapacity> g_arrName{};
    };
    static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

    std::array<TSlot, kSlotCount> g_arrSlots{};
    std::atomic<bool> g_IsClosing{false};
};

} // namespace morvane
