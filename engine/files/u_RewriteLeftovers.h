#pragma once
// The temporary files that a rewrite leaves behind only when the process dies in the middle of
// one (see SafeRewriteFile). A replace task clears them away in each folder it rewrites in.

#include "files/u_DirectoryListing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// Nanoseconds since the epoch by the wall clock, as file times are kept.
std::int64_t WallClockNs();

// Removes those of p_arrNames (entries of the folder p_Folder lists; each a rewrite temporary
// name) that are stale: regular files owned by the user running the task (POSIX) and last
// modified before p_intTaskStartNs. A newer one may belong to a rewrite still under way in
// another task, and another user's is not this task's to touch. A leftover that cannot be
// removed is simply left: it holds nothing of the user's, and the task's work does not depend
// on it. Called on the processing thread. Uses FileSystemOps().
void RemoveStaleRewriteTemporaries(const TDirectoryListing& p_Folder,
                                   const std::vector<std::string>& p_arrNames,
                                   std::int64_t p_intTaskStartNs);

} // namespace morvane
