#include "engine/recording_html_engine.h"

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
    auto v = op.find("value");
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
    return Value(KeptOp(state(), f, f + "|style|#" + id + "|" + name));
}

std::string RecordingHtmlEngine::attribute(const FramePath& f, const std::string& id,
                                           const std::string& name) const {
    return Value(KeptOp(state(), f, f + "|attr|#" + id + "|" + name));
}

std::string RecordingHtmlEngine::text(const FramePath& f, const std::string& id) const {
    json op = KeptOp(state(), f, f + "|content|#" + id + "|");
    return op.is_object() && op["op"] == "text" ? Value(op) : std::string();
}

std::string RecordingHtmlEngine::html(const FramePath& f, const std::string& id) const {
    json op = KeptOp(state(), f, f + "|content|#" + id + "|");
    return op.is_object() && op["op"] == "html" ? Value(op) : std::string();
}

std::vector<std::string> RecordingHtmlEngine::calls(const FramePath& f,
                                                    const std::string& fn) const {
    std::vector<std::string> out;
    for (const Operation& o : ops_) {
        if (o.op() != "call" || o.frame() != f || o.body["fn"] != fn) continue;
        std::string joined;
        for (const json& a : o.body["args"]) {
            if (!joined.empty()) joined += ',';
            joined += a.get<std::string>();
        }
        out.push_back(joined);
    }
    return out;
}

int RecordingHtmlEngine::beeps(const FramePath& f) const {
    int n = 0;
    for (const Operation& o : ops_) n += o.op() == "beep" && o.frame() == f;
    return n;
}

std::vector<FramePath> RecordingHtmlEngine::openDialogs() const {
    std::vector<FramePath> out;
    for (const auto& [path, fs] : state())
        if (path.rfind("dlg/", 0) == 0) out.push_back(path);
    return out;
}

bool RecordingHtmlEngine::click(const FramePath& f, const std::string& id,
                                const std::map<std::string, std::string>& attributes) {
    json attrs = json::object();
    for (const auto& [k, v] : attributes) attrs[k] = v;
    attrs["id"] = id;
    dispatch({{"ev", "click"}, {"frame", f}, {"id", id}, {"tag", "div"}, {"attrs", attrs}});
    return true;
}

void RecordingHtmlEngine::command(const FramePath& f, const std::string& id, bool doubleClick) {
    dispatch({{"ev", "command"}, {"frame", f}, {"id", id}, {"dbl", doubleClick}});
}

void RecordingHtmlEngine::loaded(const FramePath& f, const std::string& page) {
    dispatch({{"ev", "ready"}, {"frame", f}, {"page", page}});
}

void RecordingHtmlEngine::formValues(const FramePath& f, const FormMap& values) {
    FormMap all = collectForm(f);
    for (const auto& [k, v] : values) all[k] = v;
    std::string name = values.empty() ? std::string() : values.begin()->first;
    dispatch({{"ev", "form"}, {"frame", f}, {"name", name}, {"form", FormToJson(all)}});
}

void RecordingHtmlEngine::box(const FramePath& f, const std::string& id, const ElementBox& b) {
    json arr{b.border.left, b.border.top,    b.border.right,   b.border.bottom, b.content.left,
             b.content.top, b.content.right, b.content.bottom, b.visible};
    dispatch({{"ev", "geom"}, {"frame", f}, {"boxes", {{id, arr}}}});
}

void RecordingHtmlEngine::widget(const WidgetEvent& e) {
    static const char* names[] = {"click",  "dblclick", "rclick", "key", "rows",  "select",
                                  "scroll", "down",     "move",   "up",  "leave", "size"};
    json ev{{"ev", e.type == "sys-static" ? "static" : "list"},
            {"frame", e.frame},
            {"ctl", e.ctl},
            {"kind", names[static_cast<int>(e.kind)]},
            {"row", e.row},
            {"from", e.from},
            {"to", e.to},
            {"x", e.x},
            {"y", e.y},
            {"px", e.pageX},
            {"py", e.pageY},
            {"keys", e.keys},
            {"key", e.key},
            {"w", e.width},
            {"h", e.height}};
    if (e.hotSpot != 0) ev["hot"] = e.hotSpot;
    if (e.hotX) ev["hx"] = *e.hotX;
    dispatch(ev);
}

void RecordingHtmlEngine::listSelect(const FramePath& f, int ctl, const std::set<int>& rows,
                                     int mark) {
    json ranges = json::array();
    for (int r : rows) ranges.push_back({r, r});
    dispatch({{"ev", "list"},
              {"frame", f},
              {"ctl", ctl},
              {"kind", "select"},
              {"sel", ranges},
              {"mark", mark}});
}

void RecordingHtmlEngine::external(const FramePath& f, const std::string& method,
                                   const std::vector<std::string>& args) {
    dispatch({{"ev", "external"}, {"frame", f}, {"method", method}, {"args", args}});
}

}  // namespace dorvath
