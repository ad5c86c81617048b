#include "engine/tile_service.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace dorvath {
namespace {

constexpr auto kMinimumLifetime = std::chrono::hours(24 * 7);
constexpr size_t kMaxTileBytes = 4 << 20;  // no tile is near this; a bigger answer is refused

bool ParseNumber(const std::string& s, long max, long& out) {
    if (s.empty() || s.size() > 7) return false;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > max) return false;
    out = v;
    return true;
}

size_t Collect(char* data, size_t size, size_t n, void* user) {
    auto* body = static_cast<std::string*>(user);
    if (body->size() + size * n > kMaxTileBytes) return 0;  // ends the transfer
    body->append(data, size * n);
    return size * n;
}

size_t Header(char* data, size_t size, size_t n, void* user) {
    auto* f = static_cast<TileFetch*>(user);
    std::string line(data, size * n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return size * n;
    std::string name = line.substr(0, colon), value = line.substr(colon + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    if (strcasecmp(name.c_str(), "cache-control") == 0) f->cacheControl = value;
    if (strcasecmp(name.c_str(), "expires") == 0) f->expires = value;
    if (strcasecmp(name.c_str(), "etag") == 0) f->etag = value;
    if (strcasecmp(name.c_str(), "last-modified") == 0) f->lastModified = value;
    if (strcasecmp(name.c_str(), "content-type") == 0) f->contentType = value;
    return size * n;
}

std::chrono::system_clock::time_point FromEpoch(long long s) {
    return std::chrono::system_clock::time_point(std::chrono::seconds(s));
}

long long ToEpoch(std::chrono::system_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

// libcurl's global set-up, once, before the first handle of any thread.
void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t Discard(char*, size_t size, size_t n, void*) { return size * n; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "image/png" of "Image/PNG; charset=x"; "" when it is not an image type.
std::string ImageType(const std::string& contentType) {
    std::string t = Lower(contentType.substr(0, contentType.find(';')));
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t.rfind("image/", 0) == 0 && t.size() > 6 ? t : std::string();
}

std::string TypeBySignature(std::string_view b) {
    if (b.rfind("\x89PNG", 0) == 0) return "image/png";
    if (b.rfind("\xFF\xD8\xFF", 0) == 0) return "image/jpeg";
    return "image/webp";
}

uint32_t BigEndian32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(
        static_cast<unsigned char>(b[at]) << 24 | static_cast<unsigned char>(b[at + 1]) << 16 |
        static_cast<unsigned char>(b[at + 2]) << 8 | static_cast<unsigned char>(b[at + 3]));
}

// Scheme, host and port of an address, as libcurl reads it; nullopt when it cannot.
std::optional<std::string> Origin(const std::string& url) {
    CURLU* u = curl_url();
    if (!u) return std::nullopt;
    std::optional<std::string> out;
    char *scheme = nullptr, *host = nullptr, *port = nullptr;
    if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        out = Lower(scheme) + "://" + Lower(host) + ":" + port;
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(u);
    return out;
}

// The stop of the tile service's worker that is fetching on this thread, if any: a fetch
// from a server that never answers must not hold the program's end for its time-out.
thread_local const std::stop_token* tFetchStop = nullptr;

int StopWhenAsked(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return tFetchStop && tFetchStop->stop_requested() ? 1 : 0;
}

// One GET, redirects not followed (their target is in `redirect`).
TileFetch FetchOnce(const std::string& url, const std::string& userAgent, const std::string& etag,
                    const std::string& lastModified, std::string& redirect) {
    InitCurl();
    TileFetch f;
    CURL* c = curl_easy_init();
    if (!c) return f;
    curl_slist* headers = nullptr;
    if (!etag.empty()) headers = curl_slist_append(headers, ("If-None-Match: " + etag).c_str());
    if (!lastModified.empty())
        headers = curl_slist_append(headers, ("If-Modified-Since: " + lastModified).c_str());
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 5000L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 15000L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // Our own machine is never reached through a proxy.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.0/8,::1");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &f.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Header);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &f);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, StopWhenAsked);
    // A body cut short of its Content-Length fails here, and is no tile.
    if (curl_easy_perform(c) == CURLE_OK) {
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &f.status);
        char* to = nullptr;
        if (curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &to) == CURLE_OK && to) redirect = to;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(c);
    return f;
}

}  // namespace

std::optional<TileKey> ParseTilePath(const std::vector<std::string>& segments) {
    if (segments.size() != 4 || segments[0] != "tiles") return std::nullopt;
    const std::string& last = segments[3];
    if (last.size() < 5 || last.compare(last.size() - 4, 4, ".png") != 0) return std::nullopt;
    long z = 0, x = 0, y = 0;
    if (!ParseNumber(segments[1], 19, z)) return std::nullopt;
    const long limit = (1L << z) - 1;
    if (!ParseNumber(segments[2], limit, x) ||
        !ParseNumber(last.substr(0, last.size() - 4), limit, y))
        return std::nullopt;
    return TileKey{static_cast<int>(z), x, y};
}

std::string TileUrl(const std::string& t, const TileKey& k) {
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t.compare(i, 3, "{z}") == 0) {
            out += std::to_string(k.z);
            i += 2;
        } else if (t.compare(i, 3, "{x}") == 0) {
            out += std::to_string(k.x);
            i += 2;
        } else if (t.compare(i, 3, "{y}") == 0) {
            out += std::to_string(k.y);
            i += 2;
        } else {
            out += t[i];
        }
    }
    return out;
}

