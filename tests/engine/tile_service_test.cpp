// The tile cache: which paths are tiles, a fresh tile served without a fetch, an expired
// one fetched again (or served as it was while the server cannot be reached), only whole
// images kept, only the tile server asked, and the cache kept within its size.
#include "engine/tile_service.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "../data/temp_dir.h"

namespace dorvath {
namespace {

using Clock = std::chrono::system_clock;

// A whole PNG (its chunks' CRCs are not checked by anyone here) with `payload` inside.
std::string Png(const std::string& payload = "tile") {
    auto chunk = [](const std::string& type, const std::string& data) {
        const uint32_t n = static_cast<uint32_t>(data.size());
        std::string c{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                      static_cast<char>(n >> 8), static_cast<char>(n)};
        return c + type + data + std::string(4, '\0');
    };
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", std::string(13, '\1')) +
           chunk("tEXt", payload) + chunk("IEND", "");
}

// An HTTP server of our own on a loopback address, answering each request with what
// `reply` makes of its first line, then closing.
class LoopbackServer {
  public:
    LoopbackServer(const char* address, std::function<std::string(const std::string&)> reply)
        : reply_(std::move(reply)) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, address, &a.sin_addr);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd_, 8) != 0)
            ADD_FAILURE() << "cannot listen on " << address;
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        base_ = std::string("http://") + address + ":" + std::to_string(port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    const std::string& base() const { return base_; }
    int requests() const { return requests_; }

  private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            ++requests_;
            std::string req;
            char buf[4096];
            ssize_t n;
            while (req.find("\r\n\r\n") == std::string::npos && (n = read(c, buf, sizeof buf)) > 0)
                req.append(buf, static_cast<size_t>(n));
            const std::string out = reply_(req.substr(0, req.find("\r\n")));
            for (size_t at = 0;
                 at < out.size() && (n = write(c, out.data() + at, out.size() - at)) > 0;)
                at += static_cast<size_t>(n);
            close(c);
        }
    }
    std::function<std::string(const std::string&)> reply_;
    int fd_ = -1, port_ = 0;
    std::string base_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};

std::string Answer(const std::string& status, const std::string& headers, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\n" + headers + "Connection: close\r\n\r\n" + body;
}

TEST(TilePath, OnlyNumbersWithinTheirZoomAreTiles) {
    auto key = ParseTilePath({"tiles", "3", "7", "0.png"});
    ASSERT_TRUE(key);
    EXPECT_EQ(key->z, 3);
    EXPECT_EQ(key->x, 7);
    EXPECT_TRUE(ParseTilePath({"tiles", "19", "524287", "524287.png"}));
    for (std::vector<std::string> bad : {std::vector<std::string>{"tiles", "20", "0", "0.png"},
                                         {"tiles", "3", "8", "0.png"},
                                         {"tiles", "3", "0", "8.png"},
                                         {"tiles", "-1", "0", "0.png"},
                                         {"tiles", "a", "0", "0.png"},
                                         {"tiles", "3", "0x1", "0.png"},
                                         {"tiles", "3", "1", "1.jpg"},
                                         {"tiles", "3", "1", ".png"},
                                         {"tiles", "3", "1"},
                                         {"tiles", "3", "+1", "1.png"},
                                         {"tiles", "1", "1", "1.png", "x"}})
        EXPECT_FALSE(ParseTilePath(bad)) << bad[1] << "/" << bad[2];
    EXPECT_EQ(TileUrl("https://t.example/{z}/{x}/{y}.png?k=1", {5, 17, 9}),
              "https://t.example/5/17/9.png?k=1");
}

