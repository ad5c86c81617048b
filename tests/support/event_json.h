#pragma once
// The JSON of an event as the page runtime sends it: what the recording engine and the
// tests inject, parsed by the program as the page's own would be.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/bridge_protocol.h"

namespace dorvath::protocol {

json ClickJson(const FramePath& f, const std::string& id, const std::string& tag,
               const std::map<std::string, std::string>& attributes);
json CommandJson(const FramePath& f, const std::string& id, bool doubleClick);
json ReadyJson(const FramePath& f, const std::string& page);
json FormJson(const FramePath& f, const std::string& name, const FormMap& form);
json GeometryJson(const FramePath& f, const std::map<std::string, ElementBox>& boxes);
json WidgetJson(const WidgetEvent& e);
json ListSelectJson(const FramePath& f, int ctl, const std::set<int>& rows, int mark);
json ExternalJson(const FramePath& f, const std::string& method,
                  const std::vector<std::string>& args);

}  // namespace dorvath::protocol
