// The page's side coming in: form values, events into the mirror and to the page
// handlers, and the load-data rules.
#include <algorithm>
#include <cctype>

#include "engine/engine_json.h"
#include "engine/html_engine.h"

namespace dorvath {

using namespace engine_detail;

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
        // The mirror holds only what this side asked about: frames it loaded or handles,
        // boxes of tracked ids, lists it set up, a page-sized form. Anything else a client
        // sends is not kept, so no client can make it grow without bound.
        if (!frames_.count(frame) && !handlers_.count(frame)) return;
        FrameMirror& m = mirror_[frame];
        if (auto w = ev.find("w");
            w != ev.end() && w->is_number() && kind != "list" && kind != "static") {
            m.width = Int(ev, "w");
            m.height = Int(ev, "h");
        }
        if (auto form = ev.find("form");
            form != ev.end() && form->is_object() && form->size() <= kMaxFormNames) {
            m.form = FormFromJson(*form);
            // The user's edits are what a reload must show again; names past the cap are
            // not kept for replay.
            for (const auto& [name, v] : m.form) {
                if (!m.keptForm.count(name)) {
                    if (m.keptForm.size() >= kMaxFormNames) continue;
                    m.keptForm.insert(name);
                }
                keep(frame, Key(frame, "fill", name),
                     {{"op", "fill"}, {"frame", frame}, {"values", FormToJson({{name, v}})}});
            }
        }
        if (auto boxes = ev.find("boxes"); boxes != ev.end() && boxes->is_object()) {
            for (const auto& [id, b] : boxes->items()) {
                if (!m.tracked.count(id) || !b.is_array() || b.size() < 9) continue;
                bool numeric = std::all_of(b.begin(), b.begin() + 8,
                                           [](const json& v) { return v.is_number(); });
                if (!numeric) continue;
                auto n = [&](int i) { return static_cast<int>(b[i].get<double>()); };
                m.boxes[id] = ElementBox{Rect{n(0), n(1), n(2), n(3)}, Rect{n(4), n(5), n(6), n(7)},
                                         b[8].is_boolean() && b[8].get<bool>()};
            }
        }
        if (auto list = m.lists.find(Int(ev, "ctl")); kind == "list" && list != m.lists.end()) {
            const int ctl = list->first;
            ListViewState& st = list->second;
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
        if (w.kind == WidgetEvent::Kind::MouseMove) {
            w.hotSpot = std::max(0, Int(ev, "hot"));
            if (auto hx = ev.find("hx"); w.hotSpot > 0 && hx != ev.end() && hx->is_string())
                w.hotX = hx->get<std::string>();
        }
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
