#include "engine/html_engine.h"

#include <algorithm>
#include <cctype>

#include "engine/bridge_protocol.h"
#include "engine/engine_json.h"

namespace dorvath {

using namespace engine_detail;
namespace proto = protocol;
namespace key = protocol::key;

// ---- operations and kept state ----

const std::string& Operation::op() const { return body.at(key::kOp).get_ref<const std::string&>(); }

const FramePath& Operation::frame() const {
    return body.at(key::kFrame).get_ref<const std::string&>();
}

void FrameState::set(const std::string& key, const json& body) {
    // Latest-set order: a value set again moves behind what was set in between, as its
    // effect on the page does.
    auto it = std::find(order.begin(), order.end(), key);
    if (it != order.end()) order.erase(it);
    order.push_back(key);
    ops[key] = body;
}

void FrameState::append(const std::string& key, const json& body) {
    std::string unique = '\x01' + std::to_string(++appended) + key;
    order.push_back(unique);
    ops[unique] = body;
    // Bounded: the oldest of these give way first.
    if (appended > kMaxAppended) {
        for (auto it = order.begin(); it != order.end(); ++it)
            if (it->front() == '\x01') {
                ops.erase(*it);
                order.erase(it);
                break;
            }
    }
}

void FrameState::clear() {
    appended = 0;
    order.clear();
    ops.clear();
}

HtmlEngine::HtmlEngine() = default;
HtmlEngine::~HtmlEngine() = default;

void HtmlEngine::emit(const std::string& key, json body) {
    submit(Operation{key, std::move(body)});
}

void HtmlEngine::keep(const FramePath& f, const std::string& key, const json& body) {
    frames_[f].set(key, body);
}

void HtmlEngine::dropFrames(const FramePath& f) {
    for (auto it = frames_.begin(); it != frames_.end();) {
        if (IsSameOrBelow(f, it->first))
            it = frames_.erase(it);
        else
            ++it;
    }
    for (auto it = mirror_.begin(); it != mirror_.end();) {
        if (IsSameOrBelow(f, it->first))
            it = mirror_.erase(it);
        else
            ++it;
    }
}

void HtmlEngine::loadPage(const FramePath& frame, const std::string& resource) {
    std::lock_guard lock(mutex_);
    dropFrames(frame);
    frames_[frame].page = resource;
    emit(Key(frame, proto::op::kLoad), proto::LoadPage(frame, resource));
}

void HtmlEngine::loadUrl(const FramePath& frame, const std::string& url) {
    std::lock_guard lock(mutex_);
    dropFrames(frame);
    frames_[frame].page = url;
    emit(Key(frame, proto::op::kLoad), proto::LoadUrl(frame, url));
}

std::string HtmlEngine::page(const FramePath& frame) const {
    std::lock_guard lock(mutex_);
    auto it = frames_.find(frame);
    return it == frames_.end() ? std::string() : it->second.page;
}

void HtmlEngine::elementOp(const FramePath& f, const Element& e, const char* keyOp,
                           const std::string& name, json body) {
    std::lock_guard lock(mutex_);
    keepAddressed(f, e, Key(f, keyOp, e.key(), name), std::move(body));
}

void HtmlEngine::keepAddressed(const FramePath& f, const Element& e, const std::string& key,
                               json body) {
    if (!e.id.empty()) {
        keep(f, key, body);
        emit(key, std::move(body));
        return;
    }
    // What a selector matches depends on what was done before (the lower tabs remove the
    // class of "div.selected", then set it on another tab), so such operations are kept
    // and sent in their order, never merged.
    frames_[f].append(key, body);
    emit({}, std::move(body));
}

void HtmlEngine::setStyle(const FramePath& f, const Element& e, const std::string& name,
                          const std::string& value) {
    elementOp(f, e, proto::op::kStyle, name, proto::Style(f, e, name, value));
}

void HtmlEngine::setAttribute(const FramePath& f, const Element& e, const std::string& name,
                              const std::string& value) {
    elementOp(f, e, proto::op::kAttr, name, proto::Attr(f, e, name, value));
}

void HtmlEngine::removeAttribute(const FramePath& f, const Element& e, const std::string& name) {
    elementOp(f, e, proto::op::kAttr, name, proto::Attr(f, e, name, std::nullopt));
}

// Text and html of one element replace each other.
void HtmlEngine::setText(const FramePath& f, const Element& e, const std::string& utf8) {
    elementOp(f, e, "content", {}, proto::Text(f, e, utf8));
}

void HtmlEngine::setHtml(const FramePath& f, const Element& e, const std::string& html) {
    elementOp(f, e, "content", {}, proto::Html(f, e, html));
}

void HtmlEngine::setState(const FramePath& f, const Element& e, unsigned set, unsigned clear) {
    std::lock_guard lock(mutex_);
    std::string key = Key(f, proto::op::kState, e.key());
    // Successive state changes of one element merge into one net change.
    unsigned s = set, c = clear & ~set;
    auto& fs = frames_[f];
    auto it = fs.ops.find(key);
    if (!e.id.empty() && it != fs.ops.end()) {
        unsigned os = it->second.value(key::kSet, 0u), oc = it->second.value(key::kClear, 0u);
        s = (os & ~clear) | set;
        c = (oc & ~set) | (clear & ~set);
    }
    keepAddressed(f, e, key, proto::State(f, e, s, c));
}

void HtmlEngine::enablePage(const FramePath& f, bool enabled) {
    std::lock_guard lock(mutex_);
    mirror_[f].enabled = enabled;
    json b = proto::Enable(f, enabled);
    std::string key = Key(f, proto::op::kEnable);
    keep(f, key, b);
    emit(key, std::move(b));
}

bool HtmlEngine::pageEnabled(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    return it == mirror_.end() || it->second.enabled;
}

void HtmlEngine::showPopup(const FramePath& f, const Element& e, int x, int y) {
    std::lock_guard lock(mutex_);
    emit(Key(f, proto::op::kPopup, e.key()), proto::ShowPopup(f, e, x, y));
}

void HtmlEngine::hidePopup(const FramePath& f, const Element& e) {
    std::lock_guard lock(mutex_);
    emit(Key(f, proto::op::kPopup, e.key()), proto::HidePopup(f, e));
}

void HtmlEngine::fillForm(const FramePath& f, const FormMap& values) {
    std::lock_guard lock(mutex_);
    auto& m = mirror_[f].form;
    for (const auto& [name, v] : values) {
        m[name] = v;
        keep(f, Key(f, proto::op::kFill, name), proto::Fill(f, {{name, v}}));
    }
    emit({}, proto::Fill(f, values));
}

FormMap HtmlEngine::collectForm(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    return it == mirror_.end() ? FormMap{} : it->second.form;
}

void HtmlEngine::trackGeometry(const FramePath& f, const std::vector<std::string>& ids) {
    std::lock_guard lock(mutex_);
    std::string key = Key(f, proto::op::kTrack);
    std::set<std::string> all(ids.begin(), ids.end());
    auto& fs = frames_[f];
    if (auto it = fs.ops.find(key); it != fs.ops.end())
        for (const json& id : it->second[key::kIds]) all.insert(id.get<std::string>());
    mirror_[f].tracked.insert(ids.begin(), ids.end());
    json b = proto::Track(f, all);
    keep(f, key, b);
    emit(key, std::move(b));
}

std::optional<ElementBox> HtmlEngine::getLocation(const FramePath& f, const std::string& id) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    if (it == mirror_.end()) return std::nullopt;
    auto b = it->second.boxes.find(id);
    if (b == it->second.boxes.end()) return std::nullopt;
    return b->second;
}

