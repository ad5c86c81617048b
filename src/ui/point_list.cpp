#include "ui/point_list.h"

#include <string>

#include "data/c_format.h"
#include "ui/value_format.h"

namespace dorvath {
namespace {

const ListColumn kColumns[] = {
    {"インデックス", 100, Align::Left}, {"時間", 160, Align::Left},   {"緯度", 120, Align::Left},
    {"経度", 120, Align::Left},         {"距離", 80, Align::Right},   {"速度", 80, Align::Right},
    {"カロリー", 80, Align::Right},     {"ペース", 80, Align::Right}, {"高度", 80, Align::Right},
};
constexpr Color kGridLine = Rgb(226, 230, 236);

}  // namespace

CPointList::CPointList(HtmlEngine& engine, EventLoop& loop, FramePath frame,
                       std::vector<TrackPoint>& points, const DeviceSettings& settings)
    : COwnerListView(engine, loop, std::move(frame), kControl),
      points_(points),
      settings_(settings) {}

ListSetup CPointList::columns() const {
    ListSetup s;
    s.columns.assign(std::begin(kColumns), std::end(kColumns));
    s.rowHeight = kRowHeight;
    s.header = true;
    return s;
}

void CPointList::onWidget(const WidgetEvent& e) {
    // The list starts on a hidden tab, where its header measured no height; set up again
    // once it has a size, so the header is laid out where it shows.
    if (e.kind == WidgetEvent::Kind::Size && e.width > 0 && e.height > 0) setup();
    COwnerListView::onWidget(e);
}

int CPointList::rowWidth() const {
    int w = 0;
    for (const ListColumn& c : kColumns) w += c.width;
    return w;
}

void CPointList::drawRow(Canvas& c, int row, Rect r) const {
    const TrackPoint& p = points_[row];
    const FormatSettings fs = FormatSettings::of(settings_);
    const std::string cells[] = {
        CFormat("%d", row + 1),  FormatDateAndTime(p.time, fs), FormatCoordinate(p.lat),
        FormatCoordinate(p.lng), FormatDistance(p.dist, fs),    FormatSpeed(p.speed, fs),
        FormatEnergy(p.kcal),    FormatPace(p.speed),           FormatAltitude(p.atli, fs),
    };
    int x = r.left;
    for (int i = 0; i < 9; ++i) {
        const ListColumn& col = kColumns[i];
        Rect box{x, r.top, x + col.width, r.bottom};
        TextStyle st;
        st.align = col.align;
        Rect text = box;
        if (col.align == Align::Right)
            text.right -= 2;
        else if (i != 1)  // the time starts at its box's edge
            text.left += 2;
        c.text(text, cells[i], Rgb(0, 0, 0), st);
        // grid lines
        c.fill(Rect{box.right - 1, r.top, box.right, r.bottom}, kGridLine);
        x = box.right;
    }
    c.fill(Rect{r.left, r.bottom - 1, x, r.bottom}, kGridLine);
}

}  // namespace dorvath
