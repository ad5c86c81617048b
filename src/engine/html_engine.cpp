#include "engine/html_engine.h"

#include <cctype>

#include "engine/bridge_protocol.h"
#include "engine/engine_core.h"

namespace dorvath {

namespace proto = protocol;
using json = nlohmann::json;

// ---- kept state ----

std::string FrameStoreView::page(const FramePath& f) const {
    std::lock_guard lock(core_.mutex);
    return core_.store.page(f);
}

std::map<FramePath, FrameState> FrameStoreView::state() const {
    std::lock_guard lock(core_.mutex);
    return core_.store.states();
}

std::vector<json> FrameStoreView::replay() const {
    std::lock_guard lock(core_.mutex);
    return core_.store.replay();
}

std::vector<json> FrameStoreView::replayFrame(const FramePath& f) const {
    std::lock_guard lock(core_.mutex);
    return core_.store.replayFrame(f);
}

// ---- the engine ----

HtmlEngine::HtmlEngine()
    : core_(std::make_unique<EngineCore>([this](Operation op) { submit(std::move(op)); })),
      widgets_(*core_),
      input_(*core_),
      events_(*core_),
      frameStore_(*core_) {}

HtmlEngine::~HtmlEngine() = default;

void HtmlEngine::load(const FramePath& f, const std::string& page, json op) {
    std::lock_guard lock(core_->mutex);
    core_->store.load(f, page);
    core_->mirror.drop(f);
    core_->send.send(KeptKey(f, proto::op::kLoad), std::move(op));
}

void HtmlEngine::loadPage(const FramePath& frame, const std::string& resource) {
    load(frame, resource, proto::LoadPage(frame, resource));
}

void HtmlEngine::loadUrl(const FramePath& frame, const std::string& url) {
    load(frame, url, proto::LoadUrl(frame, url));
}

void HtmlEngine::elementOp(const FramePath& f, const Element& e, const char* what,
                           const std::string& name, json body) {
    std::lock_guard lock(core_->mutex);
    core_->send.sendAddressed(f, e, KeptKey(f, what, e.key(), name), std::move(body));
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
    std::lock_guard lock(core_->mutex);
    std::string key = KeptKey(f, proto::op::kState, e.key());
    // Successive state changes of one element merge into one net change.
    unsigned s = set, c = clear & ~set;
    if (const json* before = core_->store.kept(f, key); before && !e.id.empty()) {
        unsigned os = before->value(proto::key::kSet, 0u),
                 oc = before->value(proto::key::kClear, 0u);
        s = (os & ~clear) | set;
        c = (oc & ~set) | (clear & ~set);
    }
    core_->send.sendAddressed(f, e, key, proto::State(f, e, s, c));
}

void HtmlEngine::showPopup(const FramePath& f, const Element& e, int x, int y) {
    std::lock_guard lock(core_->mutex);
    core_->send.send(KeptKey(f, proto::op::kPopup, e.key()), proto::ShowPopup(f, e, x, y));
}

void HtmlEngine::hidePopup(const FramePath& f, const Element& e) {
    std::lock_guard lock(core_->mutex);
    core_->send.send(KeptKey(f, proto::op::kPopup, e.key()), proto::HidePopup(f, e));
}

void HtmlEngine::callFunction(const FramePath& f, const std::string& fn,
                              const std::vector<std::string>& args) {
    std::lock_guard lock(core_->mutex);
    core_->send.send({}, proto::Call(f, fn, args));
}

FramePath HtmlEngine::openDialog(const std::string& resource, const std::string& title) {
    std::lock_guard lock(core_->mutex);
    FramePath f = core_->store.addDialog(resource);
    core_->mirror.drop(f);
    core_->send.sendKept(f, FrameStore::dialogKey(f), proto::OpenDialog(f, resource, title));
    return f;
}

void HtmlEngine::closeDialog(const FramePath& dialog) {
    std::lock_guard lock(core_->mutex);
    if (!core_->store.removeDialog(dialog)) return;
    core_->mirror.drop(dialog);
    core_->send.send(FrameStore::dialogKey(dialog), proto::CloseDialog(dialog));
}

void HtmlEngine::beep(const FramePath& f) {
    std::lock_guard lock(core_->mutex);
    core_->send.send({}, proto::Beep(f));
}

void HtmlEngine::openWindow(const std::string& url) {
    std::lock_guard lock(core_->mutex);
    core_->send.send({}, proto::OpenWindow(url));
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
