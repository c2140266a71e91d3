#include "u_BatchProgressBar.h"

#include "logs/u_TaskSummary.h"

namespace morvane {

void TBatchProgressBar::SetPosition(std::int32_t p_intPosition) {
    g_intPosition.store(p_intPosition);
    Redraw();
}

void TBatchProgressBar::SetMax(std::int32_t p_intMax) {
    g_intMax.store(p_intMax);
    Redraw();
}

void TBatchProgressBar::SetRecordCount(std::int32_t p_intRecordCount) {
    g_intRecordCount.store(p_intRecordCount);
    Redraw();
}

std::string TBatchProgressBar::ProgressText(std::int32_t p_intPosition, std::int32_t p_intMax,
                                            std::int32_t p_intRecordCount) {
    return std::to_string(p_intPosition) + "/" + std::to_string(p_intMax) + " 个文件，匹配 " +
           std::to_string(p_intRecordCount) + " 个";
}

void TBatchProgressBar::Redraw() {
    if (!g_Output.IsProgressShown()) {
        return;
    }
    const std::uint32_t m_intNow = GetTickCount32();
    if (g_IsDrawn.load() && m_intNow - g_intLastDrawTime.load() < kRedrawIntervalMs) {
        return;
    }
    g_IsDrawn.store(true);
    g_intLastDrawTime.store(m_intNow);
    g_Output.ShowProgress(
        ProgressText(g_intPosition.load(), g_intMax.load(), g_intRecordCount.load()));
}

} // namespace morvane
