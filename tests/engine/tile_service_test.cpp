// The tile cache: which paths are tiles, a fresh tile served without a fetch, an expired
// one fetched again (or served as it was while the server cannot be reached).
#include "engine/tile_service.h"

#include <gtest/gtest.h>

#include <future>

#include "../data/temp_dir.h"

namespace dorvath {
namespace {

using Clock = std::chrono::system_clock;

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
    test::TempDir dir;
    Clock::time_point now = Clock::now();
    std::mutex m;
    std::vector<std::string> asked;
    TileFetch answer{200, "PNG1", "max-age=60", "", "\"v1\"", ""};
};

TEST_F(TileServiceTest, AFreshTileIsServedFromTheCacheWithoutAFetch) {
    auto s = make();
    EXPECT_EQ(get(*s, {2, 1, 1}).body, "PNG1");
    EXPECT_EQ(asked, std::vector<std::string>{"http://tiles.test/2/1/1.png DORVATH/test "});
    answer.body = "PNG2";
    now += std::chrono::hours(24 * 6);  // max-age 60 s, but kept 7 days at least
    auto again = make();                // the cache is on disk
    EXPECT_EQ(get(*again, {2, 1, 1}).body, "PNG1");
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(TileServiceTest, AnExpiredTileIsFetchedAgainOrServedAsItWasWhenOffline) {
    auto s = make();
    get(*s, {4, 3, 2});
    now += std::chrono::hours(24 * 8);
    answer = {0, "", "", "", "", ""};  // no answer at all
    auto a = get(*s, {4, 3, 2});
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(a.body, "PNG1");  // the tile seen before
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[1].find("\"v1\""), std::string::npos);  // asked with its validator
    answer = {200, "PNG3", "max-age=2592000", "", "\"v3\"", ""};
    EXPECT_EQ(get(*s, {4, 3, 2}).body, "PNG3");
    now += std::chrono::hours(24 * 20);  // the server's 30 days hold
    EXPECT_EQ(get(*s, {4, 3, 2}).body, "PNG3");
    EXPECT_EQ(asked.size(), 3u);
    // A tile never seen and a server that cannot be reached: nothing to show.
    answer = {0, "", "", "", "", ""};
    EXPECT_EQ(get(*s, {1, 0, 0}).status, 404);
}

}  // namespace
}  // namespace dorvath