std::filesystem::path DefaultTileCacheDir() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && *xdg == '/') return std::filesystem::path(xdg) / "dorvath" / "tiles";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::filesystem::path(home) / ".cache" / "dorvath" / "tiles";
    return std::filesystem::temp_directory_path() / "dorvath-tiles";
}

TileFetch FetchWithCurl(const std::string& url, const std::string& userAgent,
                        const std::string& etag, const std::string& lastModified) {
    // A redirect is followed only within the tile server itself: a server (or whoever
    // answers in its name) must not send us to another host, port or scheme.
    const std::optional<std::string> home = Origin(url);
    std::string at = url;
    for (int hop = 0; hop <= 3; ++hop) {
        std::string redirect;
        TileFetch f = FetchOnce(at, userAgent, etag, lastModified, redirect);
        if (f.status < 300 || f.status >= 400 || f.status == 304 || redirect.empty()) return f;
        if (!home || Origin(redirect) != home) return {};  // a missing tile
        at = redirect;
    }
    return {};
}

std::string TileTemplateProblem(const std::string& t) {
    const std::string wanted = "give an http or https address with {z}, {x} and {y} in its path";
    if (t.empty()) return "it is empty; " + wanted;
    for (char c : t)
        if (static_cast<unsigned char>(c) <= ' ') return "it contains a blank or control character";
    const size_t sep = t.find("://");
    const std::string scheme = sep == std::string::npos ? "" : Lower(t.substr(0, sep));
    if (scheme != "http" && scheme != "https")
        return "it is not an http or https address; " + wanted;
    const size_t from = sep + 3, to = t.find_first_of("/?#", from);
    const std::string authority =
        t.substr(from, to == std::string::npos ? std::string::npos : to - from);
    if (authority.find_first_of("{}") != std::string::npos)
        return "{z}, {x} and {y} belong in the path, never in the host";
    if (authority.find_first_of("@\\") != std::string::npos)
        return "its host part holds a user name or a backslash";
    std::string host = authority, port;
    if (!host.empty() && host[0] == '[') {
        const size_t close = host.find(']');
        if (close == std::string::npos) return "its host is not a valid address";
        port = host.substr(close + 1);
        host = host.substr(0, close + 1);
        if (!port.empty() && port[0] != ':') return "its host is not a valid address";
        if (!port.empty()) port.erase(0, 1);
    } else if (const size_t colon = host.find(':'); colon != std::string::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    if (host.empty()) return "it names no host";
    if (authority.find(':') != std::string::npos && host[0] != '[') {
        const bool digits = !port.empty() && port.size() <= 5 &&
                            port.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || std::stol(port) < 1 || std::stol(port) > 65535)
            return "its port is not a number from 1 to 65535";
    }
    const std::string path = to == std::string::npos ? "" : t.substr(to);
    std::string missing;
    for (const char* p : {"{z}", "{x}", "{y}"})
        if (path.find(p) == std::string::npos)
            missing += (missing.empty() ? "" : ", ") + std::string(p);
    if (!missing.empty()) return "its path lacks " + missing + "; " + wanted;
    return {};
}

bool IsWholeImage(std::string_view b) {
    if (b.rfind("\x89PNG\r\n\x1a\n", 0) == 0) {
        // Chunk by chunk to IEND, which must end the body.
        size_t at = 8;
        while (at + 12 <= b.size()) {
            const uint64_t length = BigEndian32(b, at);
            const std::string_view type = b.substr(at + 4, 4);
            const uint64_t next = at + 12 + length;
            if (next > b.size()) return false;
            if (type == "IEND") return next == b.size();
            at = static_cast<size_t>(next);
        }
        return false;
    }
    if (b.rfind("\xFF\xD8\xFF", 0) == 0)
        return b.size() > 4 && b.substr(b.size() - 2) == "\xFF\xD9";
    if (b.size() >= 16 && b.rfind("RIFF", 0) == 0 && b.substr(8, 4) == "WEBP") {
        const uint32_t riff = static_cast<uint32_t>(
            static_cast<unsigned char>(b[4]) | static_cast<unsigned char>(b[5]) << 8 |
            static_cast<unsigned char>(b[6]) << 16 | static_cast<unsigned char>(b[7]) << 24);
        return static_cast<uint64_t>(riff) + 8 == b.size();
    }
    return false;
}

