#include "ui/frame_geometry.h"

#include <cstdlib>
#include <iterator>

namespace dorvath {

const char* FrameZoneName(FrameZone zone) {
    // In the order of FrameZone.
    static constexpr const char* kNames[] = {"client",   "caption",    "sysmenu",    "left",
                                             "right",    "top",        "bottom",     "topleft",
                                             "topright", "bottomleft", "bottomright"};
    static_assert(std::size(kNames) == static_cast<size_t>(FrameZone::BottomRight) + 1);
    const auto i = static_cast<size_t>(zone);
    return i < std::size(kNames) ? kNames[i] : "client";
}

FrameZone FrameHitTest(const FrameBoxes& boxes, bool maximized, int x, int y) {
    if (maximized) return FrameZone::Client;
    if (boxes.caption.contains(x, y)) return FrameZone::Caption;
    if (boxes.icon.contains(x, y)) return FrameZone::SysMenu;

    const Rect& b = boxes.body;
    if (b.contains(x, y)) return FrameZone::Client;

    // In the padding around the body, or beyond it: corners first, then the edges.
    if (y < b.top + kFrameCornerSize) {
        if (x < b.left + kFrameCornerSize) return FrameZone::TopLeft;
        if (x > b.right - kFrameCornerSize) return FrameZone::TopRight;
    } else if (y > b.bottom - kFrameCornerSize) {
        if (x < b.left + kFrameCornerSize) return FrameZone::BottomLeft;
        if (x > b.right - kFrameCornerSize) return FrameZone::BottomRight;
    }
    if (y < b.top) return FrameZone::Top;
    if (y > b.bottom) return FrameZone::Bottom;
    if (x < b.left) return FrameZone::Left;
    if (x > b.right) return FrameZone::Right;
    return FrameZone::Client;
}

namespace {

bool Near(int a, int b) { return std::abs(a - b) < 3; }

}  // namespace

Rect MaximizedWorkArea(const Rect& desktop, const std::optional<Rect>& taskbar) {
    Rect area = desktop;
    if (!taskbar) return area;
    const Rect& t = *taskbar;
    const int l = desktop.left, tp = desktop.top, r = desktop.right, b = desktop.bottom;
    // Tested in this order; a later match overrides an earlier one.
    if (Near(t.left, l) && Near(t.right, r) && Near(t.bottom, b)) area = {l, tp, r, t.top};
    if (Near(t.left, l) && Near(t.top, tp) && Near(t.bottom, b)) area = {t.right, tp, r, b};
    if (Near(t.left, l) && Near(t.top, tp) && Near(t.right, r)) area = {l, t.bottom, r, b};
    if (Near(t.top, tp) && Near(t.right, r) && Near(t.bottom, b)) area = {l, tp, t.left, b};
    return area;
}

}  // namespace dorvath
