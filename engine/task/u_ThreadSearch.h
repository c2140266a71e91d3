#pragma once
// TThreadSearch: the file count pass. Walks the task's tree by the same rules as the processing
// walk and raises the progress bar's maximum after every file met.

#include "core/u_Thread.h"
#include "core/u_UiInterfaces.h"
#include "task/u_HandOffThrottle.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace morvane {

class TThreadSearch : public TThread {
public:
    // Created suspended, priority Highest, not freed when its body ends.
    TThreadSearch(std::u16string p_strDirectory, bool p_IsContainSubFloder);
    // Waits until the body has ended: stop it first (g_IsStoped) and never destroy it from
    // inside one of its own hand-offs.
    ~TThreadSearch() override;

    TProgressBar* g_pgrProgress = nullptr; // set by the owner before Start; not owned
    std::atomic<bool> g_IsStoped{false};   // written by the user-interface thread
    std::atomic<bool> g_IsCompleted{false};
    // When hand-offs are due; set by the owner before Start. Empty: the steady clock.
    THandOffClock g_doHandOffClock;

protected:
    void Execute() override;

private:
    void SearchDirectory(const std::string& p_strNativeDirectory, bool p_IsContainSubFloder);
    void UpdateProgressMax(std::int32_t p_intSearchFileCount);

    const std::u16string g_strDirectory;
    const bool g_IsContainSubFloder;
    std::int32_t g_intSearchFileCount = 0;
    THandOffThrottle g_MaxThrottle;
    std::int32_t g_intHandedMax = 0; // the maximum last handed over
};

} // namespace morvane
