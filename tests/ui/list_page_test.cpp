// The list page with a real database in a temp folder: the calendar of a known month,
// the day's runs, opening a run and a lap, deleting runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "data/app_state.h"
#include "data/track_database.h"
#include "list_page_fixture.h"
#include "support/recording_html_engine.h"
#include "ui/list_page_wnd.h"
#include "ui/messages.h"

namespace dorvath {
namespace {

using K = WidgetEvent::Kind;
constexpr const char* kPage = CListPageWnd::kFrame;

DateTimeFields Day(int y, int m, int d) {
    DateTimeFields f;
    f.year = y;
    f.month = m;
    f.day = d;
    return f;
}

bool HasFill(const Canvas& c, Rect r, Color color) {
    return std::any_of(c.items().begin(), c.items().end(), [&](const CanvasItem& i) {
        return i.kind == CanvasItem::Kind::Fill && i.rect == r && i.color == color;
    });
}

class ListPageTest : public test::ListPageFixture {
  protected:
    void start(DateTimeFields today = Day(2016, 5, 10)) { createPage({}, today); }
    // A run of `points` points, one per 10 s, and one lap per 10 points.
    int storeRun(int y, int m, int d, int h, int mi, int points = 30) {
        const double stime = OleDateFromFields(y, m, d, h, mi);
        Track t{.stime = stime,
                .etime = stime + 45 * 60 * kOneSecond,
                .numofpt = points,
                .elapsed = 2700,
                .dist = 5000,
                .pace = 10,
                .kcal = 321};
        std::vector<TrackPoint> pts;
        for (int i = 0; i < points; ++i)
            pts.push_back({.time = t.stime + i * 10 * kOneSecond,
                           .lat = 35.0 + i * 0.0001,
                           .lng = 139.0,
                           .dist = i * 25.0,
                           .speed = 9.5,
                           .kcal = i,
                           .atli = 12.5});
        std::vector<Lap> laps;
        for (int i = 0; i * 10 < points; ++i)
            laps.push_back({.time = 305,
                            .dist = 1000,
                            .kcal = 60,
                            .pace = 10,
                            .si = i * 10,
                            .ei = std::min(points, (i + 1) * 10)});
        db.storeTrack(t, pts, laps);
        return t.objid;
    }
    void size(int ctl, int w, int h) {
        engine.widget({.frame = kPage,
                       .ctl = ctl,
                       .type = ctl == CCalendarCtrl::kControl ? "sys-static" : "sys-listview",
                       .kind = K::Size,
                       .width = w,
                       .height = h});
    }
    void mouseDown(int x, int y) {
        engine.widget({.frame = kPage,
                       .ctl = CCalendarCtrl::kControl,
                       .type = "sys-static",
                       .kind = K::MouseDown,
                       .x = x,
                       .y = y,
                       .keys = kMkLButton});
        loop.poll();
    }
    void clickDay(int cell) {
        const Rect& r = page->calendar().cells().at(cell).rect;
        mouseDown(r.left + 3, r.top + 3);
    }
    void listEvent(int ctl, K kind, int row = -1) {
        engine.widget(widgetEvent(ctl, kind, row));
        loop.poll();
    }
    // The texts of the rows painted last for a list.
    std::string paintedRow(int ctl, int row) {
        engine.clearOperations();
        listEvent(ctl, K::Rows, row);
        auto ops = engine.operations("rows");
        if (ops.empty()) return {};
        std::string out;
        for (const auto& item : ops.back()["paint"][0])
            if (item[0] == "t") out += item[6].get<std::string>() + "\n";
        return out;
    }
    void answerDialog(const std::string& code) {
        test::PressWhenOpen(loop, engine, {{"code", code}});
    }

