#include "engine/page_input.h"

#include "engine/bridge_protocol.h"
#include "engine/engine_core.h"

namespace dorvath {

namespace proto = protocol;
using json = nlohmann::json;

void PageInput::enablePage(const FramePath& f, bool enabled) {
    std::lock_guard lock(core_.mutex);
    core_.mirror.at(f).enabled = enabled;
    core_.send.sendKept(f, KeptKey(f, proto::op::kEnable), proto::Enable(f, enabled));
}

bool PageInput::pageEnabled(const FramePath& f) const {
    std::lock_guard lock(core_.mutex);
    return core_.mirror.enabled(f);
}

void PageInput::fillForm(const FramePath& f, const FormMap& values) {
    std::lock_guard lock(core_.mutex);
    auto& m = core_.mirror.at(f).form;
    // Kept per name, so that the user's later edits of one name replace only it.
    for (const auto& [name, v] : values) {
        m[name] = v;
        core_.store.keep(f, KeptKey(f, proto::op::kFill, name), proto::Fill(f, {{name, v}}));
    }
    core_.send.send({}, proto::Fill(f, values));
}

FormMap PageInput::collectForm(const FramePath& f) const {
    std::lock_guard lock(core_.mutex);
    return core_.mirror.form(f);
}

void PageInput::trackGeometry(const FramePath& f, const std::vector<std::string>& ids) {
    std::lock_guard lock(core_.mutex);
    std::string key = KeptKey(f, proto::op::kTrack);
    std::set<std::string> all(ids.begin(), ids.end());
    if (const json* before = core_.store.kept(f, key))
        for (const json& id : before->at(proto::key::kIds)) all.insert(id.get<std::string>());
    core_.mirror.at(f).tracked.insert(ids.begin(), ids.end());
    core_.send.sendKept(f, key, proto::Track(f, all));
}

std::optional<ElementBox> PageInput::getLocation(const FramePath& f, const std::string& id) const {
    std::lock_guard lock(core_.mutex);
    return core_.mirror.location(f, id);
}

std::pair<int, int> PageInput::frameSize(const FramePath& f) const {
    std::lock_guard lock(core_.mutex);
    return core_.mirror.size(f);
}

}  // namespace dorvath
