#include "engine/bridge_engine.h"

#include <optional>

#include "engine/bridge_protocol.h"
#include "engine/engine_core.h"

namespace dorvath {
using json = nlohmann::json;

std::string DumpJson(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

BridgeEngine::BridgeEngine(EventLoop& loop) : loop_(loop) {
    loop_.addTurnHook([this] { flush(); });
}

void BridgeEngine::submit(Operation op) {
    const std::string& kind = op.op();
    if (kind == protocol::op::kLoad ||
        (kind == protocol::op::kDialog && !op.body.value(protocol::key::kOpen, false))) {
        // What was batched for the frame (and its sub-frames) no longer has a page to
        // apply to.
        const std::string frame = op.frame();
        std::vector<Operation> kept;
        for (Operation& o : batch_) {
            if (o.body.is_null()) continue;  // replaced by a later one
            if (!IsSameOrBelow(frame, o.frame()) ||
                (kind == protocol::op::kLoad && o.op() == protocol::op::kDialog))
                kept.push_back(std::move(o));
        }
        batch_ = std::move(kept);
        index_.clear();
        for (std::size_t i = 0; i < batch_.size(); ++i)
            if (!batch_[i].key.empty()) index_[batch_[i].key] = i;
    }
    if (!op.key.empty()) {
        auto it = index_.find(op.key);
        if (it != index_.end()) {
            // Replace in place would reorder effects; drop the old one and append.
            batch_[it->second].key.clear();
            batch_[it->second].body = nullptr;
        }
        index_[op.key] = batch_.size();
    }
    batch_.push_back(std::move(op));
}

std::size_t BridgeEngine::batchSize() const {
    std::lock_guard lock(core().mutex);
    std::size_t n = 0;
    for (const Operation& o : batch_) n += !o.body.is_null();
    return n;
}

void BridgeEngine::flush() {
    // Held while sending so that batches from the UI thread and the loading dialog's
    // thread leave in the order they were made.
    std::lock_guard lock(core().mutex);
    if (batch_.empty()) return;
    json arr = json::array();
    for (Operation& o : batch_)
        if (!o.body.is_null()) arr.push_back(std::move(o.body));
    batch_.clear();
    index_.clear();
    if (!arr.empty()) send(DumpJson(arr));
}

void BridgeEngine::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex_);
    sink_ = std::move(sink);
}

void BridgeEngine::setSink(std::function<void(std::string)> sink) {
    if (!sink) return setSink(Sink());
    setSink(
        [sink = std::move(sink)](std::string text, const std::string&) { sink(std::move(text)); });
}

void BridgeEngine::send(std::string text, const std::string& coalesceKey) {
    std::lock_guard lock(sinkMutex_);
    if (sink_) sink_(std::move(text), coalesceKey);
}

void BridgeEngine::receive(const std::string& text) {
    json ev = json::parse(text, nullptr, false);
    std::optional<protocol::PageEvent> parsed;
    try {
        parsed = protocol::ParseEvent(ev);
    } catch (const std::exception&) {
        return;  // a page's malformed event is dropped, as one that does not parse
    }
    if (!parsed) return;
    if (parsed->kind == protocol::PageEvent::Kind::Ready) {
        std::lock_guard lock(core().mutex);
        const FramePath& frame = parsed->frame;
        std::string wanted = core().store.page(frame);
        json answer = json::array();
        if (!wanted.empty() && wanted != parsed->page) {
            answer.push_back(wanted.find('.') == std::string::npos
                                 ? protocol::LoadPage(frame, wanted)
                                 : protocol::LoadUrl(frame, wanted));
        } else {
            for (json& op : core().store.replayFrame(frame)) answer.push_back(std::move(op));
        }
        answer.push_back(protocol::Replayed(frame));
        send(DumpJson(answer), "ready:" + frame);
    }
    loop_.postTask([this, ev = std::move(ev)] { events().dispatch(ev); });
}

}  // namespace dorvath