    // Runs drawn (their line sent to the map) and times the chart was emptied.
    int shown() const { return static_cast<int>(mapCalls("putTKLine").size()); }
    int cleared() const {
        int n = 0;
        for (const auto& op : engine.operations("chart")) n += op["chart"].is_null();
        return n;
    }
};

TEST_F(ListPageTest, MonthStartingOnSundayShowsAWeekOfThePreviousMonthFirst) {
    start(Day(2016, 5, 10));  // 2016-05-01 is a Sunday
    const auto& cells = page->calendar().cells();
    ASSERT_EQ(cells.size(), 42u);
    EXPECT_EQ(cells[0].month, 4);
    EXPECT_EQ(cells[0].day, 24);
    EXPECT_EQ(cells[7].month, 5);
    EXPECT_EQ(cells[7].day, 1);
    EXPECT_EQ(cells[41].month, 6);
    EXPECT_EQ(cells[41].day, 4);
    EXPECT_EQ(engine.text(kPage, "calendardate"), "2016-05");
    // today selected
    EXPECT_EQ(page->calendar().selected(), 16);
    EXPECT_EQ(page->calendar().selectedDay(), OleDateFromFields(2016, 5, 10));
}

TEST_F(ListPageTest, FebruaryOfANonLeapYearStartingOnMonday) {
    start(Day(2021, 2, 14));
    const auto& cells = page->calendar().cells();
    EXPECT_EQ(cells[0].month, 1);
    EXPECT_EQ(cells[0].day, 31);
    EXPECT_EQ(cells[1].day, 1);
    EXPECT_EQ(cells[28].month, 2);
    EXPECT_EQ(cells[28].day, 28);
    EXPECT_EQ(cells[29].month, 3);
    EXPECT_EQ(cells[41].day, 13);
}

TEST_F(ListPageTest, MarksOfEveryMonthAndTheirColours) {
    storeRun(2016, 5, 3, 23, 59);
    storeRun(2016, 5, 5, 0, 0);
    storeRun(2016, 6, 2, 7, 0);  // shown in May's last row
    storeRun(2015, 1, 1, 7, 0);
    start(Day(2016, 5, 10));
    size(CCalendarCtrl::kControl, 274, 150);
    const auto& cells = page->calendar().cells();
    std::vector<int> marked;
    for (int i = 0; i < 42; ++i)
        if (cells[i].marked) marked.push_back(i);
    EXPECT_EQ(marked, (std::vector<int>{9, 11, 39}));

    // the last paint went to the page: columns 39 wide, rows 21 high under the header
    auto paints = engine.operations("paint");
    ASSERT_FALSE(paints.empty());
    EXPECT_EQ(paints.back()["ctl"], 5000);
    Canvas c = page->calendar().draw();
    const Rect cell9 = cells[9].rect;  // 2016-05-03
    EXPECT_EQ(cell9, (Rect{78, 41, 117, 62}));
    EXPECT_TRUE(HasFill(c, Rect{79, 42, 116, 61}, CCalendarCtrl::kMarkColor));
    // unmarked days of other months are grey, the marked one of June orange
    EXPECT_TRUE(HasFill(c, Rect{1, 21, 38, 40}, CCalendarCtrl::kOtherMonthColor));
    const Rect june2 = cells[39].rect;
    EXPECT_TRUE(HasFill(c, Rect{june2.left + 1, june2.top + 1, june2.right - 1, june2.bottom - 1},
                        CCalendarCtrl::kMarkColor));
    // today (cell 16) is lighter, and selected: its four edges red
    const Rect today = cells[16].rect;
    EXPECT_TRUE(HasFill(c, Rect{today.left + 1, today.top + 1, today.right - 1, today.bottom - 1},
                        CCalendarCtrl::kTodayColor));
    EXPECT_TRUE(HasFill(c, Rect{today.left, today.top, today.right + 1, today.top + 1},
                        CCalendarCtrl::kRed));
    EXPECT_NE(c.texts().find("日\n月\n火\n水\n木\n金\n土"), std::string::npos);
    // the weekend headers are red
    EXPECT_EQ(c.items()[1].text, "日");
    EXPECT_EQ(c.items()[1].color, CCalendarCtrl::kRed);
    EXPECT_EQ(c.items()[2].color, Rgb(0, 0, 0));
}

TEST_F(ListPageTest, EmptyDatabaseHasNoMarksAndTodayWithoutRunsShowsZero) {
    start();
    for (const auto& c : page->calendar().cells()) EXPECT_EQ(c.marked, 0);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 0 履歴");
    EXPECT_TRUE(state.dayTracks.empty());
}

TEST_F(ListPageTest, MonthButtonsStepOverTheYearAndKeepTheRunList) {
    storeRun(2016, 1, 10, 8, 0);
    start(Day(2016, 1, 10));
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 1 履歴");
    engine.click(kPage, "lastmon");
    loop.poll();
    EXPECT_EQ(engine.text(kPage, "calendardate"), "2015-12");
    EXPECT_EQ(page->calendar().selected(), -1);
    EXPECT_EQ(page->calendar().selectedDay(), 0.0);
    EXPECT_EQ(state.dayTracks.size(), 1u);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 1 履歴");
    engine.click(kPage, "nextmon");
    EXPECT_EQ(engine.text(kPage, "calendardate"), "2016-01");
    page->calendar().setMonth(2016, 12);
    engine.click(kPage, "nextmon");
    EXPECT_EQ(engine.text(kPage, "calendardate"), "2017-01");
    engine.click(kPage, "today");
    loop.poll();
    EXPECT_EQ(engine.text(kPage, "calendardate"), "2016-01");
    EXPECT_EQ(page->calendar().selectedDay(), OleDateFromFields(2016, 1, 10));
}

TEST_F(ListPageTest, ClickingADayReadsItsRunsInStartOrder) {
    storeRun(2016, 5, 3, 18, 0);
    storeRun(2016, 5, 3, 7, 30);
    storeRun(2016, 5, 4, 0, 0);  // the next day at midnight is not the 3rd's
    start();
    size(CCalendarCtrl::kControl, 274, 150);
    clickDay(9);
    EXPECT_EQ(page->calendar().selected(), 9);
    ASSERT_EQ(state.dayTracks.size(), 2u);
    EXPECT_LT(state.dayTracks[0].stime, state.dayTracks[1].stime);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 2 履歴");
    EXPECT_EQ(engine.widgets().listState(kPage, CTrackList::kControl).count, 2);

    // the header band selects nothing and reads nothing
    mouseDown(50, 5);
    EXPECT_EQ(page->calendar().selected(), 9);
    // the same day again reads again
    state.dayTracks.clear();
    clickDay(9);
    EXPECT_EQ(state.dayTracks.size(), 2u);
}

TEST_F(ListPageTest, RunRowsShowFormattedValues) {
    storeRun(2016, 5, 10, 7, 30);
    start();
    std::string row = paintedRow(CTrackList::kControl, 0);
    EXPECT_EQ(row, "07:30~08:15\n0:45:00\nペース:06'00\"\n321 kcal\n距離:5.00 km\n");
    // the clock and units follow the settings at the next paint
    state.settings.set("tformat", 1);
    state.settings.set("unit_system", 1);
    row = paintedRow(CTrackList::kControl, 0);
    EXPECT_NE(row.find("AM 07:30~AM 08:15"), std::string::npos);
    EXPECT_NE(row.find("距離:3.11 mi"), std::string::npos);
}

TEST_F(ListPageTest, SelectedRowsGetTheGradientBackground) {
    storeRun(2016, 5, 10, 7, 30);
    storeRun(2016, 5, 10, 9, 30);
    start();
    engine.listSelect(kPage, CTrackList::kControl, {1}, 1);
    auto hasGradient = [](const Canvas& c) {
        return std::any_of(c.items().begin(), c.items().end(), [](const CanvasItem& i) {
            return i.kind == CanvasItem::Kind::Gradient;
        });
    };
    EXPECT_FALSE(hasGradient(page->trackList().paintRow(0)));
    Canvas sel = page->trackList().paintRow(1);
    EXPECT_TRUE(hasGradient(sel));
    EXPECT_EQ(sel.width(), 267);
    EXPECT_EQ(sel.height(), 42);
}

TEST_F(ListPageTest, OpeningARunLoadsItsPointsAndLapsAndMarksItsRowAlone) {
    storeRun(2016, 5, 10, 7, 30, 30);
    storeRun(2016, 5, 10, 9, 30, 25);
    start();
    openRun(1);
    EXPECT_EQ(page->trackList().openRow(), 1);
    EXPECT_EQ(state.trackPoints.size(), 25u);
    EXPECT_EQ(state.trackLaps.size(), 3u);
    EXPECT_EQ(engine.widgets().listState(kPage, CPointList::kControl).count, 25);
    EXPECT_EQ(engine.widgets().listState(kPage, CLapList::kControl).count, 3);
    EXPECT_EQ(shown(), 1);
    EXPECT_GE(cleared(), 1);
    auto hasMarker = [](const Canvas& c) {
        return std::any_of(c.items().begin(), c.items().end(), [](const CanvasItem& i) {
            return i.kind == CanvasItem::Kind::Bitmap && i.text == CTrackList::kOpenMarker;
        });
    };
    EXPECT_TRUE(hasMarker(page->trackList().paintRow(1)));
    EXPECT_FALSE(hasMarker(page->trackList().paintRow(0)));

    EXPECT_EQ(paintedRow(CLapList::kControl, 0), "L01 0:05:05\n06'00\"\n60 kcal\n1.00 km\n");
    std::string point = paintedRow(CPointList::kControl, 2);
    EXPECT_EQ(point,
              "3\n2016-05-10 09:30:20\n35.00020°\n139.00000°\n0.05 km\n9.5 km/h\n2 kcal\n"
              "06'19\"\n12 m\n");

    // filling the run list again drops the marker
    page->reloadDay();
    EXPECT_EQ(page->trackList().openRow(), -1);
    EXPECT_TRUE(state.trackPoints.empty());
    EXPECT_TRUE(state.trackLaps.empty());
}

TEST_F(ListPageTest, OpeningALapNarrowsThePointsAndKeepsTheRun) {
    storeRun(2016, 5, 10, 7, 30, 30);
    start();
    openRun(0);
    engine.listSelect(kPage, CLapList::kControl, {1}, 1);
    listEvent(CLapList::kControl, K::DoubleClick, 1);
    ASSERT_EQ(state.trackPoints.size(), 10u);
    EXPECT_EQ(state.trackPoints.front().sindex, 10);
    EXPECT_EQ(state.trackPoints.back().sindex, 19);
    EXPECT_EQ(state.trackLaps.size(), 3u);
    EXPECT_EQ(page->trackList().openRow(), 0);
    EXPECT_EQ(shown(), 2);
}

TEST_F(ListPageTest, DoubleClickWithoutSelectionDoesNothing) {
    storeRun(2016, 5, 10, 7, 30);
    start();
    listEvent(CTrackList::kControl, K::DoubleClick, 0);
    listEvent(CLapList::kControl, K::DoubleClick, 0);
    EXPECT_EQ(page->trackList().openRow(), -1);
    EXPECT_TRUE(state.trackPoints.empty());
    EXPECT_EQ(shown(), 0);
}

TEST_F(ListPageTest, ARunOfOnePointFeedsNoChart) {
    storeRun(2016, 5, 10, 7, 30, 1);
    start();
    openRun(0);
    EXPECT_EQ(state.trackPoints.size(), 1u);
    EXPECT_EQ(shown(), 0);
}

TEST_F(ListPageTest, RightClickShowsTheRunMenuOnlyWithASelection) {
    storeRun(2016, 5, 10, 7, 30);
    start();
    engine.clearOperations();
    WidgetEvent e = widgetEvent(CTrackList::kControl, K::RightClick);
    e.pageX = 40;
    e.pageY = 90;
    engine.widget(e);
    EXPECT_TRUE(engine.operations("popup").empty());
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    engine.widget(e);
    auto popups = engine.operations("popup");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0]["x"], 40);
    EXPECT_EQ(popups[0]["y"], 90);
}

