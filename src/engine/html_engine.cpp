#include "engine/html_engine.h"

#include <algorithm>
#include <cctype>

namespace dorvath {
namespace {

using json = nlohmann::json;

void PutElement(json& body, const Element& e) {
    if (!e.id.empty())
        body["id"] = e.id;
    else
        body["sel"] = e.selector;
}

std::string Key(const FramePath& f, const char* op, const std::string& a = {},
                const std::string& b = {}) {
    std::string k = f;
    k += '|';
    k += op;
    k += '|';
    k += a;
    k += '|';
    k += b;
    return k;
}

bool IsChildFrame(const FramePath& parent, const FramePath& child) {
    if (child.rfind("dlg/", 0) == 0 && parent.empty()) return false;
    if (parent.empty()) return !child.empty() && child.find('/') == std::string::npos;
    if (child.size() <= parent.size() + 1 || child.compare(0, parent.size(), parent) != 0 ||
        child[parent.size()] != '/')
        return false;
    return child.find('/', parent.size() + 1) == std::string::npos;
}

bool IsSameOrBelow(const FramePath& parent, const FramePath& f) {
    if (parent.empty()) return f.rfind("dlg/", 0) != 0;
    return f == parent || (f.size() > parent.size() && f.compare(0, parent.size(), parent) == 0 &&
                           f[parent.size()] == '/');
}

json Ranges(const std::set<int>& rows) {
    json out = json::array();
    int start = -2, last = -2;
    for (int r : rows) {
        if (r == last + 1) {
            last = r;
            continue;
        }
        if (start >= 0) out.push_back({start, last});
        start = last = r;
    }
    if (start >= 0) out.push_back({start, last});
    return out;
}

std::set<int> FromRanges(const json& j, int limit) {
    std::set<int> out;
    if (!j.is_array()) return out;
    for (const json& r : j) {
        if (!r.is_array() || r.size() != 2 || !r[0].is_number_integer() ||
            !r[1].is_number_integer())
            continue;
        long long a = std::max<long long>(0, r[0].get<long long>());
        long long b = std::min<long long>(limit - 1, r[1].get<long long>());
        for (long long i = a; i <= b; ++i) out.insert(out.end(), static_cast<int>(i));
    }
    return out;
}

int Int(const json& j, const char* name, int dflt = 0) {
    auto it = j.find(name);
    if (it == j.end() || !it->is_number()) return dflt;
    double v = it->get<double>();
    if (v < -2e9 || v > 2e9) return dflt;
    return static_cast<int>(v);
}

std::string Str(const json& j, const char* name) {
    auto it = j.find(name);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

// ---- form values ----

std::int64_t FormInt(const FormValue& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return 0;
}

std::string FormText(const FormValue& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto b = std::get_if<bool>(&v)) return *b ? "1" : "0";
    return {};
}

json FormToJson(const FormMap& m) {
    json out = json::object();
    for (const auto& [name, v] : m) {
        if (auto i = std::get_if<std::int64_t>(&v))
            out[name] = *i;
        else if (auto s = std::get_if<std::string>(&v))
            out[name] = *s;
        else if (auto b = std::get_if<bool>(&v))
            out[name] = *b;
        else
            out[name] = nullptr;
    }
    return out;
}

FormMap FormFromJson(const json& j) {
    FormMap out;
    if (!j.is_object()) return out;
    for (const auto& [name, v] : j.items()) {
        if (v.is_boolean())
            out[name] = v.get<bool>();
        else if (v.is_number_integer())
            out[name] = v.get<std::int64_t>();
        else if (v.is_number_float() && v.get<double>() > -9e18 && v.get<double>() < 9e18)
            out[name] = static_cast<std::int64_t>(v.get<double>());
        else if (v.is_string())
            out[name] = v.get<std::string>();
        else if (v.is_null())
            out[name] = std::monostate{};
    }
    return out;
}

// ---- operations and kept state ----

const std::string& Operation::op() const { return body.at("op").get_ref<const std::string&>(); }

const FramePath& Operation::frame() const { return body.at("frame").get_ref<const std::string&>(); }

void FrameState::set(const std::string& key, const json& body) {
    // Latest-set order: a value set again moves behind what was set in between, as its
    // effect on the page does.
    auto it = std::find(order.begin(), order.end(), key);
    if (it != order.end()) order.erase(it);
    order.push_back(key);
    ops[key] = body;
}

void FrameState::clear() {
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
    emit(Key(frame, "load"), {{"op", "load"}, {"frame", frame}, {"page", resource}});
}

void HtmlEngine::loadUrl(const FramePath& frame, const std::string& url) {
    std::lock_guard lock(mutex_);
    dropFrames(frame);
    frames_[frame].page = url;
    emit(Key(frame, "load"), {{"op", "load"}, {"frame", frame}, {"url", url}});
}

std::string HtmlEngine::page(const FramePath& frame) const {
    std::lock_guard lock(mutex_);
    auto it = frames_.find(frame);
    return it == frames_.end() ? std::string() : it->second.page;
}

void HtmlEngine::elementOp(const FramePath& f, const Element& e, const char* op, const char* keyOp,
                           const std::string& name, json value) {
    std::lock_guard lock(mutex_);
    json b{{"op", op}, {"frame", f}, {"value", std::move(value)}};
    if (!name.empty()) b["name"] = name;
    PutElement(b, e);
    std::string key = Key(f, keyOp, e.key(), name);
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::setStyle(const FramePath& f, const Element& e, const std::string& name,
                          const std::string& value) {
    elementOp(f, e, "style", "style", name, value);
}

void HtmlEngine::setAttribute(const FramePath& f, const Element& e, const std::string& name,
                              const std::string& value) {
    elementOp(f, e, "attr", "attr", name, value);
}

void HtmlEngine::removeAttribute(const FramePath& f, const Element& e, const std::string& name) {
    elementOp(f, e, "attr", "attr", name, nullptr);
}

// Text and html of one element replace each other.
void HtmlEngine::setText(const FramePath& f, const Element& e, const std::string& utf8) {
    elementOp(f, e, "text", "content", {}, utf8);
}

void HtmlEngine::setHtml(const FramePath& f, const Element& e, const std::string& html) {
    elementOp(f, e, "html", "content", {}, html);
}

void HtmlEngine::setState(const FramePath& f, const Element& e, unsigned set, unsigned clear) {
    std::lock_guard lock(mutex_);
    std::string key = Key(f, "state", e.key());
    // Successive state changes of one element merge into one net change.
    unsigned s = set, c = clear & ~set;
    auto& fs = frames_[f];
    auto it = fs.ops.find(key);
    if (it != fs.ops.end()) {
        unsigned os = it->second.value("set", 0u), oc = it->second.value("clear", 0u);
        s = (os & ~clear) | set;
        c = (oc & ~set) | (clear & ~set);
    }
    json b{{"op", "state"}, {"frame", f}, {"set", s}, {"clear", c}};
    PutElement(b, e);
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::enablePage(const FramePath& f, bool enabled) {
    std::lock_guard lock(mutex_);
    mirror_[f].enabled = enabled;
    json b{{"op", "enable"}, {"frame", f}, {"value", enabled}};
    std::string key = Key(f, "enable");
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
    json b{{"op", "popup"}, {"frame", f}, {"show", true}, {"x", x}, {"y", y}};
    PutElement(b, e);
    emit(Key(f, "popup", e.key()), std::move(b));
}

void HtmlEngine::hidePopup(const FramePath& f, const Element& e) {
    std::lock_guard lock(mutex_);
    json b{{"op", "popup"}, {"frame", f}, {"show", false}};
    PutElement(b, e);
    emit(Key(f, "popup", e.key()), std::move(b));
}

void HtmlEngine::fillForm(const FramePath& f, const FormMap& values) {
    std::lock_guard lock(mutex_);
    auto& m = mirror_[f].form;
    for (const auto& [name, v] : values) {
        m[name] = v;
        keep(f, Key(f, "fill", name),
             {{"op", "fill"}, {"frame", f}, {"values", FormToJson({{name, v}})}});
    }
    emit({}, {{"op", "fill"}, {"frame", f}, {"values", FormToJson(values)}});
}

FormMap HtmlEngine::collectForm(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    auto it = mirror_.find(f);
    return it == mirror_.end() ? FormMap{} : it->second.form;
}

void HtmlEngine::trackGeometry(const FramePath& f, const std::vector<std::string>& ids) {
    std::lock_guard lock(mutex_);
    std::string key = Key(f, "track");
    std::set<std::string> all(ids.begin(), ids.end());
    auto& fs = frames_[f];
    if (auto it = fs.ops.find(key); it != fs.ops.end())
        for (const json& id : it->second["ids"]) all.insert(id.get<std::string>());
    json b{{"op", "track"}, {"frame", f}, {"ids", all}};
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
    json b{{"op", "paint"},  {"frame", f},      {"ctl", ctl},
           {"w", c.width()}, {"h", c.height()}, {"items", c.toJson()}};
    std::string key = Key(f, "paint", std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::setImage(const FramePath& f, int ctl, const std::string& src) {
    std::lock_guard lock(mutex_);
    json b{{"op", "image"}, {"frame", f}, {"ctl", ctl}, {"src", src}};
    std::string key = Key(f, "image", std::to_string(ctl));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::listOp(const FramePath& f, int ctl, const char* op, json body, bool kept) {
    body["op"] = op;
    body["frame"] = f;
    body["ctl"] = ctl;
    std::string key = kept ? Key(f, op, std::to_string(ctl)) : std::string();
    if (kept) keep(f, key, body);
    emit(key, std::move(body));
}

void HtmlEngine::setupList(const FramePath& f, int ctl, const ListSetup& s) {
    std::lock_guard lock(mutex_);
    json cols = json::array();
    auto& st = mirror_[f].lists[ctl];
    st.columnWidths.clear();
    for (const ListColumn& c : s.columns) {
        cols.push_back({c.title, c.width, static_cast<int>(c.align)});
        st.columnWidths.push_back(c.width);
    }
    listOp(f, ctl, "listsetup",
           {{"columns", cols}, {"rowHeight", s.rowHeight}, {"header", s.header}}, true);
}

void HtmlEngine::setListCount(const FramePath& f, int ctl, int count) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.count = std::max(0, count);
    st.selected.erase(st.selected.lower_bound(st.count), st.selected.end());
    if (st.selectionMark >= st.count) st.selectionMark = -1;
    if (st.focused >= st.count) st.focused = -1;
    listOp(f, ctl, "listcount", {{"count", st.count}}, true);
    listOp(f, ctl, "listsel", {{"rows", Ranges(st.selected)}, {"mark", st.selectionMark}}, true);
}

void HtmlEngine::resetList(const FramePath& f, int ctl) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.count = 0;
    st.selected.clear();
    st.selectionMark = st.focused = -1;
    st.top = 0;
    listOp(f, ctl, "listcount", {{"count", 0}}, true);
    listOp(f, ctl, "listsel", {{"rows", json::array()}, {"mark", -1}}, true);
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
    listOp(f, ctl, "listcount", {{"count", st.count}}, true);
    listOp(f, ctl, "listsel", {{"rows", Ranges(st.selected)}, {"mark", st.selectionMark}}, true);
}

void HtmlEngine::setListSelection(const FramePath& f, int ctl, const std::set<int>& rows,
                                  int mark) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    st.selected.clear();
    for (int r : rows)
        if (r >= 0 && r < st.count) st.selected.insert(r);
    st.selectionMark = mark >= 0 && mark < st.count ? mark : -1;
    listOp(f, ctl, "listsel", {{"rows", Ranges(st.selected)}, {"mark", st.selectionMark}}, true);
}

void HtmlEngine::setListColumnWidth(const FramePath& f, int ctl, int column, int width) {
    std::lock_guard lock(mutex_);
    auto& st = mirror_[f].lists[ctl];
    if (column < 0) return;
    if (static_cast<size_t>(column) >= st.columnWidths.size()) st.columnWidths.resize(column + 1);
    st.columnWidths[column] = width;
    json b{{"op", "listcolw"}, {"frame", f}, {"ctl", ctl}, {"col", column}, {"width", width}};
    std::string key = Key(f, "listcolw", std::to_string(ctl), std::to_string(column));
    keep(f, key, b);
    emit(key, std::move(b));
}

void HtmlEngine::ensureListRowVisible(const FramePath& f, int ctl, int row) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, "listshow", {{"row", row}}, false);
}

void HtmlEngine::paintListRows(const FramePath& f, int ctl, int from,
                               const std::vector<Canvas>& rows) {
    std::lock_guard lock(mutex_);
    json paint = json::array();
    for (const Canvas& c : rows) paint.push_back(c.toJson());
    listOp(f, ctl, "rows", {{"from", from}, {"paint", std::move(paint)}}, false);
}

void HtmlEngine::invalidateList(const FramePath& f, int ctl, int from, int to) {
    std::lock_guard lock(mutex_);
    listOp(f, ctl, "listinval", {{"from", from}, {"to", to}}, false);
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
    listOp(f, ctl, "tooltip", {{"text", text}, {"x", x}, {"y", y}}, false);
}

void HtmlEngine::callFunction(const FramePath& f, const std::string& fn,
                              const std::vector<std::string>& args) {
    std::lock_guard lock(mutex_);
    emit({}, {{"op", "call"}, {"frame", f}, {"fn", fn}, {"args", args}});
}

FramePath HtmlEngine::openDialog(const std::string& resource, const std::string& title) {
    std::lock_guard lock(mutex_);
    FramePath f = "dlg/" + std::to_string(nextDialog_++);
    dropFrames(f);
    frames_[f].page = resource;
    dialogs_.push_back(f);
    json b{{"op", "dialog"}, {"frame", f}, {"page", resource}, {"title", title}, {"open", true}};
    keep(f, Key(f, "dialog"), b);
    emit(Key(f, "dialog"), std::move(b));
    return f;
}

void HtmlEngine::closeDialog(const FramePath& dialog) {
    std::lock_guard lock(mutex_);
    auto it = std::find(dialogs_.begin(), dialogs_.end(), dialog);
    if (it == dialogs_.end()) return;
    dialogs_.erase(it);
    dropFrames(dialog);
    emit(Key(dialog, "dialog"), {{"op", "dialog"}, {"frame", dialog}, {"open", false}});
}

void HtmlEngine::beep(const FramePath& f) {
    std::lock_guard lock(mutex_);
    emit({}, {{"op", "beep"}, {"frame", f}});
}

void HtmlEngine::openWindow(const std::string& url) {
    std::lock_guard lock(mutex_);
    emit({}, {{"op", "open"}, {"frame", ""}, {"url", url}});
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
            if (op["op"] != "dialog") out.push_back(op);
        }
    for (const auto& [path, fs] : frames_) {
        if (!IsChildFrame(f, path) || fs.page.empty()) continue;
        json load{{"op", "load"}, {"frame", path}};
        if (fs.page.find('/') != std::string::npos || fs.page.find('.') != std::string::npos)
            load["url"] = fs.page;
        else
            load["page"] = fs.page;
        out.push_back(std::move(load));
    }
    if (f.empty())
        for (const FramePath& d : dialogs_) {
            auto fs = frames_.find(d);
            if (fs != frames_.end()) out.push_back(fs->second.ops.at(Key(d, "dialog")));
        }
    return out;
}

std::vector<json> HtmlEngine::replay() const {
    std::lock_guard lock(mutex_);
    std::vector<json> out;
    auto top = frames_.find("");
    if (top != frames_.end() && !top->second.page.empty())
        out.push_back({{"op", "load"}, {"frame", ""}, {"page", top->second.page}});
    for (const auto& [path, fs] : frames_) {
        auto ops = replayFrame(path);
        out.insert(out.end(), ops.begin(), ops.end());
    }
    return out;
}

// ---- events ----

void HtmlEngine::attach(const FramePath& f, PageHandler* h) {
    std::lock_guard lock(mutex_);
    handlers_[f] = h;
}

void HtmlEngine::detach(const FramePath& f, PageHandler* h) {
    std::lock_guard lock(mutex_);
    auto it = handlers_.find(f);
    if (it != handlers_.end() && it->second == h) handlers_.erase(it);
}

PageHandler* HtmlEngine::handler(const FramePath& f) const {
    std::lock_guard lock(mutex_);
    auto it = handlers_.find(f);
    return it == handlers_.end() ? nullptr : it->second;
}

void HtmlEngine::dispatch(const json& ev) {
    // What a page sends is never trusted: a value of the wrong kind drops the event.
    try {
        dispatchEvent(ev);
    } catch (const json::exception&) {
    }
}

void HtmlEngine::dispatchEvent(const json& ev) {
    if (!ev.is_object()) return;
    std::string kind = Str(ev, "ev");
    FramePath frame = Str(ev, "frame");
    PageHandler* h = nullptr;
    {
        std::lock_guard lock(mutex_);
        FrameMirror& m = mirror_[frame];
        if (auto w = ev.find("w");
            w != ev.end() && w->is_number() && kind != "list" && kind != "static") {
            m.width = Int(ev, "w");
            m.height = Int(ev, "h");
        }
        if (auto form = ev.find("form"); form != ev.end() && form->is_object()) {
            m.form = FormFromJson(*form);
            // The user's edits are what a reload must show again.
            for (const auto& [name, v] : m.form)
                keep(frame, Key(frame, "fill", name),
                     {{"op", "fill"}, {"frame", frame}, {"values", FormToJson({{name, v}})}});
        }
        if (auto boxes = ev.find("boxes"); boxes != ev.end() && boxes->is_object()) {
            for (const auto& [id, b] : boxes->items()) {
                if (!b.is_array() || b.size() < 9) continue;
                bool numeric = std::all_of(b.begin(), b.begin() + 8,
                                           [](const json& v) { return v.is_number(); });
                if (!numeric) continue;
                auto n = [&](int i) { return static_cast<int>(b[i].get<double>()); };
                m.boxes[id] = ElementBox{Rect{n(0), n(1), n(2), n(3)}, Rect{n(4), n(5), n(6), n(7)},
                                         b[8].is_boolean() && b[8].get<bool>()};
            }
        }
        if (kind == "list") {
            int ctl = Int(ev, "ctl");
            ListViewState& st = m.lists[ctl];
            if (ev.contains("sel")) st.selected = FromRanges(ev["sel"], st.count);
            if (ev.contains("mark")) {
                int mark = Int(ev, "mark", -1);
                st.selectionMark = mark >= 0 && mark < st.count ? mark : -1;
            }
            if (ev.contains("focus")) st.focused = Int(ev, "focus", -1);
            if (ev.contains("top")) st.top = std::max(0, Int(ev, "top"));
            if (ev.contains("visible")) st.visible = std::max(0, Int(ev, "visible"));
            if (ev.contains("vscroll"))
                st.vscroll = ev["vscroll"].is_boolean() && ev["vscroll"].get<bool>();
            if (ev.contains("lw")) st.width = Int(ev, "lw");
            if (ev.contains("lh")) st.height = Int(ev, "lh");
            if (ev.contains("sel") || ev.contains("mark"))
                keep(frame, Key(frame, "listsel", std::to_string(ctl)),
                     {{"op", "listsel"},
                      {"frame", frame},
                      {"ctl", ctl},
                      {"rows", Ranges(st.selected)},
                      {"mark", st.selectionMark}});
        }
        auto it = handlers_.find(frame);
        h = it == handlers_.end() ? nullptr : it->second;
    }
    if (!h) return;
    if (kind == "ready") {
        h->onLoaded(frame, Str(ev, "page"));
    } else if (kind == "click") {
        ClickEvent c;
        c.frame = frame;
        c.id = Str(ev, "id");
        c.tag = Str(ev, "tag");
        if (auto a = ev.find("attrs"); a != ev.end() && a->is_object())
            for (const auto& [name, v] : a->items())
                if (v.is_string()) c.attributes[name] = v.get<std::string>();
        c.form = collectForm(frame);
        h->onButtonClick(c);
    } else if (kind == "command") {
        CommandEvent c;
        c.frame = frame;
        c.doubleClick = ev.contains("dbl") && ev["dbl"].is_boolean() && ev["dbl"].get<bool>();
        c.id = Str(ev, "id");
        if (c.id.empty()) return;  // only elements with an id raise the command
        if (c.doubleClick) c.id += "MDC";
        h->onPageCommand(c);
    } else if (kind == "form") {
        h->onFormChange(frame, Str(ev, "name"));
    } else if (kind == "list" || kind == "static") {
        static const std::map<std::string, WidgetEvent::Kind> kinds{
            {"click", WidgetEvent::Kind::Click},       {"dblclick", WidgetEvent::Kind::DoubleClick},
            {"rclick", WidgetEvent::Kind::RightClick}, {"key", WidgetEvent::Kind::Key},
            {"rows", WidgetEvent::Kind::Rows},         {"select", WidgetEvent::Kind::Selection},
            {"scroll", WidgetEvent::Kind::Scroll},     {"down", WidgetEvent::Kind::MouseDown},
            {"move", WidgetEvent::Kind::MouseMove},    {"up", WidgetEvent::Kind::MouseUp},
            {"leave", WidgetEvent::Kind::MouseLeave},  {"size", WidgetEvent::Kind::Size}};
        auto k = kinds.find(Str(ev, "kind"));
        if (k == kinds.end()) return;
        WidgetEvent w;
        w.frame = frame;
        w.ctl = Int(ev, "ctl");
        w.type = kind == "list" ? "sys-listview" : "sys-static";
        w.kind = k->second;
        w.row = Int(ev, "row", -1);
        w.from = Int(ev, "from");
        w.to = Int(ev, "to", -1);
        w.x = Int(ev, "x");
        w.y = Int(ev, "y");
        w.pageX = Int(ev, "px");
        w.pageY = Int(ev, "py");
        w.keys = static_cast<unsigned>(std::max(0, Int(ev, "keys")));
        w.key = Str(ev, "key");
        w.width = Int(ev, "w");
        w.height = Int(ev, "h");
        if (kind == "list" && w.kind == WidgetEvent::Kind::Rows) {
            int count = listState(frame, w.ctl).count;
            w.from = std::clamp(w.from, 0, std::max(0, count - 1));
            w.to = std::clamp(w.to, -1, count - 1);
            if (w.to < w.from) return;
        }
        h->onWidget(w);
    } else if (kind == "external") {
        ExternalCall c;
        c.frame = frame;
        c.method = Str(ev, "method");
        if (auto a = ev.find("args"); a != ev.end() && a->is_array())
            for (const json& v : *a)
                c.args.push_back(v.is_string() ? v.get<std::string>() : v.dump());
        h->onExternal(c);
    }
}

// ---- load-data rules ----

LoadDataRequest ClassifyLoadData(std::string_view url) {
    LoadDataRequest r;
    auto starts = [&](std::string_view p) {
        if (url.size() < p.size()) return false;
        for (size_t i = 0; i < p.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != p[i]) return false;
        return true;
    };
    if (url.empty() || starts("file:") || starts("http:") || starts("https:")) {
        r.leftToEngine = true;
        return r;
    }
    if (starts("res:")) url.remove_prefix(4);
    size_t slash = url.rfind('/');
    std::string_view last = url;
    if (slash != std::string_view::npos) {
        r.folder = std::string(url.substr(0, slash));
        last = url.substr(slash + 1);
    }
    size_t dot = last.rfind('.');
    r.name = std::string(last.substr(0, dot));
    std::string type;
    if (dot != std::string_view::npos)
        for (char c : last.substr(dot + 1))
            type += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    r.type = type.empty() ? "HTML" : type;
    return r;
}

}  // namespace dorvath
