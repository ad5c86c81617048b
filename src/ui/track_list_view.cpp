#include "ui/track_list_view.h"

#include "ui/messages.h"

namespace dorvath {

void ListRowPainter::background(Canvas& c, Rect r, bool selected) {
    c.fill(r, kWindow);
    if (!selected) return;
    auto shrink = [](Rect x) { return Rect{x.left + 1, x.top + 1, x.right - 1, x.bottom - 1}; };
    Rect outer = shrink(r), inner = shrink(outer), body = shrink(inner);
    c.roundRect(outer, 3, kTransparent, kOuterPen, 1);
    c.roundRect(inner, 1, kTransparent, kInnerPen, 1);
    c.gradient(body, kGradientTop, kGradientBottom);
}

void ListRowPainter::bottomLine(Canvas& c, Rect r) {
    c.fill(Rect{r.left, r.bottom - 1, r.right, r.bottom}, kRowLine);
}

COwnerListView::COwnerListView(HtmlEngine& engine, EventLoop& loop, FramePath frame, int ctl)
    : MessageTarget(loop), engine_(engine), frame_(std::move(frame)), ctl_(ctl) {}

void COwnerListView::setup() {
    engine_.widgets().setupList(frame_, ctl_, columns());
    if (fitsColumn()) column0_ = kWideColumn;
}

ListSetup COwnerListView::singleColumn(int rowHeight) {
    ListSetup s;
    s.columns = {ListColumn{"", kWideColumn, Align::Left}};
    s.rowHeight = rowHeight;
    s.header = false;
    return s;
}

void COwnerListView::fill() {
    engine_.widgets().resetList(frame_, ctl_);
    refresh();
}

void COwnerListView::refresh() {
    engine_.widgets().setListCount(frame_, ctl_, count());
    repaint();
}

void COwnerListView::repaint(int row) {
    if (row < 0)
        engine_.widgets().invalidateList(frame_, ctl_);
    else
        engine_.widgets().invalidateList(frame_, ctl_, row, row);
}

Canvas COwnerListView::paintRow(int row) const {
    const int height = columns().rowHeight;
    Canvas c(rowWidth(), height);
    Rect r{0, 0, rowWidth(), height};
    ListRowPainter::background(c, r, state().selected.count(row) > 0);
    if (row >= 0 && row < count()) drawRow(c, row, r);
    return c;
}

void COwnerListView::onWidget(const WidgetEvent& e) {
    switch (e.kind) {
        case WidgetEvent::Kind::Rows: {
            std::vector<Canvas> rows;
            for (int i = e.from; i <= e.to && i < count(); ++i) rows.push_back(paintRow(i));
            if (!rows.empty()) engine_.widgets().paintListRows(frame_, ctl_, e.from, rows);
            break;
        }
        case WidgetEvent::Kind::Scroll:
        case WidgetEvent::Kind::Size:
            if (fitsColumn()) fitColumn();
            break;
        default:
            break;
    }
}

void COwnerListView::fitColumn() {
    const bool vscroll = state().vscroll;
    if (vscroll && column0_ == kWideColumn)
        loop().post(handle(), WM_LIST_FIT_COLUMN, kNarrowColumn);
    else if (!vscroll && column0_ == kNarrowColumn)
        loop().post(handle(), WM_LIST_FIT_COLUMN, kWideColumn);
}

std::int64_t COwnerListView::onMessage(const Message& m) {
    if (m.id != WM_LIST_FIT_COLUMN) return 0;
    const int width = static_cast<int>(m.wParam);
    if (width <= 0 || width == column0_) return 0;
    column0_ = width;
    engine_.widgets().setListColumnWidth(frame_, ctl_, 0, width);
    repaint();
    return 0;
}

}  // namespace dorvath
