#pragma once
// Keeping windows on the screen: the design sizes are for a large screen at 100 %, while at 200 %
// a 1920 x 1080 screen has room for 960 x 540 and a small one for 800 x 600. Every window opens
// no larger than the screen's available area, never asks for a minimum the screen cannot give, and
// is brought back onto the screen when it is shown again (a screen may have changed meanwhile).

#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace morvane {

// The available area (without panels) of the screen the window is on, or of the primary screen.
QRect AvailableGeometry(const QWidget* p_Window);
// Fits every window to this area instead of its screen's (tests); nullopt restores the screens.
void SetAvailableGeometryForTesting(const std::optional<QRect>& p_Geometry);

// What the window's frame adds to its client size; nothing before the frame is known.
QSize FrameExtra(const QWidget* p_Window);

// The client size for an outer size of p_OuterSize, cut so that the outer size fits p_Available.
QSize FitClientSize(const QSize& p_OuterSize, const QSize& p_Frame, const QRect& p_Available);

// p_Frame shrunk to fit p_Available and then moved inside it.
QRect ClampIntoArea(const QRect& p_Frame, const QRect& p_Available);

// Gives a window its design client size, cut to the screen, centred on the screen.
void PlaceCentred(QWidget* p_Window, const QSize& p_DesignClientSize);

// Shrinks and moves a window whose frame is partly off the screen until all of it is on it.
void KeepOnScreen(QWidget* p_Window);

} // namespace morvane
