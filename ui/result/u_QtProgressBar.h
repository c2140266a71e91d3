#pragma once
// The engine's progress bar on a QProgressBar.

#include "core/u_UiInterfaces.h"

#include <QPointer>

#include <cstdint>

class QProgressBar;

namespace morvane {

class TQtProgressBar : public TProgressBar {
public:
    explicit TQtProgressBar(QProgressBar* p_pgrProgress);

    // The position is kept even while it exceeds the maximum (the count pass may lag behind the
    // processing pass) and shown clamped, as a native progress bar does; QProgressBar would
    // drop such a value and keep showing an old one.
    void SetPosition(std::int32_t p_intPosition) override;
    void SetMax(std::int32_t p_intMax) override;
    // While coalescing, SetPosition and SetMax only keep the latest values and ApplyPending shows
    // them: QProgressBar repaints at once for every step it can draw, and the workers hand over
    // far more steps than anyone can see.
    void SetCoalescing(bool p_IsCoalescing) { g_IsCoalescing = p_IsCoalescing; }
    // Shows the latest position and maximum, when they have changed since last shown.
    void ApplyPending();
    // Moves the bar to its end.
    void Fill();
    // Later maxima are ignored. Once the task has ended the count pass is told to stop, but a
    // count it sent just before may still arrive and would pull a full bar back from its end.
    // A maximum that arrived before is still shown.
    void FreezeMax();
    // Cuts the link to the widget: later calls do nothing. For a task that has been let go.
    void Detach();

private:
    void Show();

    QPointer<QProgressBar> g_pgrProgress;
    std::int32_t g_intPosition = 0;
    std::int32_t g_intPendingMax = 0;
    bool g_IsMaxFrozen = false;
    bool g_IsCoalescing = false;
    bool g_IsPositionPending = false;
    bool g_IsMaxPending = false;
};

} // namespace morvane
