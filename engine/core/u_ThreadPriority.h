#pragma once
// Thread priority is a platform matter; this unit holds each platform's branch.

#include "core/u_Thread.h"

namespace morvane {

// Applies the priority to the calling thread, best effort; failures are ignored.
void ApplyCurrentThreadPriority(TThreadPriority p_Priority);

} // namespace morvane
