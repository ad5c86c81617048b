#pragma once
// printf-style formatting that never looks at the process locale: "%f" always writes
// a ".". Supports %d %i %u %f %.Nf %s %c %x %% with an optional width and '0' or '-'.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace dorvath {

using FormatArg = std::variant<long long, unsigned long long, double, std::string_view>;

std::string CFormatList(std::string_view fmt, std::initializer_list<FormatArg> args,
                        size_t limit = std::string::npos);

template <typename T>
FormatArg ToFormatArg(const T& v) {
    if constexpr (std::is_floating_point_v<T>)
        return static_cast<double>(v);
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        return static_cast<long long>(v);
    else if constexpr (std::is_integral_v<T>)
        return static_cast<unsigned long long>(v);
    else
        return std::string_view(v);
}

template <typename... A>
std::string CFormat(std::string_view fmt, const A&... a) {
    return CFormatList(fmt, {ToFormatArg(a)...});
}

// A statement formatted into a bounded 4096-byte buffer: at most 4095 characters.
template <typename... A>
std::string SqlFormat(std::string_view fmt, const A&... a) {
    return CFormatList(fmt, {ToFormatArg(a)...}, 4095);
}

}  // namespace dorvath
