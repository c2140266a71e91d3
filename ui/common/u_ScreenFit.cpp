#include "u_ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace morvane {

namespace {

std::optional<QRect> g_AvailableForTesting; // user-interface thread only

} // namespace

QRect AvailableGeometry(const QWidget* p_Window) {
    if (g_AvailableForTesting) {
        return *g_AvailableForTesting;
    }
    const QScreen* m_Screen = p_Window != nullptr ? p_Window->screen() : nullptr;
    if (m_Screen == nullptr) {
        m_Screen = QGuiApplication::primaryScreen();
    }
    return m_Screen != nullptr ? m_Screen->availableGeometry() : QRect();
}

void SetAvailableGeometryForTesting(const std::optional<QRect>& p_Geometry) {
    g_AvailableForTesting = p_Geometry;
}

QSize FrameExtra(const QWidget* p_Window) {
    if (!p_Window->isWindow()) {
        return {0, 0};
    }
    const QSize m_Extra = p_Window->frameGeometry().size() - p_Window->size();
    return m_Extra.expandedTo(QSize(0, 0));
}

QSize FitClientSize(const QSize& p_OuterSize, const QSize& p_Frame, const QRect& p_Available) {
    if (p_Available.isEmpty()) {
        return p_OuterSize - p_Frame;
    }
    return p_OuterSize.boundedTo(p_Available.size()) - p_Frame;
}

QRect ClampIntoArea(const QRect& p_Frame, const QRect& p_Available) {
    if (p_Available.isEmpty()) {
        return p_Frame;
    }
    QRect m_Frame(p_Frame.topLeft(), p_Frame.size().boundedTo(p_Available.size()));
    m_Frame.moveLeft(
        std::clamp(m_Frame.left(), p_Available.left(), p_Available.right() - m_Frame.width() + 1));
    m_Frame.moveTop(
        std::clamp(m_Frame.top(), p_Available.top(), p_Available.bottom() - m_Frame.height() + 1));
    return m_Frame;
}

void PlaceCentred(QWidget* p_Window, const QSize& p_DesignClientSize) {
    const QRect m_Available = AvailableGeometry(p_Window);
    const QSize m_Frame = FrameExtra(p_Window);
    p_Window->resize(FitClientSize(p_DesignClientSize + m_Frame, m_Frame, m_Available)
                         .expandedTo(p_Window->minimumSize()));
    if (!m_Available.isEmpty()) {
        QRect m_Outer(QPoint(0, 0), p_Window->size() + m_Frame);
        m_Outer.moveCenter(m_Available.center());
        p_Window->move(ClampIntoArea(m_Outer, m_Available).topLeft());
    }
}

void KeepOnScreen(QWidget* p_Window) {
    const QRect m_Available = AvailableGeometry(p_Window);
    const QRect m_Frame = p_Window->frameGeometry();
    const QRect m_Clamped = ClampIntoArea(m_Frame, m_Available);
    if (m_Clamped == m_Frame) {
        return;
    }
    if (m_Clamped.size() != m_Frame.size()) {
        p_Window->resize((m_Clamped.size() - FrameExtra(p_Window)).expandedTo(QSize(1, 1)));
    }
    // move() places the frame's top-left corner for a window.
    p_Window->move(m_Clamped.topLeft());
}

} // namespace morvane