std::pair<int, int> HtmlEngine::frameSize(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    return it == mirror_.end() ? std::pair{0, 0} : std::pair{it->second.width, it->second.height};
}

void HtmlEngine::paint(const FramePath& f, int ctl, const Canvas& c) {
    std::lock_guard lock(mutex_);
    json b = proto::Paint(f, ctl, c);
    std::string key = Key(f, proto::op::kPaint, std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::setImage(const FramePath& f, int ctl, const std::string& src) {
    std::lock_guard lock(mutex_);
    json b = proto::Image(f, ctl, src);
    std::string key = Key(f, proto::op::kImage, std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::drawChart(const FramePath& f, int ctl, const LineChart& chart) {
    std::lock_guard lock(mutex_);
    json b = proto::Chart(f, ctl, &chart);
    std::string key = Key(f, proto::op::kChart, std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::clearChart(const FramePath& f, int ctl) {
    std::lock_guard lock(mutex_);
    json b = proto::Chart(f, ctl, nullptr);
    std::string key = Key(f, proto::op::kChart, std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::listOp(const FramePath& f, int ctl, json body, bool kept) {
    std::string key =
        kept ? Key(f, proto::OpName(body).c_str(), std::to_string(ctl)) : std::string();
    if (kept) keep(f, key, body);
    emit(key, std::move(body));
}

void HtmlEngine::setupList(const FramePath& f, int ctl, const ListSetup& s) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.columnWidths.clear();
    for (const ListColumn& c : s.columns) st.columnWidths.push_back(c.width);
    listOp(f, ctl, proto::ListSetupOp(f, ctl, s), true);
}

void HtmlEngine::setListCount(const FramePath& f, int ctl, int count) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.count = std::max(0, count);
    st.selected.erase(st.selected.lower_bound(st.count), st.selected.end());
    if (st.selectionMark >= st.count) st.selectionMark = -1;
    if (st.focused >= st.count) st.focused = -1;
    listOp(f, ctl, proto::ListCount(f, ctl, st.count), true);
    listOp(f, ctl, proto::ListSel(f, ctl, st.selected, st.selectionMark), true);
}

void HtmlEngine::resetList(const FramePath& f, int ctl) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.count = 0;
    st.selected.clear();
    st.selectionMark = st.focused = -1;
    st.top = 0;
    listOp(f, ctl, proto::ListCount(f, ctl, 0), true);
    listOp(f, ctl, proto::ListSel(f, ctl, {}, -1), true);
}

void HtmlEngine::deleteListRow(const FramePath& f, int ctl, int row) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
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
    listOp(f, ctl, proto::ListCount(f, ctl, st.count), true);
    listOp(f, ctl, proto::ListSel(f, ctl, st.selected, st.selectionMark), true);
}

void HtmlEngine::setListSelection(const FramePath& f, int ctl, const std::set<int>& rows,
                                  int mark) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.selected.clear();
    for (int r : rows)
        if (r >= 0 && r < st.count) st.selected.insert(r);
    st.selectionMark = mark >= 0 && mark < st.count ? mark : -1;
    listOp(f, ctl, proto::ListSel(f, ctl, st.selected, st.selectionMark), true);
}

void HtmlEngine::setListColumnWidth(const FramePath& f, int ctl, int column, int width) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    if (column < 0) return;
    if (static_cast<size_t>(column) >= st.columnWidths.size()) st.columnWidths.resize(column + 1);
    st.columnWidths[column] = width;
    std::string key = Key(f, proto::op::kListColW, std::to_string(ctl), std::to_string(column));
    json b = proto::ListColW(f, ctl, column, width);
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::ensureListRowVisible(const FramePath& f, int ctl, int row) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, proto::ListShow(f, ctl, row), false);
}

void HtmlEngine::paintListRows(const FramePath& f, int ctl, int from,
                               const std::vector<Canvas>& rows) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, proto::Rows(f, ctl, from, rows), false);
}

