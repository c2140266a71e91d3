#pragma once
// What the engine needs of a user interface. The Qt windows, the headless runner and the tests
// each implement these; the engine holds no other reference to windows or controls.
//
// Every method here is called on the user-interface thread only: the workers reach them through
// TThread::Synchronize, never directly.

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

class TProgressBar {
public:
    virtual ~TProgressBar() = default;
    virtual void SetPosition(std::int32_t p_intPosition) = 0;
    virtual void SetMax(std::int32_t p_intMax) = 0;
};

class TListView {
public:
    virtual ~TListView() = default;
    // Appends one report-style row: an (empty) caption with its status image, then the sub-items.
    virtual void AddRow(const std::u16string& p_strCaption, int p_intImageIndex,
                        const std::vector<std::u16string>& p_arrSubItems) = 0;
    virtual std::int32_t RowCount() const = 0;
};

} // namespace morvane
