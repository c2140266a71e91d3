#include "u_QtProgressBar.h"

#include <QProgressBar>

#include <algorithm>

namespace morvane {

TQtProgressBar::TQtProgressBar(QProgressBar* p_pgrProgress)
    : g_pgrProgress(p_pgrProgress),
      g_intPosition(p_pgrProgress != nullptr ? p_pgrProgress->value() : 0) {}

void TQtProgressBar::SetPosition(std::int32_t p_intPosition) {
    g_intPosition = p_intPosition;
    if (g_IsCoalescing) {
        g_IsPositionPending = true;
        return;
    }
    Show();
}

void TQtProgressBar::SetMax(std::int32_t p_intMax) {
    if (g_pgrProgress == nullptr || g_IsMaxFrozen) {
        return;
    }
    if (g_IsCoalescing) {
        g_intPendingMax = p_intMax;
        g_IsMaxPending = true;
        return;
    }
    g_pgrProgress->setMaximum(std::max(p_intMax, g_pgrProgress->minimum()));
    Show();
}

void TQtProgressBar::ApplyPending() {
    if (!g_IsPositionPending && !g_IsMaxPending) {
        return;
    }
    g_IsPositionPending = false;
    if (g_IsMaxPending && g_pgrProgress != nullptr) {
        g_pgrProgress->setMaximum(std::max(g_intPendingMax, g_pgrProgress->minimum()));
    }
    g_IsMaxPending = false;
    Show();
}

void TQtProgressBar::Fill() {
    ApplyPending();
    if (g_pgrProgress != nullptr) {
        g_intPosition = g_pgrProgress->maximum();
        Show();
    }
}

void TQtProgressBar::FreezeMax() {
    ApplyPending();
    g_IsMaxFrozen = true;
}

void TQtProgressBar::Detach() {
    g_pgrProgress = nullptr;
}

void TQtProgressBar::Show() {
    if (g_pgrProgress != nullptr) {
        g_pgrProgress->setValue(
            std::clamp(g_intPosition, g_pgrProgress->minimum(), g_pgrProgress->maximum()));
    }
}

} // namespace morvane
