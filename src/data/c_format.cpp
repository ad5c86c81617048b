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

}  // namespace

std::string CFormatList(std::string_view fmt, std::initializer_list<FormatArg> args, size_t limit) {
    std::string out;
    out.reserve(fmt.size() + args.size() * 12);
    auto arg = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%') {
            out.push_back(c);
            continue;
        }
        if (++i >= fmt.size()) break;
        if (fmt[i] == '%') {
            out.push_back('%');
            continue;
        }
        bool left = false, zero = false;
        for (; i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0'); ++i)
            (fmt[i] == '-' ? left : zero) = true;
        int width = 0;
        for (; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i)
            width = width * 10 + (fmt[i] - '0');
        int precision = -1;
        if (i < fmt.size() && fmt[i] == '.') {
            precision = 0;
            for (++i; i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9'; ++i)
                precision = precision * 10 + (fmt[i] - '0');
        }
        while (i < fmt.size() && (fmt[i] == 'l' || fmt[i] == 'h' || fmt[i] == 'z')) ++i;
        if (i >= fmt.size()) break;
        char conv = fmt[i];
        FormatArg a = arg != args.end() ? *arg++ : FormatArg(0LL);
        auto asDouble = [&] {
            if (auto* d = std::get_if<double>(&a)) return *d;
            if (auto* s = std::get_if<long long>(&a)) return static_cast<double>(*s);
            if (auto* u = std::get_if<unsigned long long>(&a)) return static_cast<double>(*u);
            return 0.0;
        };
        auto asInt = [&]() -> long long {
            if (auto* s = std::get_if<long long>(&a)) return *s;
            if (auto* u = std::get_if<unsigned long long>(&a)) return static_cast<long long>(*u);
            if (auto* d = std::get_if<double>(&a)) return static_cast<long long>(*d);
            return 0;
        };
        std::string body;
        switch (conv) {
            case 'd':
            case 'i':
                body = std::to_string(asInt());
                break;
            case 'u':
                if (auto* u = std::get_if<unsigned long long>(&a))
                    body = std::to_string(*u);
                else
                    body = std::to_string(
                        static_cast<unsigned long long>(static_cast<unsigned int>(asInt())));
                break;
            case 'x':
            case 'X': {
                char buf[32];
                auto r = std::to_chars(buf, buf + sizeof buf,
                                       static_cast<unsigned long long>(asInt()), 16);
                body.assign(buf, r.ptr);
                if (conv == 'X')
                    for (auto& ch : body) ch = static_cast<char>(std::toupper(ch));
                break;
            }
            case 'f':
            case 'F':
                body = Fixed(asDouble(), precision < 0 ? 6 : precision);
                break;
            case 'c':
                body.assign(1, static_cast<char>(asInt()));
                break;
            case 's':
                if (auto* s = std::get_if<std::string_view>(&a)) body.assign(*s);
                if (precision >= 0 && body.size() > static_cast<size_t>(precision))
                    body.resize(precision);
                zero = false;
                break;
            default:
                body.assign(1, conv);
        }
        if (precision >= 0 &&
            (conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X')) {
            // a precision on an integer is its least number of digits
            size_t sign = (!body.empty() && body[0] == '-') ? 1 : 0;
            size_t digits = body.size() - sign;
            if (digits < static_cast<size_t>(precision))
                body.insert(sign, static_cast<size_t>(precision) - digits, '0');
            zero = false;
        }
        Pad(out, body, width, left, zero);
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

}  // namespace dorvath
