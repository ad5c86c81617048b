#include "engine/canvas.h"

#include <cstdio>

#include "engine/bridge_protocol.h"

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
    using namespace protocol::paint;
    nlohmann::json out = nlohmann::json::array();
    for (const CanvasItem& i : items_) {
        const Rect& r = i.rect;
        nlohmann::json a = nlohmann::json::array();
        auto box = [&](const char* kind) {
            a[kKind] = kind;
            a[kLeft] = r.left;
            a[kTop] = r.top;
            a[kWidth] = r.width();
            a[kHeight] = r.height();
        };
        switch (i.kind) {
            case CanvasItem::Kind::Fill:
                box(kFill);
                a[kFillColor] = CssColor(i.color);
                break;
            case CanvasItem::Kind::RoundRect:
                box(kRoundRect);
                a[kRadius] = i.radius;
                a[kRoundFill] = CssColor(i.color);
                a[kBorderColor] = CssColor(i.color2);
                a[kBorderWidth] = i.width;
                break;
            case CanvasItem::Kind::Gradient:
                box(kGradient);
                a[kGradientTop] = CssColor(i.color);
                a[kGradientBottom] = CssColor(i.color2);
                break;
            case CanvasItem::Kind::Line:
                a[kKind] = kLine;
                a[kX1] = r.left;
                a[kY1] = r.top;
                a[kX2] = r.right;
                a[kY2] = r.bottom;
                a[kLineColor] = CssColor(i.color);
                a[kLineWidth] = i.width;
                break;
            case CanvasItem::Kind::Text:
                box(kText);
                a[kTextColor] = CssColor(i.color);
                a[kTextValue] = i.text;
                a[kAlign] = static_cast<int>(i.style.align);
                a[kVAlign] = static_cast<int>(i.style.valign);
                a[kSize] = i.style.size;
                a[kBold] = i.style.bold ? 1 : 0;
                a[kEllipsis] = i.style.ellipsis ? 1 : 0;
                a[kFont] = i.style.font;
                break;
            case CanvasItem::Kind::Bitmap:
                box(kBitmap);
                a[kSrc] = i.text;
                break;
        }
        out.push_back(std::move(a));
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
