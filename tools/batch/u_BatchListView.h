#pragma once
// TBatchListView: the result window's live list without a window. The record lines reach stdout
// through the processing thread's record callback; the rows are only counted, so that the
// sequence numbers the engine derives from the row count stay right.

#include "core/u_UiInterfaces.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

class TBatchListView : public TListView {
public:
    void AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                const std::vector<std::u16string>& p_arrSubItems) override;
    std::int32_t RowCount() const override { return g_intRowCount.load(); }

private:
    std::atomic<std::int32_t> g_intRowCount{0};
};

} // namespace morvane
