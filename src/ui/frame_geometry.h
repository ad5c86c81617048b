#pragma once
// Geometry of the self-drawn frame: which zone of the window a point falls in, and the
// rectangle a maximized window takes beside the taskbar. Pure functions over rectangles, so
// the desktop window and the tests share them.
#include <optional>

#include "engine/canvas.h"

namespace dorvath {

enum class FrameZone {
    Client,
    Caption,  // moves the window
    SysMenu,  // the icon: the window menu
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

const char* FrameZoneName(FrameZone zone);

// The element boxes the hit test needs, relative to the frame page's root element.
struct FrameBoxes {
    Rect caption;  // border box of "caption"
    Rect icon;     // border box of "icon"
    Rect body;     // content box of "body"; outside it lies the sizing border
};

// Corners take this many pixels along each edge.
inline constexpr int kFrameCornerSize = 10;

// The zone of client point (x, y). While maximized everything is client area.
FrameZone FrameHitTest(const FrameBoxes& boxes, bool maximized, int x, int y);

// The rectangle a maximized window takes on `desktop` when the taskbar covers `taskbar`
// (none: the whole desktop). A taskbar edge counts as lying on a desktop edge when the two
// differ by less than 3 pixels.
Rect MaximizedWorkArea(const Rect& desktop, const std::optional<Rect>& taskbar);

}  // namespace dorvath