std::string ServiceBaseAddress(const std::string& t) {
    const size_t scheme = t.find("://");
    if (scheme == std::string::npos || scheme == 0) return {};
    const size_t hostEnd = t.find('/', scheme + 3);
    const std::string host = t.substr(
        scheme + 3, hostEnd == std::string::npos ? std::string::npos : hostEnd - scheme - 3);
    if (host.empty() || host.find('{') != std::string::npos) return {};
    return t.substr(0, scheme + 3) + host + "/";
}

bool ProbeMapService(const std::string& base) {
    if (base.empty()) return false;
    InitCurl();
    CURL* c = curl_easy_init();
    if (!c) return false;
    curl_easy_setopt(c, CURLOPT_URL, base.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, "InetURL/1.0");
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, 1000L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, 3000L);
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Discard);
    // Any HTTP answer, whatever its status, means the service is there.
    const CURLcode rc = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(c);
    return rc == CURLE_OK || status > 0;
}

std::chrono::seconds TileLifetime(const TileFetch& f, std::chrono::system_clock::time_point now) {
    std::chrono::seconds server{0};
    if (size_t at = f.cacheControl.find("max-age="); at != std::string::npos) {
        server = std::chrono::seconds(std::atoll(f.cacheControl.c_str() + at + 8));
    } else if (!f.expires.empty()) {
        tm t{};
        if (strptime(f.expires.c_str(), "%a, %d %b %Y %H:%M:%S", &t))
            server = std::chrono::seconds(static_cast<long long>(timegm(&t)) - ToEpoch(now));
    }
    return std::max<std::chrono::seconds>(server, kMinimumLifetime);
}

TileService::TileService(Options o) : opt_(std::move(o)) {
    for (int i = 0; i < std::max(1, opt_.fetchers); ++i)
        workers_.emplace_back([this](std::stop_token stop) { work(stop); });
}

TileService::~TileService() {
    for (auto& w : workers_) w.request_stop();
    wake_.notify_all();
    workers_.clear();  // joins; a fetch in flight is stopped by its progress check
}

int TileService::fetches() const {
    std::lock_guard lock(mutex_);
    return fetches_;
}

std::filesystem::path TileService::tilePath(const TileKey& k) const {
    return opt_.cacheDir / std::to_string(k.z) / std::to_string(k.x) /
           (std::to_string(k.y) + ".png");
}

std::optional<TileService::Cached> TileService::readCache(const TileKey& k) const {
    const auto png = tilePath(k);
    std::ifstream in(png, std::ios::binary);
    if (!in) return std::nullopt;
    Cached c;
    c.body.assign(std::istreambuf_iterator<char>(in), {});
    if (!IsWholeImage(c.body)) return std::nullopt;  // what an older build kept is no tile
    std::ifstream meta(std::filesystem::path(png).replace_extension(".meta"));
    std::string line;
    while (std::getline(meta, line)) {
        if (line.rfind("fresh=", 0) == 0) c.freshUntil = FromEpoch(std::atoll(line.c_str() + 6));
        if (line.rfind("etag=", 0) == 0) c.etag = line.substr(5);
        if (line.rfind("last-modified=", 0) == 0) c.lastModified = line.substr(14);
        if (line.rfind("type=", 0) == 0) c.contentType = ImageType(line.substr(5));
    }
    if (c.contentType.empty()) c.contentType = TypeBySignature(c.body);
    return c;
}

void TileService::writeCache(const TileKey& k, const Cached& c) {
    // Written beside and renamed, so a reader never sees half a tile; the cache is only a
    // cache, so a failure just means the next view fetches again.
    const auto png = tilePath(k);
    const auto metaPath = std::filesystem::path(png).replace_extension(".meta");
    std::error_code ec;
    std::filesystem::create_directories(png.parent_path(), ec);
    std::int64_t before = 0;
    for (const auto& p : {png, metaPath}) {
        const auto size = std::filesystem::file_size(p, ec);
        if (!ec) before += static_cast<std::int64_t>(size);
    }
    auto put = [](const std::filesystem::path& to, const std::string& bytes) {
        auto tmp = to;
        tmp += ".tmp" + std::to_string(::getpid()) + "-" +
               std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out << bytes;
            if (!out.flush()) return;
        }
        std::error_code e;
        std::filesystem::rename(tmp, to, e);
        if (e) std::filesystem::remove(tmp, e);
    };
    std::ostringstream meta;
    meta << "fresh=" << ToEpoch(c.freshUntil) << "\netag=" << c.etag
         << "\nlast-modified=" << c.lastModified << "\ntype=" << c.contentType << "\n";
    put(metaPath, meta.str());
    put(png, c.body);
    prune(static_cast<std::int64_t>(c.body.size() + meta.str().size()) - before);
}

