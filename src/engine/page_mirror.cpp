#include "engine/page_mirror.h"

#include <algorithm>

#include "engine/bridge_protocol.h"
#include "engine/frame_store.h"

namespace dorvath {

void PageMirror::drop(const FramePath& f) {
    std::erase_if(frames_, [&](const auto& kv) { return IsSameOrBelow(f, kv.first); });
}

const PageMirror::Frame* PageMirror::find(const FramePath& f) const {
    auto it = frames_.find(f);
    return it == frames_.end() ? nullptr : &it->second;
}

void PageMirror::apply(const protocol::PageEvent& ev, FrameStore& kept) {
    const FramePath& frame = ev.frame;
    Frame& m = frames_[frame];
    if (ev.size) std::tie(m.width, m.height) = *ev.size;
    if (ev.form) {
        m.form = *ev.form;
        // Names past the cap are not kept for replay.
        for (const auto& [name, v] : m.form) {
            if (!m.keptForm.count(name)) {
                if (m.keptForm.size() >= protocol::kMaxFormNames) continue;
                m.keptForm.insert(name);
            }
            kept.keep(frame, KeptKey(frame, protocol::op::kFill, name),
                      protocol::Fill(frame, {{name, v}}));
        }
    }
    for (const auto& [id, box] : ev.boxes)
        if (m.tracked.count(id)) m.boxes[id] = box;
    auto list = m.lists.find(ev.ctl);
    if (ev.kind != protocol::PageEvent::Kind::List || list == m.lists.end()) return;
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
        kept.keep(frame, KeptKey(frame, protocol::op::kListSel, std::to_string(ev.ctl)),
                  protocol::ListSel(frame, ev.ctl, st.selected, st.selectionMark));
}

FormMap PageMirror::form(const FramePath& f) const {
    const Frame* m = find(f);
    return m ? m->form : FormMap{};
}

std::optional<ElementBox> PageMirror::location(const FramePath& f, const std::string& id) const {
    const Frame* m = find(f);
    if (!m) return std::nullopt;
    auto b = m->boxes.find(id);
    if (b == m->boxes.end()) return std::nullopt;
    return b->second;
}

std::pair<int, int> PageMirror::size(const FramePath& f) const {
    const Frame* m = find(f);
    return m ? std::pair{m->width, m->height} : std::pair{0, 0};
}

bool PageMirror::enabled(const FramePath& f) const {
    const Frame* m = find(f);
    return !m || m->enabled;
}

ListViewState PageMirror::list(const FramePath& f, int ctl) const {
    const Frame* m = find(f);
    if (!m) return {};
    auto l = m->lists.find(ctl);
    return l == m->lists.end() ? ListViewState{} : l->second;
}

}  // namespace dorvath
