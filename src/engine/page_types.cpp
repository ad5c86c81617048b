#include "engine/page_types.h"

namespace dorvath {

std::int64_t FormInt(const FormValue& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return *i;
    if (auto b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return 0;
}

std::string FormText(const FormValue& v) {
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto b = std::get_if<bool>(&v)) return *b ? "1" : "0";
    return {};
}

}  // namespace dorvath
