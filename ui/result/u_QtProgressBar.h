#pragma once
// The engine's progress bar on a QProgressBar.

#include "u_UiInterfaces.h"

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
    // Moves the bar to its end.
    void Fill();
    // Later maxima are ignored. Once the task has ended the count pass is told to stop, but a
    // count it sent just before may still arrive and would pull a full bar back from its end.
    void FreezeMax() { g_IsMaxFrozen = true; }
    // Cuts the link to the widget: later calls do nothing. For a task that has been let go.
    void Detach();

private:
    void Show();

    QPointer<QProgressBar> g_pgrProgress;
    std::int32_t g_intPosition = 0;
    bool g_IsMaxFrozen = false;
};

} // namespace morvane