void TileService::prune(std::int64_t added) {
    namespace fs = std::filesystem;
    std::lock_guard lock(pruneMutex_);
    const auto limit = static_cast<std::int64_t>(opt_.maxCacheBytes);
    if (cacheBytes_ >= 0) {
        cacheBytes_ += added;
        if (cacheBytes_ <= limit) return;
    }
    // Counted from the disk: at the first write, and when over the limit.
    struct Tile {
        fs::file_time_type used;  // a tile's time is set each time it is served
        std::int64_t bytes;
        fs::path png;
    };
    std::vector<Tile> tiles;
    std::int64_t total = 0;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (auto it = fs::recursive_directory_iterator(
             opt_.cacheDir, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code e;
        if (!it->is_regular_file(e)) continue;
        const auto bytes = static_cast<std::int64_t>(it->file_size(e));
        const auto time = it->last_write_time(e);
        if (e) continue;
        const fs::path& p = it->path();
        if (p.extension() == ".tmp" && now - time > std::chrono::hours(1)) {
            fs::remove(p, e);  // a write that was killed
            continue;
        }
        total += bytes;
        if (p.extension() == ".png") tiles.push_back({time, bytes, p});
    }
    if (total > limit) {
        // Down to nine tenths, so that pruning is not needed again at the next tile.
        std::sort(tiles.begin(), tiles.end(),
                  [](const Tile& a, const Tile& b) { return a.used < b.used; });
        for (const Tile& t : tiles) {
            if (total <= limit / 10 * 9) break;
            std::error_code e;
            const fs::path meta = fs::path(t.png).replace_extension(".meta");
            const auto metaBytes = fs::file_size(meta, e);
            if (fs::remove(t.png, e)) total -= t.bytes;
            if (fs::remove(meta, e)) total -= static_cast<std::int64_t>(metaBytes);
        }
    }
    cacheBytes_ = total;
}

std::optional<TileService::Answer> TileService::stale(const TileKey& k) const {
    auto c = readCache(k);
    if (!c) return std::nullopt;
    return Answer{200, std::move(c->body), std::move(c->contentType)};
}

void TileService::get(const TileKey& k, std::function<void(Answer)> done) {
    if (auto c = readCache(k); c && (c->freshUntil > opt_.now() || opt_.urlTemplate.empty())) {
        // Served: the most recently used tiles are the last to be pruned.
        ::utimensat(AT_FDCWD, tilePath(k).c_str(), nullptr, 0);
        done(Answer{200, std::move(c->body), std::move(c->contentType)});
        return;
    }
    if (opt_.urlTemplate.empty()) {
        done(Answer{});
        return;
    }
    {
        std::lock_guard lock(mutex_);
        auto& waiters = waiting_[k];
        waiters.push_back(std::move(done));
        if (waiters.size() > 1) return;  // already on its way
        queue_.push_back(k);
    }
    wake_.notify_one();
}

void TileService::work(std::stop_token stop) {
    for (;;) {
        TileKey k;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return !queue_.empty(); })) return;
            k = queue_.front();
            queue_.pop_front();
            ++fetches_;
        }
        std::optional<Cached> old = readCache(k);
        tFetchStop = &stop;
        TileFetch f = opt_.fetch(TileUrl(opt_.urlTemplate, k), opt_.userAgent, old ? old->etag : "",
                                 old ? old->lastModified : "");
        Answer a;
        const auto now = opt_.now();
        const std::string type = ImageType(f.contentType);
        // Only a whole image is a tile: an error page or a body cut short is not kept.
        if (f.status == 200 && !type.empty() && IsWholeImage(f.body)) {
            Cached c{f.body, now + TileLifetime(f, now), f.etag, f.lastModified, type};
            writeCache(k, c);
            a = Answer{200, std::move(f.body), type};
        } else if (old && f.status == 304) {
            old->freshUntil = now + TileLifetime(f, now);
            writeCache(k, *old);
            a = Answer{200, std::move(old->body), std::move(old->contentType)};
        } else if (old) {
            // Offline, or an answer that is no tile: the tile seen before.
            a = Answer{200, std::move(old->body), std::move(old->contentType)};
        }
        std::vector<std::function<void(Answer)>> waiters;
        {
            std::lock_guard lock(mutex_);
            waiters = std::move(waiting_[k]);
            waiting_.erase(k);
        }
        for (auto& w : waiters) w(a);
    }
}

}  // namespace dorvath
