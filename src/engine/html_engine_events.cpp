// The page's side coming in: form values, events into the mirror and to the page
// handlers, and the load-data rules.
#include <algorithm>
#include <cctype>
#include <tuple>

#include "engine/bridge_protocol.h"
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
        if (auto e = protocol::ParseEvent(ev)) dispatchEvent(*e);
    } catch (const json::exception&) {
    }
}

void HtmlEngine::dispatchEvent(const protocol::PageEvent& ev) {
    using Kind = protocol::PageEvent::Kind;
    const FramePath& frame = ev.frame;
    PageHandler* h = nullptr;
    {
        std::lock_guard lock(mutex_);
        // The mirror holds only what this side asked about: frames it loaded or handles,
        // boxes of tracked ids, lists it set up, a page-sized form. Anything else a client
        // sends is not kept, so no client can make it grow without bound.
        if (!frames_.count(frame) && !handlers_.count(frame)) return;
        FrameMirror& m = mirror_[frame];
        if (ev.size) std::tie(m.width, m.height) = *ev.size;
        if (ev.form) {
            m.form = *ev.form;
            // The user's edits are what a reload must show again; names past the cap are
            // not kept for replay.
            for (const auto& [name, v] : m.form) {
                if (!m.keptForm.count(name)) {
                    if (m.keptForm.size() >= protocol::kMaxFormNames) continue;
                    m.keptForm.insert(name);
                }
                keep(frame, Key(frame, protocol::op::kFill, name),
                     protocol::Fill(frame, {{name, v}}));
            }
        }
        for (const auto& [id, box] : ev.boxes)
            if (m.tracked.count(id)) m.boxes[id] = box;
        const int ctl = ev.ctl;
        if (auto list = m.lists.find(ctl); ev.kind == Kind::List && list != m.lists.end()) {
            ListViewState& st = list->second;
            const protocol::ListReport& r = ev.list;
            if (r.selected) st.selected = protocol::RowsFromRanges(*r.selected, st.count);
            if (r.mark) st.selectionMark = *r.mark >= 0 && *r.mark < st.count ? *r.mark : -1;
            if (r.focus) st.focused = *r.focus;
            if (r.top) st.top = std::max(0, *r.top);
            if (r.visible) st.visible = std::max(0, *r.visible);
            if (r.vscroll) st.vscroll = *r.vscroll;
            if (r.width) st.width = *r.width;
            if (r.height) st.height = *r.height;
            if (r.selected || r.mark)
                keep(frame, Key(frame, protocol::op::kListSel, std::to_string(ctl)),
                     protocol::ListSel(frame, ctl, st.selected, st.selectionMark));
        }
        auto it = handlers_.find(frame);
        h = it == handlers_.end() ? nullptr : it->second;
    }
    if (!h) return;
    switch (ev.kind) {
        case Kind::Ready:
            h->onLoaded(frame, ev.page);
            break;
        case Kind::Click: {
            ClickEvent c = ev.click;
            c.form = collectForm(frame);
            h->onButtonClick(c);
            break;
        }
        case Kind::Command:
            if (!ev.command.id.empty()) h->onPageCommand(ev.command);  // only elements with an id
            break;
        case Kind::Form:
            h->onFormChange(frame, ev.formName);
            break;
        case Kind::List:
        case Kind::Static: {
            if (!ev.widget) return;
            WidgetEvent w = *ev.widget;
            if (ev.kind == Kind::List && w.kind == WidgetEvent::Kind::Rows) {
                int count = listState(frame, w.ctl).count;
                w.from = std::clamp(w.from, 0, std::max(0, count - 1));
                w.to = std::clamp(w.to, -1, count - 1);
                if (w.to < w.from) return;
            }
            h->onWidget(w);
            break;
        }
        case Kind::External:
            h->onExternal(ev.external);
            break;
        case Kind::Geometry:
        case Kind::Other:
            break;
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
