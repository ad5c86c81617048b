#include "engine/request_text.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace dorvath {
namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::filesystem::path ProgramDir() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : p.parent_path();
}

bool SameToken(std::string_view a, std::string_view b) {
    if (a.size() != b.size() || a.empty()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

bool Decode(std::string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        if (i + 2 >= in.size()) return false;
        int h = HexDigit(in[i + 1]), l = HexDigit(in[i + 2]);
        if (h < 0 || l < 0) return false;
        out += static_cast<char>(h * 16 + l);
        i += 2;
    }
    return true;
}

std::string QueryValue(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view part = query.substr(0, amp);
        size_t eq = part.find('=');
        if (part.substr(0, eq) == name && eq != std::string_view::npos) {
            std::string v;
            return Decode(part.substr(eq + 1), v) ? v : std::string();
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return {};
}

std::string CookieValue(std::string_view cookies, std::string_view name) {
    while (!cookies.empty()) {
        size_t semi = cookies.find(';');
        std::string_view part = cookies.substr(0, semi);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        size_t eq = part.find('=');
        if (eq != std::string_view::npos && part.substr(0, eq) == name)
            return std::string(part.substr(eq + 1));
        if (semi == std::string_view::npos) break;
        cookies.remove_prefix(semi + 1);
    }
    return {};
}

bool SafeSegments(const std::string& path, std::vector<std::string>& segments) {
    segments.clear();
    if (path.empty() || path[0] != '/') return false;
    std::string part;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (part == "." || part == "..") return false;
            if (part.empty() && i != path.size()) return false;  // "//"
            if (!part.empty()) segments.push_back(part);
            part.clear();
            continue;
        }
        char c = path[i];
        if (c == '\\' || c == '\0' || static_cast<unsigned char>(c) < 0x20) return false;
        part += c;
    }
    return true;
}

std::string MimeType(const std::string& file) {
    size_t dot = file.rfind('.');
    std::string ext = dot == std::string::npos ? "" : file.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "html" || ext == "htm") return "text/html; charset=utf-8";
    if (ext == "js" || ext == "mjs") return "text/javascript; charset=utf-8";
    if (ext == "css") return "text/css; charset=utf-8";
    if (ext == "png") return "image/png";
    if (ext == "gif") return "image/gif";
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "svg") return "image/svg+xml";
    if (ext == "ico") return "image/x-icon";
    if (ext == "bmp") return "image/bmp";
    if (ext == "xml") return "application/xml; charset=utf-8";
    if (ext == "json") return "application/json";
    if (ext == "txt") return "text/plain; charset=utf-8";
    if (ext == "woff2") return "font/woff2";
    return "application/octet-stream";
}

bool ReadFile(const std::filesystem::path& root, const std::vector<std::string>& rel,
              std::string& out) {
    std::error_code ec;
    std::filesystem::path p = root;
    for (const auto& r : rel) p /= r;
    // Symbolic links must not lead out of the folder either.
    auto real = std::filesystem::weakly_canonical(p, ec);
    auto base = std::filesystem::weakly_canonical(root, ec);
    if (ec) return false;
    auto rs = real.string(), bs = base.string();
    if (rs.size() <= bs.size() || rs.compare(0, bs.size(), bs) != 0 || rs[bs.size()] != '/')
        return false;
    if (!std::filesystem::is_regular_file(real, ec)) return false;
    std::ifstream in(real, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return true;
}

}  // namespace dorvath