TEST_F(ListPageTest, DeletingAnsweredNoChangesNothing) {
    storeRun(2016, 5, 10, 7, 30);
    start();
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    answerDialog("0");
    engine.click(kPage, "ontkdel");
    loop.poll();
    EXPECT_EQ(db.allTracks().size(), 1u);
    EXPECT_EQ(state.dayTracks.size(), 1u);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 1 履歴");
}

TEST_F(ListPageTest, DeletingSelectedRunsKeepsTheOpenOneOpen) {
    storeRun(2016, 5, 10, 7, 30);
    int second = storeRun(2016, 5, 10, 9, 30);
    storeRun(2016, 5, 10, 11, 30);
    start();
    openRun(1);
    engine.listSelect(kPage, CTrackList::kControl, {0, 2}, 2);
    answerDialog("1");
    engine.click(kPage, "ontkdel");
    loop.poll();
    ASSERT_EQ(db.allTracks().size(), 1u);
    EXPECT_EQ(db.allTracks()[0].objid, second);
    ASSERT_EQ(state.dayTracks.size(), 1u);
    EXPECT_EQ(state.dayTracks[0].objid, second);
    EXPECT_EQ(page->trackList().openRow(), 0);
    EXPECT_EQ(state.trackPoints.size(), 30u);  // still open
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 1 履歴");
    EXPECT_EQ(engine.widgets().listState(kPage, CTrackList::kControl).count, 1);
}

