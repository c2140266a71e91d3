#pragma once
// TScreenGeometryScope: the available screen area every window is fitted to, for one test's
// lifetime (a large screen by default, so the design sizes apply); the real screens afterwards.

#include "u_ScreenFit.h"

#include <QRect>

namespace morvane::test {

inline const QRect kLargeScreen(0, 0, 1920, 1080);

class TScreenGeometryScope {
public:
    explicit TScreenGeometryScope(const QRect& p_Available = kLargeScreen) { Set(p_Available); }
    ~TScreenGeometryScope() { SetAvailableGeometryForTesting(std::nullopt); }
    TScreenGeometryScope(const TScreenGeometryScope&) = delete;
    TScreenGeometryScope& operator=(const TScreenGeometryScope&) = delete;

    void Set(const QRect& p_Available) { SetAvailableGeometryForTesting(p_Available); }
};

} // namespace morvane::test
