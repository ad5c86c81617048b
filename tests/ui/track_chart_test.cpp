// The chart tab through the list page: the points and series it is given, the distance
// axis, the tooltip and the map point under the pointer, redrawing and clearing.
#include <gtest/gtest.h>

#include <memory>

#include "data/app_state.h"
#include "data/track_database.h"
#include "list_page_fixture.h"
#include "support/recording_html_engine.h"
#include "ui/list_page_wnd.h"

namespace dorvath {
namespace {

using K = WidgetEvent::Kind;
using nlohmann::json;
constexpr const char* kPage = CListPageWnd::kFrame;
constexpr double kDegreesPerMetre = 1 / 111226.3;  // along a meridian, as PointDistance

// n points north along a meridian, `spacing` metres apart, whose dist runs from 0 to
// `distance`.
std::vector<TrackPoint> Line(int n, double distance, double spacing = 6) {
    std::vector<TrackPoint> pts(n);
    const double start = OleDateFromFields(2016, 5, 10, 6, 30, 0);
    for (int i = 0; i < n; ++i) {
        pts[i].time = start + i * kOneSecond;
        pts[i].lat = 35.0 + i * spacing * kDegreesPerMetre;
        pts[i].lng = 139.7;
        pts[i].dist = n > 1 ? i * distance / (n - 1) : 0;
        pts[i].speed = 10;
        pts[i].atli = 20 + i % 7;
    }
    return pts;
}

class ChartTest : public test::ListPageFixture {
  protected:
    // Stores the runs on 2016-05-10, one an hour, and shows that day.
    void start(const std::vector<std::vector<TrackPoint>>& runs) {
        for (size_t r = 0; r < runs.size(); ++r) {
            Track t;
            t.stime = OleDateFromFields(2016, 5, 10, 6 + static_cast<int>(r), 0);
            t.etime = t.stime + 3600 * kOneSecond;
            t.numofpt = static_cast<int>(runs[r].size());
            std::vector<TrackPoint> pts = runs[r];
            std::vector<Lap> laps;
            db.storeTrack(t, pts, laps);
        }
        createPage();
    }
    void send(int ctl, K kind, int x = 0, int y = 0, unsigned keys = 0) {
        WidgetEvent e = widgetEvent(ctl, kind);
        e.x = x;
        e.y = y;
        e.keys = keys;
        e.width = x;
        e.height = y;
        engine.widget(e);
        loop.poll();
    }
    // A move over hot spot `hot` whose "x" is `index` (none when empty).
    void move(int hot, std::optional<std::string> index, unsigned keys = 0) {
        WidgetEvent e = widgetEvent(TrackChartView::kControl, K::MouseMove);
        e.x = 200;
        e.y = 100;
        e.keys = keys;
        e.hotSpot = hot;
        e.hotX = std::move(index);
        engine.widget(e);
        loop.poll();
    }
    json lastChart() {
        auto ops = engine.operations("chart");
        return ops.empty() ? json() : ops.back()["chart"];
    }
    std::vector<std::string> tooltips() {
        std::vector<std::string> out;
        for (const json& op : engine.operations("tooltip")) out.push_back(op["text"]);
        return out;
    }

