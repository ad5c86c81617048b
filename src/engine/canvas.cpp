#include "engine/canvas.h"

#include <cstdio>

namespace dorvath {

std::string CssColor(Color c) {
    static const char* hex = "0123456789abcdef";
    if (c.a == 255)
        return std::string{'#',           hex[c.r >> 4], hex[c.r & 15], hex[c.g >> 4],
                           hex[c.g & 15], hex[c.b >> 4], hex[c.b & 15]};
    // Alpha in thousandths, written without the locale's decimal point.
    int milli = (c.a * 1000 + 127) / 255;
    char buf[48];
    std::snprintf(buf, sizeof buf, "rgba(%d,%d,%d,%d.%03d)", c.r, c.g, c.b, milli / 1000,
                  milli % 1000);
    return buf;
}

void Canvas::fill(Rect r, Color c) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::Fill;
    i.rect = r;
    i.color = c;
    items_.push_back(std::move(i));
}

void Canvas::roundRect(Rect r, int radius, Color fill, Color border, int borderWidth) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::RoundRect;
    i.rect = r;
    i.radius = radius;
    i.color = fill;
    i.color2 = border;
    i.width = borderWidth;
    items_.push_back(std::move(i));
}

void Canvas::gradient(Rect r, Color top, Color bottom) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::Gradient;
    i.rect = r;
    i.color = top;
    i.color2 = bottom;
    items_.push_back(std::move(i));
}

void Canvas::line(int x1, int y1, int x2, int y2, Color c, int width) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::Line;
    i.rect = Rect{x1, y1, x2, y2};
    i.color = c;
    i.width = width;
    items_.push_back(std::move(i));
}

void Canvas::text(Rect box, std::string_view utf8, Color c, const TextStyle& style) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::Text;
    i.rect = box;
    i.color = c;
    i.text = std::string(utf8);
    i.style = style;
    items_.push_back(std::move(i));
}

void Canvas::bitmap(Rect r, std::string_view src) {
    CanvasItem i;
    i.kind = CanvasItem::Kind::Bitmap;
    i.rect = r;
    i.text = std::string(src);
    items_.push_back(std::move(i));
}

nlohmann::json Canvas::toJson() const {
    nlohmann::json out = nlohmann::json::array();
    for (const CanvasItem& i : items_) {
        const Rect& r = i.rect;
        switch (i.kind) {
            case CanvasItem::Kind::Fill:
                out.push_back({"f", r.left, r.top, r.width(), r.height(), CssColor(i.color)});
                break;
            case CanvasItem::Kind::RoundRect:
                out.push_back({"r", r.left, r.top, r.width(), r.height(), i.radius,
                               CssColor(i.color), CssColor(i.color2), i.width});
                break;
            case CanvasItem::Kind::Gradient:
                out.push_back({"g", r.left, r.top, r.width(), r.height(), CssColor(i.color),
                               CssColor(i.color2)});
                break;
            case CanvasItem::Kind::Line:
                out.push_back({"l", r.left, r.top, r.right, r.bottom, CssColor(i.color), i.width});
                break;
            case CanvasItem::Kind::Text:
                out.push_back({"t", r.left, r.top, r.width(), r.height(), CssColor(i.color), i.text,
                               static_cast<int>(i.style.align), static_cast<int>(i.style.valign),
                               i.style.size, i.style.bold ? 1 : 0, i.style.ellipsis ? 1 : 0,
                               i.style.font});
                break;
            case CanvasItem::Kind::Bitmap:
                out.push_back({"b", r.left, r.top, r.width(), r.height(), i.text});
                break;
        }
    }
    return out;
}

std::string Canvas::texts() const {
    std::string out;
    for (const CanvasItem& i : items_) {
        if (i.kind != CanvasItem::Kind::Text) continue;
        if (!out.empty()) out += '\n';
        out += i.text;
    }
    return out;
}

}  // namespace dorvath
