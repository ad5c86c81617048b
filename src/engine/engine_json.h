#pragma once
// JSON helpers shared by the engine's operation and event code (not for other parts).
#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "engine/html_engine.h"

namespace dorvath::engine_detail {

using json = nlohmann::json;

inline void PutElement(json& body, const Element& e) {
    if (!e.id.empty())
        body["id"] = e.id;
    else
        body["sel"] = e.selector;
}

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

inline json Ranges(const std::set<int>& rows) {
    json out = json::array();
    int start = -2, last = -2;
    for (int r : rows) {
        if (r == last + 1) {
            last = r;
            continue;
        }
        if (start >= 0) out.push_back({start, last});
        start = last = r;
    }
    if (start >= 0) out.push_back({start, last});
    return out;
}

inline std::set<int> FromRanges(const json& j, int limit) {
    std::set<int> out;
    if (!j.is_array()) return out;
    for (const json& r : j) {
        if (!r.is_array() || r.size() != 2 || !r[0].is_number_integer() ||
            !r[1].is_number_integer())
            continue;
        long long a = std::max<long long>(0, r[0].get<long long>());
        long long b = std::min<long long>(limit - 1, r[1].get<long long>());
        for (long long i = a; i <= b; ++i) out.insert(out.end(), static_cast<int>(i));
    }
    return out;
}

inline int Int(const json& j, const char* name, int dflt = 0) {
    auto it = j.find(name);
    if (it == j.end() || !it->is_number()) return dflt;
    double v = it->get<double>();
    if (v < -2e9 || v > 2e9) return dflt;
    return static_cast<int>(v);
}

inline std::string Str(const json& j, const char* name) {
    auto it = j.find(name);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace dorvath::engine_detail
