#pragma once
// TThreadSearch: the file count pass. Walks the task's tree by the same rules as the processing
// walk and raises the progress bar's maximum after every file met.

#include "core/u_Thread.h"
#include "core/u_UiInterfaces.h"
#include "files/u_DirectoryListing.h"
#include "task/u_HandOffThrottle.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

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
    // The task's log folder, set by the owner before Start: it and the folder that holds it are
    // not counted, as the processing walk does not enter them. Empty: none.
    std::u16string g_strLogsDirectory;

protected:
    void Execute() override;

private:
    // Counts in one folder: the root (p_Parent null, opened by its path p_strNativeDirectory) or
    // the folder p_strName of p_Parent, opened relative to it, as the processing walk does.
    void SearchDirectory(const TDirectoryListing* p_Parent, const std::string& p_strName,
                         const std::string& p_strNativeDirectory, bool p_IsContainSubFloder);
    void UpdateProgressMax(std::int32_t p_intSearchFileCount);

    const std::u16string g_strDirectory;
    const bool g_IsContainSubFloder;
    std::int32_t g_intSearchFileCount = 0;
    THandOffThrottle g_MaxThrottle;
    std::int32_t g_intHandedMax = 0; // the maximum last handed over
    std::vector<TFolderIdentity> g_arrLogFolders;
};

} // namespace morvane
