#include "engine/event_router.h"

#include <algorithm>

#include "engine/bridge_protocol.h"
#include "engine/engine_core.h"

namespace dorvath {

using Kind = protocol::PageEvent::Kind;

void EventRouter::attach(const FramePath& f, PageHandler* h) {
    std::lock_guard lock(core_.mutex);
    handlers_[f] = h;
}

void EventRouter::detach(const FramePath& f, PageHandler* h) {
    std::lock_guard lock(core_.mutex);
    auto it = handlers_.find(f);
    if (it != handlers_.end() && it->second == h) handlers_.erase(it);
}

void EventRouter::dispatch(const nlohmann::json& event) {
    std::optional<protocol::PageEvent> parsed;
    try {
        parsed = protocol::ParseEvent(event);
    } catch (const nlohmann::json::exception&) {  // e.g. an argument that cannot be dumped
    }
    if (!parsed) return;
    const protocol::PageEvent& ev = *parsed;
    const FramePath& frame = ev.frame;
    PageHandler* h = nullptr;
    FormMap form;       // a click carries the frame's form as mirrored
    int listCount = 0;  // rows asked for are clamped to the list
    {
        std::lock_guard lock(core_.mutex);
        // The mirror holds only what this side asked about: frames it loaded or handles.
        // Anything else a client sends is not kept, so no client can make it grow.
        auto it = handlers_.find(frame);
        if (!core_.store.has(frame) && it == handlers_.end()) return;
        core_.mirror.apply(ev, core_.store);
        if (it == handlers_.end()) return;
        h = it->second;
        if (ev.kind == Kind::Click) form = core_.mirror.form(frame);
        if (ev.kind == Kind::List) listCount = core_.mirror.list(frame, ev.ctl).count;
    }
    switch (ev.kind) {
        case Kind::Ready:
            h->onLoaded(frame, ev.page);
            break;
        case Kind::Click: {
            ClickEvent c = ev.click;
            c.form = std::move(form);
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
                w.from = std::clamp(w.from, 0, std::max(0, listCount - 1));
                w.to = std::clamp(w.to, -1, listCount - 1);
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

}  // namespace dorvath
