// The map's side of the list page: the thinned line and log.xml, the calls the map page
// gets, its external object, and playback of the car.
#include <gtest/gtest.h>

#include <cmath>

#include "support/recording_html_engine.h"
#include "ui/map_bridge.h"
#include "ui/map_line.h"
#include "ui/track_playback.h"

namespace dorvath {
namespace {

constexpr const char* kMap = "main/page1/map";
constexpr const char* kPage = "main/page1";

// n points `step` metres apart going north (one degree of latitude is ~111,195 m here).
std::vector<TrackPoint> Line(int n, double stepMetres) {
    std::vector<TrackPoint> pts(n);
    for (int i = 0; i < n; ++i) {
        pts[i].objid = 100 + i;
        pts[i].lat = 35 + i * stepMetres / 111195.0;
        pts[i].lng = 139;
    }
    return pts;
}

TEST(MapLine, ThinningStartsAbove1000PointsAndKeepsTheFirst) {
    EXPECT_EQ(ThinMapPoints(Line(1000, 1)).size(), 1000u);  // all, however close
    auto thinned = ThinMapPoints(Line(1001, 1));
    ASSERT_GT(thinned.size(), 150u);
    EXPECT_LT(thinned.size(), 210u);  // about one in five of 1 m steps
    EXPECT_EQ(thinned.front().objid, 100);
    for (size_t i = 1; i < thinned.size(); ++i)
        EXPECT_GE(
            PointDistance(thinned[i - 1].lat, thinned[i - 1].lng, thinned[i].lat, thinned[i].lng),
            5.0);
    // Never 5 m from the first: one map point, doubled, and two identical XML points.
    auto still = ThinMapPoints(Line(1500, 0.001));
    ASSERT_EQ(still.size(), 2u);
    EXPECT_EQ(still[0].objid, still[1].objid);
    const std::string xml = MapLineXml(still);
    const size_t first = xml.find("<point id=\"100\""), last = xml.rfind("<point id=\"100\"");
    EXPECT_NE(first, last);
    EXPECT_EQ(xml.substr(first, 52), xml.substr(last, 52));
}

TEST(MapLine, TheStrideKeepsTheWrittenLineUnder4000Points) {
    auto written = [](int n) {
        std::string xml = MapLineXml(Line(n, 10));
        size_t count = 0;
        for (size_t at = 0; (at = xml.find("<point ", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    EXPECT_EQ(MapLineStride(3999), 1u);
    EXPECT_EQ(written(3999), 3999u);
    EXPECT_EQ(MapLineStride(4000), 2u);
    EXPECT_EQ(written(4000), 2000u);
    EXPECT_EQ(MapLineStride(5999), 2u);
    EXPECT_EQ(written(5999), 3000u);
    EXPECT_EQ(MapLineStride(0), 1u);
}

TEST(MapLine, LogXmlToTheByte) {
    std::vector<TrackPoint> pts(2);
    pts[0] = {.objid = 7, .lat = 35.6812361, .lng = 139.7671249};
    pts[1] = {.objid = 8, .lat = -33.5, .lng = 151.25};
    EXPECT_EQ(MapLineXml(pts),
              "<?xml version=\"1.0\" ?>\r\n"
              "<track>\r\n"
              "    <point id=\"7\" lat=\"35.681236\" lng=\"139.767125\" />\r\n"
              "    <point id=\"8\" lat=\"-33.500000\" lng=\"151.250000\" />\r\n"
              "</track>\r\n");
}

TEST(MapBridge, CallsCarryTheirNumbersAsTheMapPageReadsThem) {
    RecordingHtmlEngine e;
    CMapBridge map(e, kMap);
    map.setCenter(35.123456789, 139.5, 18);
    map.showAnimationPoint(35.123456789, 139.5);
    map.setCar(35.123456789, 139.5, "/images/car.png", 598, 260);
    EXPECT_EQ(e.calls(kMap, "setCenter"), std::vector<std::string>{"35.123457,139.500000,18"});
    EXPECT_EQ(e.calls(kMap, "showAnimationPoint"),
              std::vector<std::string>{"35.123457,139.500000"});
    // Single precision first: 35.123456789f is 35.12345504...
    EXPECT_EQ(e.calls(kMap, "setCar"),
              std::vector<std::string>{"35.123455,139.500000,/images/car.png,598,260"});
}

TEST(MapExternal, NamesHaveTheirIdsAndOnlyKnownIdsRun) {
    int loaded = 0;
    double lat = 0, lng = 0;
    int x = 0, y = 0;
    RecordingHtmlEngine engine;
    CMapBridge map(engine, kMap);
    CMapExternal ext({.loadBegin = {},
                      .loadComplete = [&] { ++loaded; },
                      .move = {},
                      .moveEnd = {},
                      .rightClick = [&](double a, double b, int px,
                                        int py) { lat = a, lng = b, x = px, y = py; }});
    const char* names[] = {"onmaploadbegin", "onmaploadcomplete", "onmmoveevent", "onmoveendevent",
                           "onrclickevent"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CMapExternal::idOfName(names[i]), 100000 + i);
    EXPECT_EQ(CMapExternal::idOfName("OnMapLoadComplete"), CMapExternal::kUnknownName);
    EXPECT_EQ(ext.invoke(99999, {}), CMapExternal::kNotImplemented);
    EXPECT_EQ(ext.invoke(100005, {}), CMapExternal::kBadId);
    EXPECT_EQ(ext.call({kMap, "onmaploadcomplete", {}}), CMapExternal::kOk);
    EXPECT_EQ(ext.call({kMap, "nosuch", {}}), CMapExternal::kBadId);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(ext.call({kMap, "onrclickevent", {"35.5", "185.25", "70000", "120"}}),
              CMapExternal::kOk);
    EXPECT_EQ(lat, 35.5);
    EXPECT_EQ(x, 70000 & 0xFFFF);
    EXPECT_EQ(y, 120);
    map.keepRightClick(lat, lng);
    EXPECT_EQ(map.rclickLng(), 179.9999);
    map.keepRightClick(lat, -200);
    EXPECT_EQ(map.rclickLng(), -179.9999);
    EXPECT_EQ(RightClickParam(0x12345, 3), (3u << 16) | 0x2345u);
}

class PlaybackTest : public ::testing::Test {
  protected:
    struct Window : MessageTarget {
        using MessageTarget::MessageTarget;
    };
    PlaybackTest() {
        points = Line(3, 10);
        playback = std::make_unique<CTrackPlayback>(CTrackPlayback::Host{
            loop, window.handle(), engine, kPage, map, points, [this] { return open; },
            [] {
                return std::pair{598, 260};
            }});
        playback->reset();
    }
    // The latitudes the car was put on, as sent.
    std::vector<std::string> cars() {
        std::vector<std::string> out;
        for (const std::string& c : engine.calls(kMap, "setCar")) out.push_back(c.substr(0, 9));
        return out;
    }
    std::string lat(int i) { return cFormatLat(points[i].lat); }
    static std::string cFormatLat(double v) {
        char b[32];
        std::snprintf(b, sizeof b, "%.6f", static_cast<double>(static_cast<float>(v)));
        return b;
    }
    int period() { return loop.timerPeriod(window.handle(), CTrackPlayback::kTimerId); }

    EventLoop loop;
    Window window{loop};
    RecordingHtmlEngine engine;
    CMapBridge map{engine, kMap};
    std::vector<TrackPoint> points;
    bool open = true;
    std::unique_ptr<CTrackPlayback> playback;
};

TEST_F(PlaybackTest, ForwardShowsEachPointThenStopsOnTheFirst) {
    playback->onButton("onplay");
    EXPECT_EQ(period(), 250);
    EXPECT_EQ(engine.style(kPage, "onplay", "display"), "none;");
    EXPECT_EQ(engine.style(kPage, "onpause", "display"), "block;");
    for (int i = 0; i < 4; ++i) playback->onTimer();
    EXPECT_EQ(cars(), (std::vector<std::string>{lat(0), lat(1), lat(2), lat(0)}));
    EXPECT_EQ(period(), 0);
    EXPECT_EQ(playback->cursor().mode, PlaybackCursor::kStopped);
    EXPECT_EQ(engine.style(kPage, "onplay", "display"), "block;");
}

TEST_F(PlaybackTest, BackFromStoppedPauseResumeAndFastForward) {
    playback->onButton("onback");
    EXPECT_EQ(period(), 100);
    for (int i = 0; i < 4; ++i) playback->onTimer();
    EXPECT_EQ(cars(), (std::vector<std::string>{lat(2), lat(1), lat(0), lat(0)}));
    engine.clearOperations();

    playback->onButton("onplay");
    playback->onTimer();  // point 0
    playback->onButton("onpause");
    EXPECT_EQ(period(), 250);  // the timer runs on, its ticks do nothing
    playback->onTimer();
    playback->onButton("onplay");
    playback->onButton("onforward");  // faster, the buttons as they were
    EXPECT_EQ(period(), 100);
    EXPECT_EQ(engine.style(kPage, "onpause", "display"), "block;");
    playback->onTimer();
    EXPECT_EQ(cars(), (std::vector<std::string>{lat(0), lat(1)}));
}

TEST_F(PlaybackTest, InertWithoutARunToPlayAndClearedByADayChange) {
    open = false;
    for (const char* b : {"onplay", "onback", "onforward", "onstop", "onpause"})
        EXPECT_TRUE(playback->onButton(b));
    EXPECT_EQ(period(), 0);
    EXPECT_TRUE(engine.operations().empty());
    EXPECT_FALSE(playback->onButton("lastmon"));

    open = true;
    playback->onButton("onplay");
    playback->onTimer();
    playback->clear();  // a day change during play
    EXPECT_EQ(period(), 0);
    EXPECT_EQ(engine.calls(kMap, "clrCar").size(), 1u);
    EXPECT_EQ(engine.calls(kMap, "clrTKLine").size(), 1u);
    EXPECT_EQ(engine.style(kPage, "onplay", "display"), "block;");
}

}  // namespace
}  // namespace dorvath
