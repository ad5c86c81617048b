#include "ui/track_list.h"

#include "data/c_format.h"
#include "ui/value_format.h"

namespace dorvath {

CTrackList::CTrackList(HtmlEngine& engine, EventLoop& loop, FramePath frame,
                       std::vector<Track>& tracks, const DeviceSettings& settings)
    : COwnerListView(engine, loop, std::move(frame), kControl),
      tracks_(tracks),
      settings_(settings) {}

ListSetup CTrackList::columns() const { return singleColumn(kRowHeight); }

void CTrackList::fill() {
    openRow_ = -1;
    COwnerListView::fill();
}

const Track* CTrackList::openTrack() const {
    return openRow_ >= 0 && openRow_ < count() ? &tracks_[openRow_] : nullptr;
}

void CTrackList::setOpenRow(int row) {
    const int old = openRow_;
    openRow_ = row >= 0 && row < count() ? row : -1;
    if (old >= 0) repaint(old);
    if (openRow_ >= 0) repaint(openRow_);
}

void CTrackList::drawRow(Canvas& c, int row, Rect r) const {
    const Track& t = tracks_[row];
    const FormatSettings fs = FormatSettings::of(settings_);
    const Color black = Rgb(0, 0, 0);
    TextStyle left, right;
    right.align = Align::Right;
    c.text(Rect{r.left + 2, r.top, r.right - 25, r.top + 20},
           FormatTimeRange(FormatClockMinutes(t.stime, fs), FormatClockMinutes(t.etime, fs)), black,
           left);
    c.text(Rect{r.left + 2, r.top, r.right - 25, r.top + 20}, FormatDuration(t.elapsed), black,
           right);
    c.text(Rect{r.left + 2, r.top + 20, r.right, r.top + 40}, "ペース:" + FormatPace(t.pace), black,
           left);
    c.text(Rect{r.left + 2, r.top + 20, r.right - 110, r.top + 40}, FormatEnergy(t.kcal), black,
           right);
    c.text(Rect{r.left + 2, r.top + 20, r.right - 4, r.top + 40},
           "距離:" + FormatDistance(t.dist, fs), black, right);
    ListRowPainter::bottomLine(c, r);
    if (row == openRow_)
        c.bitmap(Rect{r.right - 18, r.top + 4, r.right - 2, r.top + 20}, kOpenMarker);
}

}  // namespace dorvath
