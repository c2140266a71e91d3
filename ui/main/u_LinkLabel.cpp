#include "u_LinkLabel.h"

#include <QMouseEvent>

namespace morvane {

TLinkLabel::TLinkLabel(QWidget* p_Parent) : QLabel(p_Parent) {
    setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::enterEvent(QEnterEvent* p_Event) {
    QLabel::enterEvent(p_Event);
    emit mouseEntered();
}

void TLinkLabel::leaveEvent(QEvent* p_Event) {
    QLabel::leaveEvent(p_Event);
    emit mouseLeft();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* p_Event) {
    QLabel::mouseReleaseEvent(p_Event);
    if (p_Event->button() == Qt::LeftButton && rect().contains(p_Event->position().toPoint())) {
        emit clicked();
    }
}

} // namespace morvane
