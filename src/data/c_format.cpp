#include "data/c_format.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace dorvath {
namespace {

void Pad(std::string& out, std::string_view body, int width, bool left, bool zero) {
    int fill = width - static_cast<int>(body.size());
    if (fill <= 0) {
        out.append(body);
        return;
    }
    if (left) {
        out.append(body);
        out.append(fill, ' ');
    } else if (zero) {
        // zeros go after the sign
        size_t sign = (!body.empty() && (body[0] == '-' || body[0] == '+')) ? 1 : 0;
        out.append(body.substr(0, sign));
        out.append(fill, '0');
        out.append(body.substr(sign));
    } else {
        out.append(fill, ' ');
        out.append(body);
    }
}

std::string Fixed(double v, int precision) {
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    return std::string(buf, r.ptr);
}

// One conversion: %[-0][width][.precision][l|h|z...]conv.
struct Spec {
    bool left = false, zero = false;
    int width = 0;
    int precision = -1;  // none
    char conv = 0;
};

// Reads the conversion whose '%' is at fmt[i - 1], leaving i on its last character;
// false when the format ends inside it.
bool ParseSpec(std::string_view fmt, size_t& i, Spec& s) {
    auto digits = [&](int& v) {
        for (; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i) v = v * 10 + (fmt[i] - '0');
    };
    for (; i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0'); ++i)
        (fmt[i] == '-' ? s.left : s.zero) = true;
    digits(s.width);
    if (i < fmt.size() && fmt[i] == '.') {
        s.precision = 0;
        ++i;
        digits(s.precision);
    }
    while (i < fmt.size() && (fmt[i] == 'l' || fmt[i] == 'h' || fmt[i] == 'z')) ++i;
    if (i >= fmt.size()) return false;
    s.conv = fmt[i];
    return true;
}

double AsDouble(const FormatArg& a) {
    if (auto* d = std::get_if<double>(&a)) return *d;
    if (auto* s = std::get_if<long long>(&a)) return static_cast<double>(*s);
    if (auto* u = std::get_if<unsigned long long>(&a)) return static_cast<double>(*u);
    return 0.0;
}

long long AsInt(const FormatArg& a) {
    if (auto* s = std::get_if<long long>(&a)) return *s;
    if (auto* u = std::get_if<unsigned long long>(&a)) return static_cast<long long>(*u);
    if (auto* d = std::get_if<double>(&a)) return static_cast<long long>(*d);
    return 0;
}

bool IsInteger(char conv) {
    return conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X';
}

// The text of one conversion of `a`, before its padding.
std::string Render(Spec& s, const FormatArg& a) {
    std::string body;
    switch (s.conv) {
        case 'd':
        case 'i':
            body = std::to_string(AsInt(a));
            break;
        case 'u':
            if (auto* u = std::get_if<unsigned long long>(&a))
                body = std::to_string(*u);
            else
                body = std::to_string(
                    static_cast<unsigned long long>(static_cast<unsigned int>(AsInt(a))));
            break;
        case 'x':
        case 'X': {
            char buf[32];
            auto r =
                std::to_chars(buf, buf + sizeof buf, static_cast<unsigned long long>(AsInt(a)), 16);
            body.assign(buf, r.ptr);
            if (s.conv == 'X')
                for (auto& ch : body) ch = static_cast<char>(std::toupper(ch));
            break;
        }
        case 'f':
        case 'F':
            body = Fixed(AsDouble(a), s.precision < 0 ? 6 : s.precision);
            break;
        case 'c':
            body.assign(1, static_cast<char>(AsInt(a)));
            break;
        case 's':
            if (auto* v = std::get_if<std::string_view>(&a)) body.assign(*v);
            if (s.precision >= 0 && body.size() > static_cast<size_t>(s.precision))
                body.resize(s.precision);
            s.zero = false;
            break;
        default:
            body.assign(1, s.conv);
    }
    if (s.precision >= 0 && IsInteger(s.conv)) {
        // a precision on an integer is its least number of digits
        size_t sign = (!body.empty() && body[0] == '-') ? 1 : 0;
        size_t digits = body.size() - sign;
        if (digits < static_cast<size_t>(s.precision))
            body.insert(sign, static_cast<size_t>(s.precision) - digits, '0');
        s.zero = false;
    }
    return body;
}

}  // namespace

std::string CFormatList(std::string_view fmt, std::initializer_list<FormatArg> args, size_t limit) {
    std::string out;
    out.reserve(fmt.size() + args.size() * 12);
    auto arg = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out.push_back(fmt[i]);
            continue;
        }
        if (++i >= fmt.size()) break;
        if (fmt[i] == '%') {
            out.push_back('%');
            continue;
        }
        Spec spec;
        if (!ParseSpec(fmt, i, spec)) break;
        const FormatArg a = arg != args.end() ? *arg++ : FormatArg(0LL);
        const std::string body = Render(spec, a);
        Pad(out, body, spec.width, spec.left, spec.zero);
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

}  // namespace dorvath
