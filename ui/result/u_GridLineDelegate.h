#pragma once
// Draws the grid lines of a report-style list: Qt's item views have none of their own.

#include <QStyledItemDelegate>

namespace morvane {

class TGridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p_Painter, const QStyleOptionViewItem& p_Option,
               const QModelIndex& p_Index) const override;
};

} // namespace morvane
