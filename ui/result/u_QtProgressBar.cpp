#include "u_QtProgressBar.h"

#include <QProgressBar>

#include <algorithm>

namespace morvane {

TQtProgressBar::TQtProgressBar(QProgressBar* p_pgrProgress)
    : g_pgrProgress(p_pgrProgress),
      g_intPosition(p_pgrProgress != nullptr ? p_pgrProgress->value() : 0) {}

void TQtProgressBar::SetPosition(std::int32_t p_intPosition) {
    g_intPosition = p_intPosition;
    Show();
}

void TQtProgressBar::SetMax(std::int32_t p_intMax) {
    if (g_pgrProgress == nullptr || g_IsMaxFrozen) {
        return;
    }
    g_pgrProgress->setMaximum(std::max(p_intMax, g_pgrProgress->minimum()));
    Show();
}

void TQtProgressBar::Fill() {
    if (g_pgrProgress != nullptr) {
        SetPosition(g_pgrProgress->maximum());
    }
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
