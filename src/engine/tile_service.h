#pragma once
// Map tiles for the map page, from an on-disk cache, fetching a miss from the tile server
// the way its usage policy asks: our own User-Agent, at most two fetches at a time, only
// the tiles a page asks for, a time-out, and a tile kept at least 7 days (longer when the
// server's cache headers say so) and revalidated after that. A failed fetch serves the
// tile seen before, else answers 404. Only the configured server is asked (a redirect to
// another scheme, host or port is not followed), only a whole image is kept, and the
// cache is pruned to its size limit, least recently used first. Nothing here blocks the
// caller.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dorvath {

struct TileKey {
    int z = 0;
    long x = 0, y = 0;
    bool operator<(const TileKey& o) const { return std::tie(z, x, y) < std::tie(o.z, o.x, o.y); }
};

// "tiles", z, x, "y.png" with decimal numbers, z at most 19, x and y within 0 .. 2^z - 1.
std::optional<TileKey> ParseTilePath(const std::vector<std::string>& segments);

// The tile's address from a template with {z}, {x} and {y}.
std::string TileUrl(const std::string& urlTemplate, const TileKey& k);

constexpr const char* kDefaultTileServer = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";

// What is wrong with a tile server template, "" when nothing: http or https, a host, and
// {z}, {x} and {y} after the host (never in it).
std::string TileTemplateProblem(const std::string& urlTemplate);

// Whether a body is a whole PNG, JPEG or WebP image: its signature, and an end that
// shows nothing was cut off.
bool IsWholeImage(std::string_view body);

// The base address of a tile URL template ("https://tile.example.org/{z}/{x}/{y}.png" gives
// "https://tile.example.org/"); "" when it has no scheme and host.
std::string ServiceBaseAddress(const std::string& tileTemplate);

// Whether the tile server answers at all (any HTTP status): agent "InetURL/1.0", connect
// time-out 1000 ms.
bool ProbeMapService(const std::string& baseAddress);

// The cache folder: $XDG_CACHE_HOME/dorvath/tiles, else ~/.cache/dorvath/tiles.
std::filesystem::path DefaultTileCacheDir();

// What a fetch brought: an HTTP status (0: no answer), the body, and the headers that
// decide how long it stays fresh.
struct TileFetch {
    long status = 0;
    std::string body;
    std::string contentType;
    std::string cacheControl, expires, etag, lastModified;
};
// One GET with the given validators; the default uses libcurl.
using TileFetcher =
    std::function<TileFetch(const std::string& url, const std::string& userAgent,
                            const std::string& etag, const std::string& lastModified)>;
TileFetch FetchWithCurl(const std::string& url, const std::string& userAgent,
                        const std::string& etag, const std::string& lastModified);

// How long a fetched tile stays fresh: the server's max-age (or Expires), at least 7 days.
std::chrono::seconds TileLifetime(const TileFetch& f, std::chrono::system_clock::time_point now);

class TileService {
  public:
    struct Options {
        std::string urlTemplate;  // "" serves the cache only
        std::filesystem::path cacheDir;
        std::string userAgent;
        int fetchers = 2;
        std::uint64_t maxCacheBytes = 500ull << 20;
        TileFetcher fetch = FetchWithCurl;
        std::function<std::chrono::system_clock::time_point()> now = std::chrono::system_clock::now;
    };
    struct Answer {
        int status = 404;  // 200 with an image body, or 404
        std::string body;
        std::string contentType;
    };

    explicit TileService(Options o);
    ~TileService();
    TileService(const TileService&) = delete;
    TileService& operator=(const TileService&) = delete;

    // Answers at once from a fresh cached tile; otherwise queues one fetch per tile (callers
    // asking for the same tile share it) and answers from a fetcher thread.
    void get(const TileKey& k, std::function<void(Answer)> done);
    // The cached tile however old, for an answer that cannot wait for the fetch.
    std::optional<Answer> stale(const TileKey& k) const;

    int fetches() const;  // fetches made so far (tests)

  private:
    struct Cached {
        std::string body;
        std::chrono::system_clock::time_point freshUntil;
        std::string etag, lastModified, contentType;
    };
    std::optional<Cached> readCache(const TileKey& k) const;
    void writeCache(const TileKey& k, const Cached& c);
    std::filesystem::path tilePath(const TileKey& k) const;
    void work(std::stop_token stop);
    // Removes the least recently used tiles until the cache is within its limit.
    void prune(std::int64_t added);

    Options opt_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<TileKey> queue_;
    std::map<TileKey, std::vector<std::function<void(Answer)>>> waiting_;
    int fetches_ = 0;
    std::mutex pruneMutex_;
    std::int64_t cacheBytes_ = -1;  // unknown until the cache was first counted
    std::vector<std::jthread> workers_;
};

}  // namespace dorvath