void HtmlEngine::invalidateList(const FramePath& f, int ctl, int from, int to) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, proto::ListInval(f, ctl, from, to), false);
}

ListViewState HtmlEngine::listState(const FramePath& f, int ctl) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    if (it == mirror_.end()) return {};
    auto l = it->second.lists.find(ctl);
    return l == it->second.lists.end() ? ListViewState{} : l->second;
}

void HtmlEngine::tooltip(const FramePath& f, int ctl, const std::string& text, int x, int y) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, proto::Tooltip(f, ctl, text, x, y), false);
}

void HtmlEngine::callFunction(const FramePath& f, const std::string& fn,
                              const std::vector<std::string>& args) {
    std::lock_guard lock(mutex_);
    emit({}, proto::Call(f, fn, args));
}

FramePath HtmlEngine::openDialog(const std::string& resource, const std::string& title) {
    std::lock_guard lock(mutex_);
    FramePath f = "dlg/" + std::to_string(nextDialog_++);
    dropFrames(f);
    frames_[f].page = resource;
    dialogs_.push_back(f);
    json b = proto::OpenDialog(f, resource, title);
    keep(f, Key(f, proto::op::kDialog), b);
    emit(Key(f, proto::op::kDialog), std::move(b));
    return f;
}

void HtmlEngine::closeDialog(const FramePath& dialog) {
    std::lock_guard lock(mutex_);
    auto it = std::find(dialogs_.begin(), dialogs_.end(), dialog);
    if (it == dialogs_.end()) return;
    dialogs_.erase(it);
    dropFrames(dialog);
    emit(Key(dialog, proto::op::kDialog), proto::CloseDialog(dialog));
}

void HtmlEngine::beep(const FramePath& f) {
    std::lock_guard lock(mutex_);
    emit({}, proto::Beep(f));
}

void HtmlEngine::openWindow(const std::string& url) {
    std::lock_guard lock(mutex_);
    emit({}, proto::OpenWindow(url));
}

// ---- replay ----

std::map<FramePath, FrameState> HtmlEngine::state() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<json> HtmlEngine::replayFrame(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    std::vector<json> out;
    auto it = frames_.find(f);
    if (it != frames_.end())
        for (const std::string& key : it->second.order) {
            const json& op = it->second.ops.at(key);
            if (proto::OpName(op) != proto::op::kDialog) out.push_back(op);
        }
    for (const auto& [path, fs] : frames_) {
        if (!IsChildFrame(f, path) || fs.page.empty()) continue;
        out.push_back(proto::Load(path, fs.page));
    }
    if (f.empty())
        for (const FramePath& d : dialogs_) {
            auto fs = frames_.find(d);
            if (fs != frames_.end()) out.push_back(fs->second.ops.at(Key(d, proto::op::kDialog)));
        }
    return out;
}

std::vector<json> HtmlEngine::replay() const {
    std::lock_guard lock(mutex_);
    std::vector<json> out;
    auto top = frames_.find("");
    if (top != frames_.end() && !top->second.page.empty())
        out.push_back(proto::LoadPage("", top->second.page));
    for (const auto& [path, fs] : frames_) {
        auto ops = replayFrame(path);
        out.insert(out.end(), ops.begin(), ops.end());
    }
    return out;
}

}  // namespace dorvath
