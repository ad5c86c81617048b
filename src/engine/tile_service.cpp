#include "engine/tile_service.h"

#include <curl/curl.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

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

std::string& TileServerSetting() {
    static std::string s;  // none until the program sets it: tests never reach out
    return s;
}

}  // namespace

void SetTileServer(std::string urlTemplate) { TileServerSetting() = std::move(urlTemplate); }

const std::string& TileServer() { return TileServerSetting(); }

std::optional<TileKey> ParseTilePath(const std::vector<std::string>& parts) {
    if (parts.size() != 4 || parts[0] != "tiles") return std::nullopt;
    const std::string& last = parts[3];
    if (last.size() < 5 || last.compare(last.size() - 4, 4, ".png") != 0) return std::nullopt;
    long z = 0, x = 0, y = 0;
    if (!ParseNumber(parts[1], 19, z)) return std::nullopt;
    const long limit = (1L << z) - 1;
    if (!ParseNumber(parts[2], limit, x) || !ParseNumber(last.substr(0, last.size() - 4), limit, y))
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
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &f.body);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, Header);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &f);
    if (curl_easy_perform(c) == CURLE_OK) curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &f.status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(c);
    return f;
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
    workers_.clear();  // joins; a fetch in flight ends within its time-out
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
    if (c.body.empty()) return std::nullopt;
    std::ifstream meta(std::filesystem::path(png).replace_extension(".meta"));
    std::string line;
    while (std::getline(meta, line)) {
        if (line.rfind("fresh=", 0) == 0) c.freshUntil = FromEpoch(std::atoll(line.c_str() + 6));
        if (line.rfind("etag=", 0) == 0) c.etag = line.substr(5);
        if (line.rfind("last-modified=", 0) == 0) c.lastModified = line.substr(14);
    }
    return c;
}

void TileService::writeCache(const TileKey& k, const Cached& c) const {
    // Written beside and renamed, so a reader never sees half a tile; the cache is only a
    // cache, so a failure just means the next view fetches again.
    const auto png = tilePath(k);
    std::error_code ec;
    std::filesystem::create_directories(png.parent_path(), ec);
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
         << "\nlast-modified=" << c.lastModified << "\n";
    put(std::filesystem::path(png).replace_extension(".meta"), meta.str());
    put(png, c.body);
}

void TileService::get(const TileKey& k, std::function<void(Answer)> done) {
    if (auto c = readCache(k); c && (c->freshUntil > opt_.now() || opt_.urlTemplate.empty())) {
        done(Answer{200, std::move(c->body)});
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
        TileFetch f = opt_.fetch(TileUrl(opt_.urlTemplate, k), opt_.userAgent, old ? old->etag : "",
                                 old ? old->lastModified : "");
        Answer a;
        const auto now = opt_.now();
        if (f.status == 200 && !f.body.empty()) {
            Cached c{f.body, now + TileLifetime(f, now), f.etag, f.lastModified};
            writeCache(k, c);
            a = Answer{200, std::move(f.body)};
        } else if (old && f.status == 304) {
            old->freshUntil = now + TileLifetime(f, now);
            writeCache(k, *old);
            a = Answer{200, std::move(old->body)};
        } else if (old) {
            a = Answer{200, std::move(old->body)};  // offline: the tile seen before
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
