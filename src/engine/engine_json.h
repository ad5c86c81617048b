#pragma once
// Kept-state keys and frame path rules shared by the engine's code (not for other parts).
#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "engine/html_engine.h"

namespace dorvath::engine_detail {

using json = nlohmann::json;

inline std::string Key(const FramePath& f, const char* op, const std::string& a = {},
                       const std::string& b = {}) {
    std::string k = f;
    k += '|';
    k += op;
    k += '|';
    k += a;
    k += '|';
    k += b;
    return k;
}

inline bool IsChildFrame(const FramePath& parent, const FramePath& child) {
    if (child.rfind("dlg/", 0) == 0 && parent.empty()) return false;
    if (parent.empty()) return !child.empty() && child.find('/') == std::string::npos;
    if (child.size() <= parent.size() + 1 || child.compare(0, parent.size(), parent) != 0 ||
        child[parent.size()] != '/')
        return false;
    return child.find('/', parent.size() + 1) == std::string::npos;
}

inline bool IsSameOrBelow(const FramePath& parent, const FramePath& f) {
    if (parent.empty()) return f.rfind("dlg/", 0) != 0;
    return f == parent || (f.size() > parent.size() && f.compare(0, parent.size(), parent) == 0 &&
                           f[parent.size()] == '/');
}

}  // namespace dorvath::engine_detail
