#pragma once
// TLinkLabel: a static text that acts as a link: it reports the mouse entering and leaving it
// and a click of the left button released over it. Its look is left to the window that owns it.

#include <QLabel>

namespace morvane {

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* p_Parent = nullptr);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void enterEvent(QEnterEvent* p_Event) override;
    void leaveEvent(QEvent* p_Event) override;
    void mouseReleaseEvent(QMouseEvent* p_Event) override;
};

} // namespace morvane