TEST_F(ListPageTest, DeletingTheOpenRunClearsTheViewsAndTheDaysMark) {
    storeRun(2016, 5, 10, 7, 30);
    start();
    EXPECT_EQ(page->calendar().cells()[16].marked, 1);
    openRun(0);
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    answerDialog("1");
    engine.click(kPage, "ontkdel");
    loop.poll();
    EXPECT_TRUE(db.allTracks().empty());
    EXPECT_TRUE(db.trackPoints(1).empty());
    EXPECT_TRUE(state.dayTracks.empty());
    EXPECT_TRUE(state.trackPoints.empty());
    EXPECT_EQ(page->trackList().openRow(), -1);
    EXPECT_EQ(page->calendar().cells()[16].marked, 0);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 0 履歴");
}

TEST_F(ListPageTest, DownloadDoneReadsTheDayAndTheMarksAgain) {
    start();
    storeRun(2016, 5, 10, 7, 30);
    storeRun(2016, 5, 20, 7, 30);
    Message done;
    done.id = WM_DOWNLOAD_DONE;
    loop.send(page->handle(), done);
    loop.poll();
    EXPECT_EQ(state.dayTracks.size(), 1u);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 1 履歴");
    EXPECT_EQ(page->calendar().cells()[26].marked, 1);
    EXPECT_EQ(page->calendar().selected(), 16);
}

