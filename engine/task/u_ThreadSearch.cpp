#include "task/u_ThreadSearch.h"

#include "files/u_DirectoryListing.h"
#include "files/u_SafeRewrite.h"
#include "text/u_TextConvert.h"

#include <memory>
#include <utility>

namespace morvane {

TThreadSearch::TThreadSearch(std::u16string p_strDirectory, bool p_IsContainSubFloder)
    : g_strDirectory(std::move(p_strDirectory)), g_IsContainSubFloder(p_IsContainSubFloder) {
    SetPriority(TThreadPriority::Highest);
    SetFreeOnTerminate(false);
}

// The body uses this object's members until it returns; see TThreadProcess.
TThreadSearch::~TThreadSearch() {
    WaitFor();
}

void TThreadSearch::Execute() {
    g_intSearchFileCount = 0;
    g_MaxThrottle = THandOffThrottle(g_doHandOffClock);
    g_intHandedMax = 0;
    g_arrLogFolders = FolderAndParentIdentities(Utf16ToUtf8(g_strLogsDirectory));
    SearchDirectory(nullptr, std::string(), Utf16ToUtf8(g_strDirectory), g_IsContainSubFloder);
    // The last count reaches the bar whether the pass ended or was stopped.
    if (g_pgrProgress != nullptr && g_intSearchFileCount != g_intHandedMax) {
        const std::int32_t m_intMax = g_intSearchFileCount;
        g_intHandedMax = m_intMax;
        Synchronize([this, m_intMax] { g_pgrProgress->SetMax(m_intMax); });
    }
    g_IsCompleted.store(true);
}

// Same listing rules, order, recursion and stop points as the processing walk, so that on an
// unchanged tree both meet the same files.
void TThreadSearch::SearchDirectory(const TDirectoryListing* p_Parent, const std::string& p_strName,
                                    const std::string& p_strNativeDirectory,
                                    bool p_IsContainSubFloder) {
    if (g_IsStoped.load()) {
        return;
    }
    const std::unique_ptr<TDirectoryListing> m_Listing =
        p_Parent != nullptr ? std::make_unique<TDirectoryListing>(*p_Parent, p_strName)
                            : std::make_unique<TDirectoryListing>(p_strNativeDirectory);
    if (p_Parent != nullptr && IsOneOfFolders(*m_Listing, g_arrLogFolders)) {
        return;
    }
    while (m_Listing->Next()) {
        if (m_Listing->IsDirectory()) {
            if (p_IsContainSubFloder) {
                SearchDirectory(m_Listing.get(), m_Listing->EntryName(), std::string(),
                                p_IsContainSubFloder);
            }
        } else if (!IsRewriteTemporaryName(m_Listing->EntryName())) {
            ++g_intSearchFileCount;
            UpdateProgressMax(g_intSearchFileCount);
        }
        if (g_IsStoped.load()) {
            break;
        }
    }
}

// Counted for every file, handed over at a steady rate; Execute hands over the last count.
void TThreadSearch::UpdateProgressMax(std::int32_t p_intSearchFileCount) {
    if (g_pgrProgress == nullptr || !g_MaxThrottle.IsDue()) {
        return;
    }
    g_MaxThrottle.Restart();
    g_intHandedMax = p_intSearchFileCount;
    Synchronize([this, p_intSearchFileCount] { g_pgrProgress->SetMax(p_intSearchFileCount); });
}

} // namespace morvane
