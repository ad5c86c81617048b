#include "engine/static_assets.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <mutex>

#include "engine/embedded_resources.h"

namespace dorvath {
namespace {

bool EndsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// The compiled-in file an address of a page names ("runtime.css" or "/runtime.css").
const EmbeddedResource* Named(std::string_view address) {
    if (!address.empty() && address.front() == '/') address.remove_prefix(1);
    return address.find('/') == std::string_view::npos ? FindEmbeddedFile(address) : nullptr;
}

// <iframe ... src="X" ... style="display:none"> as <iframe ... data-dv-src="X" ...>.
std::string LaterFrames(std::string html) {
    for (size_t at = html.find("<iframe "); at != std::string::npos;
         at = html.find("<iframe ", at + 1)) {
        const size_t end = html.find('>', at);
        if (end == std::string::npos) break;
        const std::string_view tag(html.data() + at, end - at);
        const size_t src = tag.find(" src=\"");
        if (src != std::string_view::npos &&
            tag.find("style=\"display:none\"") != std::string_view::npos)
            html.replace(at + src, 6, " data-dv-src=\"");
    }
    return html;
}

// <span class="ico" style="--img:url(X.svg)"></span> with the picture X.svg inside.
std::string InlineIcons(std::string html, const ShippedReader& shipped) {
    static constexpr std::string_view kIcon = "<span class=\"ico\" style=\"--img:url(",
                                      kEnd = ")\"></span>";
    for (size_t at = html.find(kIcon); at != std::string::npos; at = html.find(kIcon, at + 1)) {
        const size_t from = at + kIcon.size(), to = html.find(kEnd, from);
        if (to == std::string::npos) break;
        const std::string address = html.substr(from, to - from);
        const std::optional<std::string> svg =
            EndsWith(address, ".svg") && shipped ? shipped(address) : std::nullopt;
        if (!svg || svg->rfind("<svg", 0) != 0) continue;
        std::string icon = "<span class=\"ico inline\">" + *svg;
        while (!icon.empty() && (icon.back() == '\n' || icon.back() == ' ')) icon.pop_back();
        icon += "</span>";
        html.replace(at, to + kEnd.size() - at, icon);
    }
    return html;
}

// A page whose one script is the runtime has nothing that must run before the rest of
// it is parsed: the runtime is deferred, and the page's frames are asked for meanwhile.
std::string DeferLoneRuntime(std::string html) {
    static constexpr std::string_view kRuntime = "<script src=\"runtime.js";
    const size_t at = html.find(kRuntime);
    if (at == std::string::npos || at == 0 || html.find("<script", at + 1) != std::string::npos ||
        html.rfind("<script", at - 1) != std::string::npos)
        return html;
    html.insert(at + 7, " defer");
    return html;
}

std::string Prepare(std::string_view html, const ShippedReader& shipped) {
    static constexpr std::string_view kSheet = "<link rel=\"stylesheet\" href=\"", kSrc = "src=\"";
    std::string out;
    out.reserve(html.size() + 4096);
    size_t at = 0;
    while (at < html.size()) {
        const size_t sheet = html.find(kSheet, at), src = html.find(kSrc, at);
        const size_t next = std::min(sheet, src);
        if (next == std::string_view::npos) break;
        const bool isSheet = next == sheet;
        const size_t from = next + (isSheet ? kSheet : kSrc).size(), to = html.find('"', from);
        if (to == std::string_view::npos) break;
        const std::string_view address = html.substr(from, to - from);
        const EmbeddedResource* r = Named(address);
        out.append(html.substr(at, next - at));
        if (isSheet && r && EndsWith(address, ".css") && html.substr(to, 2) == "\">") {
            out += "<style>\n";
            out.append(r->bytes());
            out += "</style>";
            at = to + 2;
        } else if (!isSheet && r && EndsWith(address, ".js")) {
            out.append(html.substr(next, to - next));
            out += "?v=" + ContentTag(r->bytes());
            at = to;
        } else {
            out.append(html.substr(next, to - next));
            at = to;
        }
    }
    out.append(html.substr(std::min(at, html.size())));
    return DeferLoneRuntime(InlineIcons(LaterFrames(std::move(out)), shipped));
}

}  // namespace

std::string ContentTag(std::string_view bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    char hex[17];
    const auto end = std::to_chars(hex, hex + sizeof hex, h, 16).ptr;
    return std::string(hex, end);
}

std::string PreparedPage(std::string_view name, std::string_view html,
                         const ShippedReader& shipped) {
    const EmbeddedResource* r = FindEmbeddedFile(name);
    if (!r || r->bytes() != html) return Prepare(html, shipped);  // a shipped page: each time
    static std::mutex mutex;
    static std::map<std::string, std::string, std::less<>> prepared;
    std::lock_guard lock(mutex);
    auto it = prepared.find(name);
    if (it == prepared.end())
        it = prepared.emplace(std::string(name), Prepare(html, shipped)).first;
    return it->second;
}

}  // namespace dorvath