class TileServiceTest : public ::testing::Test {
  protected:
    std::unique_ptr<TileService> make() {
        TileService::Options o;
        o.urlTemplate = "http://tiles.test/{z}/{x}/{y}.png";
        o.cacheDir = dir.path() / "tiles";
        o.userAgent = "DORVATH/test";
        o.now = [this] { return now; };
        o.maxCacheBytes = limit;
        o.fetch = [this](const std::string& url, const std::string& agent, const std::string& etag,
                         const std::string&) {
            std::lock_guard lock(m);
            asked.push_back(url + " " + agent + " " + etag);
            return answer;
        };
        return std::make_unique<TileService>(o);
    }
    TileService::Answer get(TileService& s, TileKey k) {
        std::promise<TileService::Answer> p;
        s.get(k, [&p](TileService::Answer a) { p.set_value(std::move(a)); });
        return p.get_future().get();
    }
    bool cached(TileKey k) {
        return std::filesystem::exists(dir / "tiles" / std::to_string(k.z) / std::to_string(k.x) /
                                       (std::to_string(k.y) + ".png"));
    }
    test::TempDir dir;
    Clock::time_point now = Clock::now();
    std::mutex m;
    std::vector<std::string> asked;
    std::uint64_t limit = 500ull << 20;
    TileFetch answer{200, Png("1"), "image/png", "max-age=60", "", "\"v1\"", ""};
};

TEST_F(TileServiceTest, AFreshTileIsServedFromTheCacheWithoutAFetch) {
    auto s = make();
    EXPECT_EQ(get(*s, {2, 1, 1}).body, Png("1"));
    EXPECT_EQ(asked, std::vector<std::string>{"http://tiles.test/2/1/1.png DORVATH/test "});
    answer.body = Png("2");
    now += std::chrono::hours(24 * 6);  // max-age 60 s, but kept 7 days at least
    auto again = make();                // the cache is on disk
    EXPECT_EQ(get(*again, {2, 1, 1}).body, Png("1"));
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(TileServiceTest, AnExpiredTileIsFetchedAgainOrServedAsItWasWhenOffline) {
    auto s = make();
    get(*s, {4, 3, 2});
    now += std::chrono::hours(24 * 8);
    answer = {};  // no answer at all
    auto a = get(*s, {4, 3, 2});
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(a.body, Png("1"));  // the tile seen before
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[1].find("\"v1\""), std::string::npos);  // asked with its validator
    answer = {200, Png("3"), "image/png", "max-age=2592000", "", "\"v3\"", ""};
    EXPECT_EQ(get(*s, {4, 3, 2}).body, Png("3"));
    now += std::chrono::hours(24 * 20);  // the server's 30 days hold
    EXPECT_EQ(get(*s, {4, 3, 2}).body, Png("3"));
    EXPECT_EQ(asked.size(), 3u);
    // A tile never seen and a server that cannot be reached: nothing to show.
    answer = {};
    EXPECT_EQ(get(*s, {1, 0, 0}).status, 404);
}

struct Offered {
    const char* name;
    long status;
    std::string body, contentType;
    bool kept;
};

void PrintTo(const Offered& o, std::ostream* os) { *os << o.name; }

class WholeImages : public TileServiceTest, public ::testing::WithParamInterface<Offered> {};

TEST_P(WholeImages, OnlyAWholeImageIsKeptAndServedWithItsOwnType) {
    const Offered& o = GetParam();
    answer = {o.status, o.body, o.contentType, "", "", "", ""};
    auto s = make();
    const TileService::Answer a = get(*s, {3, 1, 2});
    EXPECT_EQ(a.status, o.kept ? 200 : 404);
    EXPECT_EQ(cached({3, 1, 2}), o.kept);
    if (o.kept) {
        EXPECT_EQ(a.contentType, o.contentType.substr(0, o.contentType.find(';')));
    }
}

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "jfif" + "\xFF\xD9";
const std::string kWebp = std::string("RIFF\x0c\0\0\0WEBPVP8 ", 16) + "xxxx";

INSTANTIATE_TEST_SUITE_P(
    Tiles, WholeImages,
    ::testing::Values(Offered{"png", 200, Png(), "image/png", true},
                      Offered{"jpeg", 200, kJpeg, "image/jpeg", true},
                      Offered{"webp", 200, kWebp, "image/webp; q=1", true},
                      Offered{"html", 200, "<html>busy</html>", "text/html", false},
                      Offered{"json", 200, "{\"error\":1}", "application/json", false},
                      Offered{"png as text", 200, Png(), "text/plain", false},
                      Offered{"png cut short", 200, Png().substr(0, 30), "image/png", false},
                      Offered{"webp cut short", 200, kWebp.substr(0, 17), "image/webp", false},
                      Offered{"not found", 404, Png(), "image/png", false}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& c : n) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return n;
    });

