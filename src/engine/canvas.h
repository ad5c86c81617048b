#pragma once
// A display list that owner-drawn controls paint into (the calendar, list rows, the
// loading dialog's bitmap). The page runtime renders it as absolutely positioned DOM
// elements, so texts stay selectable and findable. Coordinates are CSS pixels relative
// to the control (or the row), right and bottom exclusive.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace dorvath {

struct Color {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Color&) const = default;
};
constexpr Color Rgb(int r, int g, int b) {
    return Color{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                 static_cast<std::uint8_t>(b), 255};
}
constexpr Color kTransparent{0, 0, 0, 0};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

enum class Align { Left, Center, Right };
enum class VAlign { Top, Middle, Bottom };

struct TextStyle {
    Align align = Align::Left;
    VAlign valign = VAlign::Middle;
    int size = 12;  // px
    bool bold = false;
    bool ellipsis = false;  // cut with "..." rather than wrap
    std::string font;       // CSS font-family; empty: the page's
};

struct CanvasItem {
    enum class Kind { Fill, RoundRect, Gradient, Line, Text, Bitmap };
    Kind kind = Kind::Fill;
    Rect rect;  // for Line: (left, top) to (right, bottom)
    Color color;
    Color color2;  // gradient bottom; round rect border
    int radius = 0;
    int width = 1;     // line width; round rect border width (0: none)
    std::string text;  // text, or bitmap source URL
    TextStyle style;
};

class Canvas {
  public:
    Canvas() = default;
    Canvas(int width, int height) : width_(width), height_(height) {}

    void fill(Rect r, Color c);
    void roundRect(Rect r, int radius, Color fill, Color border = kTransparent,
                   int borderWidth = 0);
    void gradient(Rect r, Color top, Color bottom);  // vertical
    void line(int x1, int y1, int x2, int y2, Color c, int width = 1);
    void text(Rect box, std::string_view utf8, Color c, const TextStyle& style = {});
    void bitmap(Rect r, std::string_view src);  // an image URL ("images/x.png", data:)

    void clear() { items_.clear(); }
    bool empty() const { return items_.empty(); }
    const std::vector<CanvasItem>& items() const { return items_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The list the runtime renders: one short array per item, its slots named in
    // protocol::paint (bridge_protocol.h).
    nlohmann::json toJson() const;
    // All texts, in painting order joined by "\n" (tests).
    std::string texts() const;

  private:
    std::vector<CanvasItem> items_;
    int width_ = 0, height_ = 0;
};

// "#rrggbb" or "rgba(r,g,b,a)".
std::string CssColor(Color c);

}  // namespace dorvath
