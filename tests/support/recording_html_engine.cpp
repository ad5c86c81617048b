#include "support/recording_html_engine.h"

#include "engine/bridge_protocol.h"
#include "support/event_json.h"

namespace dorvath {
namespace {

using json = nlohmann::json;

json KeptOp(const std::map<FramePath, FrameState>& st, const FramePath& f, const std::string& key) {
    auto fs = st.find(f);
    if (fs == st.end()) return nullptr;
    auto op = fs->second.ops.find(key);
    return op == fs->second.ops.end() ? json() : op->second;
}

std::string Value(const json& op) {
    if (!op.is_object()) return {};
    auto v = op.find(protocol::key::kValue);
    return v != op.end() && v->is_string() ? v->get<std::string>() : std::string();
}

}  // namespace

std::vector<json> RecordingHtmlEngine::operations(const std::string& op) const {
    std::vector<json> out;
    for (const Operation& o : ops_)
        if (o.op() == op) out.push_back(o.body);
    return out;
}

std::string RecordingHtmlEngine::style(const FramePath& f, const std::string& id,
                                       const std::string& name) const {
    return Value(KeptOp(frameStore().state(), f, KeptKey(f, protocol::op::kStyle, "#" + id, name)));
}

std::string RecordingHtmlEngine::attribute(const FramePath& f, const std::string& id,
                                           const std::string& name) const {
    return Value(KeptOp(frameStore().state(), f, KeptKey(f, protocol::op::kAttr, "#" + id, name)));
}

std::string RecordingHtmlEngine::text(const FramePath& f, const std::string& id) const {
    json op = KeptOp(frameStore().state(), f, KeptKey(f, "content", "#" + id));
    return protocol::OpName(op) == protocol::op::kText ? Value(op) : std::string();
}

std::string RecordingHtmlEngine::html(const FramePath& f, const std::string& id) const {
    json op = KeptOp(frameStore().state(), f, KeptKey(f, "content", "#" + id));
    return protocol::OpName(op) == protocol::op::kHtml ? Value(op) : std::string();
}

std::vector<std::string> RecordingHtmlEngine::calls(const FramePath& f,
                                                    const std::string& fn) const {
    std::vector<std::string> out;
    for (const Operation& o : ops_) {
        if (o.op() != protocol::op::kCall || o.frame() != f || o.body[protocol::key::kFn] != fn)
            continue;
        std::string joined;
        for (const json& a : o.body[protocol::key::kArgs]) {
            if (!joined.empty()) joined += ',';
            joined += a.get<std::string>();
        }
        out.push_back(joined);
    }
    return out;
}

int RecordingHtmlEngine::beeps(const FramePath& f) const {
    int n = 0;
    for (const Operation& o : ops_) n += o.op() == protocol::op::kBeep && o.frame() == f;
    return n;
}

std::vector<FramePath> RecordingHtmlEngine::openDialogs() const {
    std::vector<FramePath> out;
    for (const auto& [path, fs] : frameStore().state())
        if (path.rfind("dlg/", 0) == 0) out.push_back(path);
    return out;
}

bool RecordingHtmlEngine::click(const FramePath& f, const std::string& id,
                                const std::map<std::string, std::string>& attributes) {
    auto attrs = attributes;
    attrs["id"] = id;
    events().dispatch(protocol::ClickJson(f, id, "div", attrs));
    return true;
}

void RecordingHtmlEngine::command(const FramePath& f, const std::string& id, bool doubleClick) {
    events().dispatch(protocol::CommandJson(f, id, doubleClick));
}

void RecordingHtmlEngine::loaded(const FramePath& f, const std::string& page) {
    events().dispatch(protocol::ReadyJson(f, page));
}

void RecordingHtmlEngine::formValues(const FramePath& f, const FormMap& values) {
    FormMap all = input().collectForm(f);
    for (const auto& [k, v] : values) all[k] = v;
    std::string name = values.empty() ? std::string() : values.begin()->first;
    events().dispatch(protocol::FormJson(f, name, all));
}

void RecordingHtmlEngine::box(const FramePath& f, const std::string& id, const ElementBox& b) {
    events().dispatch(protocol::GeometryJson(f, {{id, b}}));
}

void RecordingHtmlEngine::widget(const WidgetEvent& e) {
    events().dispatch(protocol::WidgetJson(e));
}

void RecordingHtmlEngine::listSelect(const FramePath& f, int ctl, const std::set<int>& rows,
                                     int mark) {
    events().dispatch(protocol::ListSelectJson(f, ctl, rows, mark));
}

void RecordingHtmlEngine::external(const FramePath& f, const std::string& method,
                                   const std::vector<std::string>& args) {
    events().dispatch(protocol::ExternalJson(f, method, args));
}

}  // namespace dorvath