    // The points the chart pulsed on the map.
    std::vector<MapPoint> mapPoints() const {
        std::vector<MapPoint> out;
        for (const auto& args : mapCalls("showAnimationPoint"))
            out.push_back({std::stod(args.at(0)), std::stod(args.at(1))});
        return out;
    }
};

TEST_F(ChartTest, TheDistanceAxisFitsTheRunInLabelSteps) {
    start({Line(100, 5230), Line(100, 12000), Line(100, 30000), Line(100, 0)});
    struct Case {
        double step;
        std::vector<std::string> labels;
        const char* title;
        int xMax;
    } cases[] = {
        {500,
         {"0", "500", "1000", "1500", "2000", "2500", "3000", "3500", "4000", "4500", "5000",
          "5500"},
         "距離(m)",
         104},  // 5500 / 5230 * 100 = 105.2 -> end 105
        {1000,
         {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
         "距離(km)",
         99},
        // 2500 m steps: kilometre labels with one decimal.
        {2500,
         {"0.0", "2.5", "5.0", "7.5", "10.0", "12.5", "15.0", "17.5", "20.0", "22.5", "25.0",
          "27.5", "30.0"},
         "距離(km)",
         99},
        // No distance at all: one label step, the points spread over it.
        {10, {"0", "10"}, "距離(m)", 99},
    };
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        openRun(run);
        const Case& c = cases[run];
        EXPECT_EQ(page->chart().model().labelStep, c.step);
        json chart = lastChart();
        ASSERT_TRUE(chart.is_object());
        EXPECT_EQ(chart["xLabels"].get<std::vector<std::string>>(), c.labels);
        EXPECT_EQ(chart["x"]["title"], c.title);
        EXPECT_EQ(chart["xMax"].get<double>(), c.xMax);
        EXPECT_EQ(chart["series"][0]["values"].size(), 100u);
    }
}

TEST_F(ChartTest, ImperialAxesAreInMilesWithStepsFromTheFeetTable) {
    start({Line(100, 12000), Line(100, 1000), Line(100, 0)});
    state.settings.set("unit_system", 1);
    // 12,000 m = 39,360 ft: steps of 5,280 ft, 9 labels up to 8 miles.
    openRun(0);
    EXPECT_EQ(page->chart().model().labelStep, 5280);
    EXPECT_EQ(lastChart()["xLabels"].get<std::vector<std::string>>(),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(lastChart()["x"]["title"], "距離(mi)");
    EXPECT_EQ(lastChart()["xMax"].get<double>(), 106);  // 42240 / 39360 * 100 = 107.3
    // 1,000 m = 3,280 ft: tenths of a mile.
    openRun(1);
    EXPECT_EQ(page->chart().model().labelStep, 528);
    EXPECT_EQ(lastChart()["xLabels"].get<std::vector<std::string>>(),
              (std::vector<std::string>{"0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7"}));
    openRun(2);
    EXPECT_EQ(lastChart()["xLabels"].get<std::vector<std::string>>(),
              (std::vector<std::string>{"0.0", "0.1"}));
    EXPECT_EQ(lastChart()["x"]["title"], "距離(mi)");
}

TEST_F(ChartTest, LongRunsAreSpacedFiveMetresApartThenDecimatedToAThousandPoints) {
    // 4500 points in threes: 6 m on, 1 m on, 5 m on: two of each three are 5 m or more from
    // the point taken before them, 3000 in all, of which every third is charted.
    std::vector<TrackPoint> long_ = Line(4500, 9000);
    double lat = 35.0;
    for (int i = 0; i < 4500; ++i) {
        lat += (i % 3 == 0 ? 6 : i % 3 == 1 ? 1 : 5.2) * kDegreesPerMetre;
        long_[i].lat = lat;
    }
    start({Line(800, 4000, 0.5), long_});
    openRun(0);
    EXPECT_EQ(page->chart().model().points.size(), 800u);  // all, however close
    openRun(1);
    const auto& pts = page->chart().model().points;
    ASSERT_EQ(pts.size(), 1000u);
    // taken: 0, 2, 3, 5, 6, 8, ... (k = 3): charted 0, 5, 9, ...
    EXPECT_EQ(pts[0].sindex, 0);
    EXPECT_EQ(pts[1].sindex, 5);
    EXPECT_EQ(pts[2].sindex, 9);
    EXPECT_EQ(lastChart()["series"][1]["values"].size(), 1000u);
    // D is the loaded points' distance, not the charted ones'.
    EXPECT_EQ(page->chart().model().distance, 9000);
}

TEST_F(ChartTest, PaceOfExactlyOneKmhIsZeroInTheChartButSixtyMinutesInTheTooltip) {
    std::vector<TrackPoint> pts = Line(3, 100);
    pts[0].speed = 1.0;
    pts[1].speed = 9.5;  // 6'19"
    pts[2].speed = 0.5;
    start({pts});
    openRun(0);
    json values = lastChart()["series"][0]["values"];
    EXPECT_EQ(values[0].get<double>(), 0);
    EXPECT_DOUBLE_EQ(values[1].get<double>(), 6 + 19 / 60.0);
    EXPECT_EQ(values[2].get<double>(), 0);
    EXPECT_EQ(lastChart()["series"][1]["values"][1].get<double>(), 21);
    move(1, "0");
    ASSERT_FALSE(tooltips().empty());
    EXPECT_NE(tooltips().back().find("速度:1.0 km/h  ペース:60'00\""), std::string::npos);
}

TEST_F(ChartTest, HoveringAPointShowsItsTooltipAndSendsItToTheMapOnce) {
    std::vector<TrackPoint> pts = Line(5, 4000);
    pts[3].dist = 1234.5;
    pts[3].speed = 9.5;
    pts[3].lat = 35.123457;
    pts[3].lng = 139.765432;
    pts[3].time = OleDateFromFields(2016, 5, 10, 6, 30, 5);
    start({pts});
    openRun(0);
    engine.clearOperations();

    move(ChartHotSpot(1, 3, 5), "3");  // the altitude line's point 3
    EXPECT_EQ(tooltips(), (std::vector<std::string>{
                              "距離:1.23 km 時間:06:30:05\r\n速度:9.5 km/h  ペース:06'19\"\r\n"
                              "緯度:35.12346°  経度:139.76543°"}));
    ASSERT_EQ(mapPoints().size(), 1u);
    EXPECT_EQ(mapPoints()[0].lat, 35.123457);
    EXPECT_EQ(mapPoints()[0].lng, 139.765432);
    // The same hot spot again changes nothing.
    move(ChartHotSpot(1, 3, 5), "3");
    EXPECT_EQ(tooltips().size(), 1u);
    EXPECT_EQ(mapPoints().size(), 1u);

    // Left button held: empty, and it stays empty over the same point.
    move(ChartHotSpot(0, 1, 5), "1", kMkLButton);
    move(ChartHotSpot(1, 3, 5), "3");
    EXPECT_EQ(tooltips().size(), 2u);
    EXPECT_EQ(tooltips().back(), "");
    EXPECT_EQ(mapPoints().size(), 1u);
    // Another point shows again; an empty place empties.
    move(ChartHotSpot(0, 1, 5), "1");
    EXPECT_EQ(tooltips().back().rfind("距離:1.00 km 時間:06:30:01\r\n", 0), 0u);
    EXPECT_EQ(mapPoints().size(), 2u);
    move(0, std::nullopt);
    EXPECT_EQ(tooltips().back(), "");

    // Hot spots without a usable "x" show nothing; a click does nothing at all.
    const size_t before = tooltips().size();
    move(7, std::nullopt);
    move(8, "5");
    move(9, "-1");
    move(10, "x");
    EXPECT_EQ(tooltips().size(), before);
    EXPECT_EQ(mapPoints().size(), 2u);
    engine.clearOperations();
    send(TrackChartView::kControl, K::MouseDown, 200, 100, kMkLButton);
    send(TrackChartView::kControl, K::MouseUp, 200, 100);
    EXPECT_TRUE(engine.operations().empty());
}

TEST_F(ChartTest, ASizeChangeRedrawsTheStoredSeriesAndClearingRemovesChartAndHotSpots) {
    start({Line(50, 3000), Line(40, 2000)});
    send(TrackChartView::kControl, K::Size, 700, 300);
    EXPECT_TRUE(lastChart().is_null());  // nothing to draw yet
    openRun(0);
    json first = lastChart();
    EXPECT_EQ(first["plot"], json::array({104, 40, 510, 220}));
    EXPECT_EQ(first["w"], 700);
    EXPECT_EQ(first["y"]["title"], "Pace(min/km)");
    EXPECT_EQ(first["y"]["color"], "#008000");
    EXPECT_EQ(first["y2"]["title"], "高度(m)");
    EXPECT_EQ(first["y2"]["color"], "#cc0000");
    EXPECT_EQ(first["grid"], "#cccccc");
    EXPECT_EQ(first["series"][0]["width"], 2);
    EXPECT_EQ(first["series"][1]["axis2"], true);
    move(ChartHotSpot(0, 2, 50), "2");
    EXPECT_EQ(page->chart().lastHotSpot(), 3);

    engine.clearOperations();
    send(TrackChartView::kControl, K::Size, 0, 0);  // its tab hidden
    EXPECT_TRUE(engine.operations("chart").empty());
    send(TrackChartView::kControl, K::Size, 800, 400);
    json again = lastChart();
    EXPECT_EQ(again["plot"], json::array({104, 40, 610, 320}));
    EXPECT_EQ(again["series"], first["series"]);
    EXPECT_EQ(again["xLabels"], first["xLabels"]);
    EXPECT_EQ(page->chart().lastHotSpot(), -1);  // new picture, new hot spots

    // Opening another run clears first, then draws the new one.
    engine.clearOperations();
    openRun(1);
    auto charts = engine.operations("chart");
    ASSERT_EQ(charts.size(), 2u);
    EXPECT_TRUE(charts[0]["chart"].is_null());
    EXPECT_EQ(charts[1]["chart"]["series"][0]["values"].size(), 40u);

    // A new day clears the views: no chart, and hot spots the page still reports are none.
    engine.clearOperations();
    page->reloadDay();
    EXPECT_TRUE(lastChart().is_null());
    EXPECT_FALSE(page->chart().shown());
    move(ChartHotSpot(0, 2, 40), "2");
    EXPECT_TRUE(mapPoints().empty());  // none since the operations were cleared
    for (const std::string& t : tooltips()) EXPECT_EQ(t, "");
    engine.clearOperations();
    send(TrackChartView::kControl, K::Size, 600, 300);
    EXPECT_TRUE(engine.operations("chart").empty());
}

}  // namespace
}  // namespace dorvath
