#include "u_GridLineDelegate.h"

#include "u_ThemeColours.h"

#include <QPainter>

namespace morvane {

void TGridLineDelegate::paint(QPainter* p_Painter, const QStyleOptionViewItem& p_Option,
                              const QModelIndex& p_Index) const {
    QStyledItemDelegate::paint(p_Painter, p_Option, p_Index);
    p_Painter->save();
    p_Painter->setPen(GridLineColour(p_Option.palette));
    const QRect& m_Rect = p_Option.rect;
    p_Painter->drawLine(m_Rect.topRight(), m_Rect.bottomRight());
    p_Painter->drawLine(m_Rect.bottomLeft(), m_Rect.bottomRight());
    p_Painter->restore();
}

} // namespace morvane
