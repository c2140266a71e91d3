#include "u_BatchListView.h"

namespace morvane {

void TBatchListView::AddRow(const std::u16string& /*p_strCaption*/, int /*p_intImageIndex*/,
                            const std::vector<std::u16string>& /*p_arrSubItems*/) {
    g_intRowCount.fetch_add(1);
}

} // namespace morvane
