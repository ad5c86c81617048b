#include "ui/lap_list.h"

#include <set>

#include "ui/value_format.h"

namespace dorvath {

CLapList::CLapList(HtmlEngine& engine, EventLoop& loop, FramePath frame, std::vector<Lap>& laps,
                   const DeviceSettings& settings)
    : COwnerListView(engine, loop, std::move(frame), kControl), laps_(laps), settings_(settings) {}

ListSetup CLapList::columns() const { return singleColumn(kRowHeight); }

void CLapList::selectAll() {
    std::set<int> all;
    for (int i = 0; i < count(); ++i) all.insert(i);
    engine_.widgets().setListSelection(frame_, ctl_, all, state().selectionMark);
    repaint();
}

void CLapList::onWidget(const WidgetEvent& e) {
    if (e.kind == WidgetEvent::Kind::Key && (e.keys & kMkControl) &&
        (e.key == "a" || e.key == "A")) {
        selectAll();
        return;
    }
    COwnerListView::onWidget(e);
}

void CLapList::drawRow(Canvas& c, int row, Rect r) const {
    const Lap& l = laps_[row];
    const Color black = Rgb(0, 0, 0);
    TextStyle left, right;
    right.align = Align::Right;
    c.text(Rect{r.left + 4, r.top, r.right, r.bottom}, FormatLapLabel(l.sindex + 1, l.time), black,
           left);
    c.text(Rect{r.left + 90, r.top, r.right, r.bottom}, FormatPace(l.pace), black, left);
    c.text(Rect{r.left, r.top, r.right - 72, r.bottom}, FormatEnergy(l.kcal), black, right);
    c.text(Rect{r.left, r.top, r.right, r.bottom},
           FormatDistance(l.dist, FormatSettings::of(settings_)), black, right);
    ListRowPainter::bottomLine(c, r);
}

}  // namespace dorvath
