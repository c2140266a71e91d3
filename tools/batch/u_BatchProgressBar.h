#pragma once
// TBatchProgressBar: the result window's progress bar without a window. It keeps the files met
// (position), the files counted (maximum) and the matches so far, and shows them as one line on
// stderr while stderr is a terminal.

#include "core/u_UiInterfaces.h"
#include "u_BatchOutput.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace morvane {

class TBatchProgressBar : public TProgressBar {
public:
    explicit TBatchProgressBar(TBatchOutput& p_Output) : g_Output(p_Output) {}

    void SetPosition(std::int32_t p_intPosition) override;
    void SetMax(std::int32_t p_intMax) override;
    // The number of records so far, from the page-count callback.
    void SetRecordCount(std::int32_t p_intRecordCount);

    std::int32_t Position() const { return g_intPosition.load(); }
    std::int32_t Max() const { return g_intMax.load(); }
    std::int32_t RecordCount() const { return g_intRecordCount.load(); }

    // "12/340 个文件，匹配 5 个": files met out of files counted, matches so far.
    static std::string ProgressText(std::int32_t p_intPosition, std::int32_t p_intMax,
                                    std::int32_t p_intRecordCount);

private:
    void Redraw();

    // A terminal redrawn for every file would slow the task down to its speed.
    static constexpr std::uint32_t kRedrawIntervalMs = 100;

    TBatchOutput& g_Output;
    // Written by the workers (inside their hand-offs), read by the main thread at the end.
    std::atomic<std::int32_t> g_intPosition{0};
    std::atomic<std::int32_t> g_intMax{0};
    std::atomic<std::int32_t> g_intRecordCount{0};
    std::atomic<bool> g_IsDrawn{false};
    std::atomic<std::uint32_t> g_intLastDrawTime{0};
};

} // namespace morvane