// Through libcurl against servers of our own: a body ended by closing the connection is
// no tile unless it is whole, and a redirect is followed only within the tile server.
TEST(TileFetch, OnlyTheTileServerIsAskedAndACutBodyIsNoTile) {
    LoopbackServer elsewhere("127.0.0.2", [](const std::string&) {
        return Answer("200 OK", "Content-Type: image/png\r\n", Png("elsewhere"));
    });
    LoopbackServer otherPort("127.0.0.1", [](const std::string&) {
        return Answer("200 OK", "Content-Type: image/png\r\n", Png("other port"));
    });
    LoopbackServer tiles("127.0.0.1", [&](const std::string& line) {
        if (line.find("/away/") != std::string::npos)
            return Answer("302 Found", "Location: " + elsewhere.base() + "/1/1/1.png\r\n", "");
        if (line.find("/port/") != std::string::npos)
            return Answer("301 Moved", "Location: " + otherPort.base() + "/1/1/1.png\r\n", "");
        if (line.find("/moved/") != std::string::npos)
            return Answer("302 Found", "Location: /tile/1/1/1.png\r\n", "");
        if (line.find("/cut/") != std::string::npos)  // no Content-Length: ends at the close
            return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n" + Png().substr(0, 30);
        return Answer(
            "200 OK",
            "Content-Type: image/png\r\nContent-Length: " + std::to_string(Png().size()) + "\r\n",
            Png());
    });
    for (const char* path : {"/away/", "/port/"}) {
        TileFetch f = FetchWithCurl(tiles.base() + path + "1/1/1.png", "DORVATH/test", "", "");
        EXPECT_EQ(f.status, 0) << path;
    }
    EXPECT_EQ(elsewhere.requests(), 0);
    EXPECT_EQ(otherPort.requests(), 0);
    TileFetch same = FetchWithCurl(tiles.base() + "/moved/1/1/1.png", "DORVATH/test", "", "");
    EXPECT_EQ(same.status, 200);
    EXPECT_EQ(same.body, Png());

    test::TempDir dir;
    TileService::Options o;
    o.urlTemplate = tiles.base() + "/cut/{z}/{x}/{y}.png";
    o.cacheDir = dir / "tiles";
    TileService s(o);
    std::promise<TileService::Answer> p;
    s.get({1, 0, 1}, [&p](TileService::Answer a) { p.set_value(std::move(a)); });
    EXPECT_EQ(p.get_future().get().status, 404);
    EXPECT_FALSE(std::filesystem::exists(dir / "tiles" / "1" / "0" / "1.png"));
}

TEST_F(TileServiceTest, TheCacheKeepsToItsSizeLeastRecentlyUsedFirst) {
    answer.body = Png(std::string(2000, 't'));
    limit = 4 * 2200;  // four tiles with their notes
    auto s = make();
    // Time stamps of files are coarse: a pause between steps keeps their order.
    auto step = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    for (long y : {1, 2, 3}) {
        get(*s, {5, 1, y});
        step();
    }
    get(*s, {5, 1, 1});  // used again: now more recent than 2 and 3
    step();
    for (long y : {4, 5}) {
        get(*s, {5, 1, y});
        step();
    }
    EXPECT_EQ(asked.size(), 5u);
    EXPECT_FALSE(cached({5, 1, 2}));
    EXPECT_FALSE(cached({5, 1, 3}));
    for (long y : {1, 4, 5}) EXPECT_TRUE(cached({5, 1, y})) << y;
}

TEST(TileTemplate, AnHttpAddressWithTheThreeNumbersAfterItsHost) {
    for (const char* good :
         {"https://tile.openstreetmap.org/{z}/{x}/{y}.png",
          "http://127.0.0.1:8080/t/{z}/{x}/{y}.png?k=1", "HTTP://[::1]:80/{z}/{y}/{x}"})
        EXPECT_EQ(TileTemplateProblem(good), "") << good;
    for (const char* bad :
         {"", "file:///etc/passwd", "gopher://h/{z}/{x}/{y}", "http://x/{z}", "http:///{z}/{x}/{y}",
          "http://{z}.evil/{x}/{y}", "http://a:99999/{z}/{x}/{y}", "http://u@h/{z}/{x}/{y}",
          "http://h/{z}/{x}/ {y}"})
        EXPECT_NE(TileTemplateProblem(bad), "") << bad;
}

}  // namespace
}  // namespace dorvath
