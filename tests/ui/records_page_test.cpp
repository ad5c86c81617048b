// The records tab through the whole frame: its figures, a bar that shows its week in the
// calendar, a best effort that opens its run with the split list filled, and a database
// from before the best efforts that gets them under the loading dialog.
#include <gtest/gtest.h>

#include "../data/temp_dir.h"
#include "data/app_state.h"
#include "data/track_database.h"
#include "device/sim/simulated_watches.h"
#include "support/recording_html_engine.h"
#include "support/test_frame_host.h"
#include "support/with_database.h"
#include "ui/list_page_wnd.h"
#include "ui/main_wnd.h"
#include "ui/records_page_wnd.h"
#include "ui/top_frame_wnd.h"

namespace dorvath {
namespace {

constexpr const char* kRecords = CRecordsPageWnd::kFrame;

class RecordsPageTest : public test::WithDatabase {
  protected:
    void SetUp() override {
        WithDatabase::SetUp();
        // 2026-03-18 is a Wednesday: runs this week, this year before it, and last year.
        store(OleDateFromFields(2026, 3, 16, 6), 5000, 10);  // 1:40 per 400 m
        store(OleDateFromFields(2026, 3, 2, 6), 10000, 12);
        store(OleDateFromFields(2025, 12, 31, 23), 3000, 9);
        top.create();
        records().today = [] { return DateTimeFields{2026, 3, 18, 12, 0, 0, 3}; };
        records().loadingOptions.startStepMs = 1;
        main().listPage()->calendar().today = records().today;
        loop.poll();
    }
    // A run of `metres` in 100 m steps of `secondsPer100` seconds each.
    void store(double stime, int metres, int secondsPer100) {
        Track t;
        t.stime = stime;
        t.dist = metres;
        t.elapsed = metres / 100 * secondsPer100;
        std::vector<TrackPoint> pts(metres / 100 + 1);
        for (size_t i = 0; i < pts.size(); ++i) {
            pts[i].time = stime + i * secondsPer100 * kOneSecond;
            pts[i].dist = i * 100.0;
            pts[i].lat = 35 + i * 1e-4;
            pts[i].lng = 139;
        }
        std::vector<Lap> laps;
        db.storeTrack(t, pts, laps);
    }
    CMainWnd& main() { return *top.mainWnd(); }
    CRecordsPageWnd& records() { return *main().recordsPage(); }

    EventLoop loop;
    RecordingHtmlEngine engine;
    test::TestFrameHost host;
    AppState state{dir.path()};
    SimulatedWatchFinder watches;
    CTopFrameWnd top{loop, {engine, host, db, state, watches}};
};

TEST_F(RecordsPageTest, TheTabShowsTotalsWeeksAndBests) {
    engine.command("main", "tabrec");
    EXPECT_EQ(engine.style("main", "framepagerec", "display"), "block");
    EXPECT_EQ(engine.frameStore().page(kRecords), "212");
    EXPECT_EQ(engine.text(kRecords, "week-dist"), "5.00 km");
    EXPECT_EQ(engine.text(kRecords, "month-runs"), "2");
    EXPECT_EQ(engine.text(kRecords, "year-time"), "0:28:20");
    EXPECT_EQ(engine.text(kRecords, "all-pace"), "01'49\"");
    EXPECT_NE(engine.html(kRecords, "monthrows").find("<th>2026-03</th><td>2</td>"),
              std::string::npos);
    const auto& weeks = records().weeks();
    ASSERT_EQ(weeks.size(), 52u);
    EXPECT_EQ(weeks.back().totals.runs, 1);
    EXPECT_EQ(weeks[49].totals.runs, 1);  // the week of 2026-03-01
    EXPECT_TRUE(engine.operations("chart").back()["chart"]["bars"].get<bool>());
    EXPECT_EQ(engine.text(kRecords, "best1-time"), "0:01:30");  // the 9 s steps win
    EXPECT_EQ(engine.text(kRecords, "best4-time"), "0:20:00");
    EXPECT_EQ(engine.text(kRecords, "best5-time"), "-");
}

TEST_F(RecordsPageTest, ABarShowsItsWeekAndABestOpensItsRun) {
    engine.command("main", "tabrec");
    // The week of 2026-03-01: its run's day is shown.
    WidgetEvent e{.frame = kRecords,
                  .ctl = CRecordsPageWnd::kWeekChart,
                  .type = "sys-static",
                  .kind = WidgetEvent::Kind::MouseMove,
                  .hotSpot = 50};
    engine.widget(e);
    EXPECT_NE(engine.operations("tooltip").back()["text"].get<std::string>().find("2026-03-01"),
              std::string::npos);
    e.kind = WidgetEvent::Kind::MouseDown;
    engine.widget(e);
    loop.poll();
    EXPECT_EQ(main().currentTab(), 1);
    CListPageWnd& list = *main().listPage();
    EXPECT_EQ(list.calendar().selectedDay(), OleDateFromFields(2026, 3, 2));
    EXPECT_EQ(state.dayTracks.size(), 1u);

    engine.command("main", "tabrec");
    engine.clearOperations();
    engine.click(kRecords, "best0");  // 400 m: the 2025-12-31 run, from its first point
    loop.poll();
    EXPECT_EQ(main().currentTab(), 1);
    EXPECT_EQ(list.calendar().selectedDay(), OleDateFromFields(2025, 12, 31));
    ASSERT_NE(list.trackList().openTrack(), nullptr);
    EXPECT_EQ(state.trackPoints.size(), 31u);
    EXPECT_EQ(list.splitTable().splits().size(), 3u);
    EXPECT_NE(engine.html(CListPageWnd::kFrame, "splitrows")
                  .find("<tr><td>3</td><td>0:01:30</td><td>01'30\"</td>"),
              std::string::npos);
    EXPECT_EQ(engine.calls(CListPageWnd::kMapFrame, "showAnimationPoint").back(),
              "35.000000,139.000000");
}

TEST_F(RecordsPageTest, ADatabaseFromBeforeTheBestsGetsThemOnce) {
    db.execute("drop table TKBEST;");
    records().fillMissingBests();
    EXPECT_FALSE(engine.operations("dialog").empty());  // the loading dialog was up
    EXPECT_EQ(db.overallBests().size(), 5u);
    engine.clearOperations();
    records().fillMissingBests();
    EXPECT_TRUE(engine.operations("dialog").empty());
}

}  // namespace
}  // namespace dorvath
