#include "engine/frame_store.h"

#include <algorithm>

#include "engine/bridge_protocol.h"

namespace dorvath {

using json = nlohmann::json;

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

std::string KeptKey(const FramePath& f, const char* what, const std::string& a,
                    const std::string& b) {
    std::string k = f;
    k += '|';
    k += what;
    k += '|';
    k += a;
    k += '|';
    k += b;
    return k;
}

bool IsChildFrame(const FramePath& parent, const FramePath& child) {
    if (child.rfind(protocol::kDialogFrame, 0) == 0 && parent.empty()) return false;
    if (parent.empty()) return !child.empty() && child.find('/') == std::string::npos;
    if (child.size() <= parent.size() + 1 || child.compare(0, parent.size(), parent) != 0 ||
        child[parent.size()] != '/')
        return false;
    return child.find('/', parent.size() + 1) == std::string::npos;
}

bool IsSameOrBelow(const FramePath& parent, const FramePath& f) {
    if (parent.empty()) return f.rfind(protocol::kDialogFrame, 0) != 0;
    return f == parent || (f.size() > parent.size() && f.compare(0, parent.size(), parent) == 0 &&
                           f[parent.size()] == '/');
}

std::string FrameStore::page(const FramePath& f) const {
    auto it = frames_.find(f);
    return it == frames_.end() ? std::string() : it->second.page;
}

void FrameStore::load(const FramePath& f, const std::string& page) {
    drop(f);
    frames_[f].page = page;
}

void FrameStore::keep(const FramePath& f, const std::string& key, const json& body) {
    frames_[f].set(key, body);
}

void FrameStore::append(const FramePath& f, const std::string& key, const json& body) {
    frames_[f].append(key, body);
}

const json* FrameStore::kept(const FramePath& f, const std::string& key) const {
    auto fs = frames_.find(f);
    if (fs == frames_.end()) return nullptr;
    auto op = fs->second.ops.find(key);
    return op == fs->second.ops.end() ? nullptr : &op->second;
}

void FrameStore::drop(const FramePath& f) {
    std::erase_if(frames_, [&](const auto& kv) { return IsSameOrBelow(f, kv.first); });
}

std::string FrameStore::dialogKey(const FramePath& dialog) {
    return KeptKey(dialog, protocol::op::kDialog);
}

FramePath FrameStore::addDialog(const std::string& resource) {
    FramePath f = protocol::kDialogFrame + std::to_string(nextDialog_++);
    load(f, resource);
    dialogs_.push_back(f);
    return f;
}

bool FrameStore::removeDialog(const FramePath& dialog) {
    auto it = std::find(dialogs_.begin(), dialogs_.end(), dialog);
    if (it == dialogs_.end()) return false;
    dialogs_.erase(it);
    drop(dialog);
    return true;
}

std::vector<json> FrameStore::replayFrame(const FramePath& f) const {
    std::vector<json> out;
    auto it = frames_.find(f);
    if (it != frames_.end())
        for (const std::string& key : it->second.order) {
            const json& op = it->second.ops.at(key);
            if (protocol::OpName(op) != protocol::op::kDialog) out.push_back(op);
        }
    for (const auto& [path, fs] : frames_) {
        if (!IsChildFrame(f, path) || fs.page.empty()) continue;
        out.push_back(protocol::Load(path, fs.page));
    }
    if (f.empty())
        for (const FramePath& d : dialogs_)
            if (const json* open = kept(d, dialogKey(d))) out.push_back(*open);
    return out;
}

std::vector<json> FrameStore::replay() const {
    std::vector<json> out;
    auto top = frames_.find("");
    if (top != frames_.end() && !top->second.page.empty())
        out.push_back(protocol::LoadPage("", top->second.page));
    for (const auto& [path, fs] : frames_) {
        auto ops = replayFrame(path);
        out.insert(out.end(), ops.begin(), ops.end());
    }
    return out;
}

}  // namespace dorvath
