#pragma once
// Map tiles for the map page, from an on-disk cache, fetching a miss from the tile server
// the way its usage policy asks: our own User-Agent, at most two fetches at a time, only
// the tiles a page asks for, a time-out, and a tile kept at least 7 days (longer when the
// server's cache headers say so) and revalidated after that. A failed fetch serves the
// tile seen before, else answers 404. Nothing here blocks the caller.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dorvath {

struct TileKey {
    int z = 0;
    long x = 0, y = 0;
    bool operator<(const TileKey& o) const { return std::tie(z, x, y) < std::tie(o.z, o.x, o.y); }
};

// "tiles", z, x, "y.png" with decimal numbers, z at most 19, x and y within 0 .. 2^z - 1.
std::optional<TileKey> ParseTilePath(const std::vector<std::string>& parts);

// The tile's address from a template with {z}, {x} and {y}.
std::string TileUrl(const std::string& urlTemplate, const TileKey& k);

// The tile server the program uses, set once at start; "" (the default) fetches nothing.
void SetTileServer(std::string urlTemplate);
const std::string& TileServer();
constexpr const char* kDefaultTileServer = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";

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
        TileFetcher fetch = FetchWithCurl;
        std::function<std::chrono::system_clock::time_point()> now = std::chrono::system_clock::now;
    };
    struct Answer {
        int status = 404;  // 200 with a PNG body, or 404
        std::string body;
    };

    explicit TileService(Options o);
    ~TileService();
    TileService(const TileService&) = delete;
    TileService& operator=(const TileService&) = delete;

    // Answers at once from a fresh cached tile; otherwise queues one fetch per tile (callers
    // asking for the same tile share it) and answers from a fetcher thread.
    void get(const TileKey& k, std::function<void(Answer)> done);

    int fetches() const;  // fetches made so far (tests)

  private:
    struct Cached {
        std::string body;
        std::chrono::system_clock::time_point freshUntil;
        std::string etag, lastModified;
    };
    std::optional<Cached> readCache(const TileKey& k) const;
    void writeCache(const TileKey& k, const Cached& c) const;
    std::filesystem::path tilePath(const TileKey& k) const;
    void work(std::stop_token stop);

    Options opt_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<TileKey> queue_;
    std::map<TileKey, std::vector<std::function<void(Answer)>>> waiting_;
    int fetches_ = 0;
    std::vector<std::jthread> workers_;
};

}  // namespace dorvath