TEST_F(ListPageTest, TheSingleColumnNarrowsWhileAScrollBarShows) {
    start();
    auto scroll = [&](bool vscroll) {
        loop.postTask([] {});
        engine.events().dispatch({{"ev", "list"},
                                  {"frame", kPage},
                                  {"ctl", CTrackList::kControl},
                                  {"kind", "scroll"},
                                  {"vscroll", vscroll}});
        loop.poll();
    };
    scroll(true);
    EXPECT_EQ(page->trackList().columnWidth(), 250);
    EXPECT_EQ(engine.widgets().listState(kPage, CTrackList::kControl).columnWidths.at(0), 250);
    EXPECT_EQ(page->trackList().paintRow(0).width(), 250);
    scroll(false);
    EXPECT_EQ(page->trackList().columnWidth(), 267);
}

TEST_F(ListPageTest, CtrlASelectsEveryLap) {
    storeRun(2016, 5, 10, 7, 30, 30);
    start();
    openRun(0);
    engine.widget({.frame = kPage,
                   .ctl = CLapList::kControl,
                   .type = "sys-listview",
                   .kind = K::Key,
                   .keys = kMkControl,
                   .key = "a"});
    EXPECT_EQ(engine.widgets().listState(kPage, CLapList::kControl).selected,
              (std::set<int>{0, 1, 2}));
}

TEST_F(ListPageTest, PointClickShowsThePointOnTheMap) {
    storeRun(2016, 5, 10, 7, 30, 30);
    start();
    openRun(0);
    engine.listSelect(kPage, CPointList::kControl, {4}, 4);
    listEvent(CPointList::kControl, K::Click, 4);
    const std::vector<std::string> point4{"35.000400", "139.000000"};
    EXPECT_EQ(mapCalls("showAnimationPoint"), (std::vector<std::vector<std::string>>{point4}));
}

}  // namespace
}  // namespace dorvath
