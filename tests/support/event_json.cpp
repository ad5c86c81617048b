#include "support/event_json.h"

namespace dorvath::protocol {

json ClickJson(const FramePath& f, const std::string& id, const std::string& tag,
               const std::map<std::string, std::string>& attributes) {
    json attrs = json::object();
    for (const auto& [k, v] : attributes) attrs[k] = v;
    return {{key::kEv, ev::kClick},
            {key::kFrame, f},
            {key::kId, id},
            {key::kTag, tag},
            {key::kAttrs, attrs}};
}

json CommandJson(const FramePath& f, const std::string& id, bool doubleClick) {
    return {{key::kEv, ev::kCommand}, {key::kFrame, f}, {key::kId, id}, {key::kDbl, doubleClick}};
}

json ReadyJson(const FramePath& f, const std::string& page) {
    return {{key::kEv, ev::kReady}, {key::kFrame, f}, {key::kPage, page}};
}

json FormJson(const FramePath& f, const std::string& name, const FormMap& form) {
    return {{key::kEv, ev::kForm},
            {key::kFrame, f},
            {key::kName, name},
            {key::kForm, FormToJson(form)}};
}

json GeometryJson(const FramePath& f, const std::map<std::string, ElementBox>& boxes) {
    json all = json::object();
    for (const auto& [id, b] : boxes)
        all[id] = {b.border.left,   b.border.top,     b.border.right,
                   b.border.bottom, b.content.left,   b.content.top,
                   b.content.right, b.content.bottom, b.visible};
    return {{key::kEv, ev::kGeometry}, {key::kFrame, f}, {key::kBoxes, all}};
}

json WidgetJson(const WidgetEvent& e) {
    json j{{key::kEv, e.type == "sys-static" ? ev::kStatic : ev::kList},
           {key::kFrame, e.frame},
           {key::kCtl, e.ctl},
           {key::kKind, ev::kWidgetKinds[static_cast<int>(e.kind)]},
           {key::kRow, e.row},
           {key::kFrom, e.from},
           {key::kTo, e.to},
           {key::kX, e.x},
           {key::kY, e.y},
           {key::kPx, e.pageX},
           {key::kPy, e.pageY},
           {key::kKeys, e.keys},
           {key::kKey, e.key},
           {key::kW, e.width},
           {key::kH, e.height}};
    if (e.hotSpot != 0) j[key::kHot] = e.hotSpot;
    if (e.hotX) j[key::kHotX] = *e.hotX;
    return j;
}

json ListSelectJson(const FramePath& f, int ctl, const std::set<int>& rows, int mark) {
    return {{key::kEv, ev::kList},  {key::kFrame, f},          {key::kCtl, ctl},
            {key::kKind, "select"}, {key::kSel, Ranges(rows)}, {key::kMark, mark}};
}

json ExternalJson(const FramePath& f, const std::string& method,
                  const std::vector<std::string>& args) {
    return {
        {key::kEv, ev::kExternal}, {key::kFrame, f}, {key::kMethod, method}, {key::kArgs, args}};
}

}  // namespace dorvath::protocol
