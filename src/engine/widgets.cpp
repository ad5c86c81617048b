#include "engine/widgets.h"

#include <algorithm>

#include "engine/bridge_protocol.h"
#include "engine/engine_core.h"

namespace dorvath {

namespace proto = protocol;
using json = nlohmann::json;

// Kept per control and operation.
void Widgets::sendKept(const FramePath& f, int ctl, json body) {
    std::string key = KeptKey(f, proto::OpName(body).c_str(), std::to_string(ctl));
    core_.send.sendKept(f, key, std::move(body));
}

void Widgets::paint(const FramePath& f, int ctl, const Canvas& c) {
    std::lock_guard lock(core_.mutex);
    sendKept(f, ctl, proto::Paint(f, ctl, c));
}

void Widgets::drawChart(const FramePath& f, int ctl, const LineChart& chart) {
    std::lock_guard lock(core_.mutex);
    sendKept(f, ctl, proto::Chart(f, ctl, &chart));
}

void Widgets::clearChart(const FramePath& f, int ctl) {
    std::lock_guard lock(core_.mutex);
    sendKept(f, ctl, proto::Chart(f, ctl, nullptr));
}

void Widgets::tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y) {
    std::lock_guard lock(core_.mutex);
    core_.send.send({}, proto::Tooltip(f, ctl, text, x, y));
}

void Widgets::setupList(const FramePath& f, int ctl, const ListSetup& s) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    st.columnWidths.clear();
    for (const ListColumn& c : s.columns) st.columnWidths.push_back(c.width);
    sendKept(f, ctl, proto::ListSetupOp(f, ctl, s));
}

void Widgets::sendCountAndSelection(const FramePath& f, int ctl, const ListViewState& st) {
    sendKept(f, ctl, proto::ListCount(f, ctl, st.count));
    sendKept(f, ctl, proto::ListSel(f, ctl, st.selected, st.selectionMark));
}

void Widgets::setListCount(const FramePath& f, int ctl, int count) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    st.count = std::max(0, count);
    st.selected.erase(st.selected.lower_bound(st.count), st.selected.end());
    if (st.selectionMark >= st.count) st.selectionMark = -1;
    if (st.focused >= st.count) st.focused = -1;
    sendCountAndSelection(f, ctl, st);
}

void Widgets::resetList(const FramePath& f, int ctl) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    st.count = 0;
    st.selected.clear();
    st.selectionMark = st.focused = -1;
    st.top = 0;
    sendCountAndSelection(f, ctl, st);
}

void Widgets::deleteListRow(const FramePath& f, int ctl, int row) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    if (row < 0 || row >= st.count) return;
    std::set<int> sel;
    for (int r : st.selected)
        if (r != row) sel.insert(r > row ? r - 1 : r);
    st.selected = std::move(sel);
    auto shift = [row](int& v) {
        if (v == row)
            v = -1;
        else if (v > row)
            --v;
    };
    shift(st.selectionMark);
    shift(st.focused);
    --st.count;
    sendCountAndSelection(f, ctl, st);
}

void Widgets::setListSelection(const FramePath& f, int ctl, const std::set<int>& rows, int mark) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    st.selected.clear();
    for (int r : rows)
        if (r >= 0 && r < st.count) st.selected.insert(r);
    st.selectionMark = mark >= 0 && mark < st.count ? mark : -1;
    sendKept(f, ctl, proto::ListSel(f, ctl, st.selected, st.selectionMark));
}

void Widgets::setListColumnWidth(const FramePath& f, int ctl, int column, int width) {
    std::lock_guard lock(core_.mutex);
    auto& st = core_.mirror.at(f).lists[ctl];
    if (column < 0) return;
    if (static_cast<size_t>(column) >= st.columnWidths.size()) st.columnWidths.resize(column + 1);
    st.columnWidths[column] = width;
    core_.send.sendKept(
        f, KeptKey(f, proto::op::kListColW, std::to_string(ctl), std::to_string(column)),
        proto::ListColW(f, ctl, column, width));
}

void Widgets::ensureListRowVisible(const FramePath& f, int ctl, int row) {
    std::lock_guard lock(core_.mutex);
    core_.send.send({}, proto::ListShow(f, ctl, row));
}

void Widgets::paintListRows(const FramePath& f, int ctl, int from,
                            const std::vector<Canvas>& rows) {
    std::lock_guard lock(core_.mutex);
    core_.send.send({}, proto::Rows(f, ctl, from, rows));
}

void Widgets::invalidateList(const FramePath& f, int ctl, int from, int to) {
    std::lock_guard lock(core_.mutex);
    core_.send.send({}, proto::ListInval(f, ctl, from, to));
}

ListViewState Widgets::listState(const FramePath& f, int ctl) const {
    std::lock_guard lock(core_.mutex);
    return core_.mirror.list(f, ctl);
}

}  // namespace dorvath
