// The list page's file commands: exports of the run at the selection mark, saving the
// selected runs to a track file and reading one in.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "data/app_state.h"
#include "data/track_database.h"
#include "list_page_fixture.h"

namespace dorvath {
namespace {

constexpr const char* kPage = CListPageWnd::kFrame;
namespace fs = std::filesystem;

class ListPageFilesTest : public test::ListPageFixture {
  protected:
    void SetUp() override {
        ListPageFixture::SetUp();
        storeRun(7, 3);
        storeRun(9, 0);
        createPage([this](CListPageWnd& p) {
            p.chooseFile = [this](const FileDialogSpec& s) -> std::optional<fs::path> {
                specs.push_back(s);
                return chosen;
            };
        });
    }
    void storeRun(int hour, int points) {
        Track t;
        t.stime = OleDateFromFields(2016, 5, 10, hour, 0);
        t.etime = t.stime + 0.01;
        t.numofpt = points;
        std::vector<TrackPoint> pts(points);
        for (int i = 0; i < points; ++i) {
            pts[i].time = t.stime + i * kOneSecond;
            pts[i].lat = -33.5;
            pts[i].lng = 151.25;
        }
        std::vector<Lap> laps;
        db.storeTrack(t, pts, laps);
    }
    // Presses "Exit" on the message that comes next; returns its two lines when it came.
    std::vector<std::string> nextMessage(const std::function<void()>& action) {
        std::vector<std::string> lines;
        test::PressWhenOpen(loop, engine, {{"code", "0"}}, [&](const FramePath& dialog) {
            lines = {engine.text(dialog, "MsgText1"), engine.text(dialog, "MsgText2")};
        });
        action();
        loop.poll();
        return lines;
    }
    std::string read(const fs::path& p) { return test::ReadBytes(p); }

    std::vector<FileDialogSpec> specs;
    std::optional<fs::path> chosen;
};

TEST_F(ListPageFilesTest, ExportsTakeTheRunAtTheSelectionMark) {
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    chosen = dir / "run.gpx";
    engine.click(kPage, "ontkgpx");
    ASSERT_EQ(specs.size(), 1u);
    EXPECT_EQ(specs[0].mode, FileDialogMode::Save);
    EXPECT_EQ(specs[0].defaultExt, "gpx");
    EXPECT_EQ(specs[0].filters.at(0).label, "GPX Files (*.gpx)");
    EXPECT_NE(read(*chosen).find("-33.500000"), std::string::npos);

    chosen = dir / "run.kml";
    engine.click(kPage, "ontkkml");
    EXPECT_EQ(specs.back().filters.at(0).pattern, "*.kml");
    EXPECT_NE(read(*chosen).find("<kml"), std::string::npos);

    chosen = dir / "run.csv";
    engine.click(kPage, "ontkcsv");
    EXPECT_EQ(specs.back().defaultExt, "csv");
    EXPECT_TRUE(fs::exists(*chosen));

    chosen = dir / "run.tcx";
    engine.click(kPage, "ontktcx");
    EXPECT_EQ(specs.back().filters.at(0).label, "TCX Files (*.tcx)");
    EXPECT_NE(read(*chosen).find("<Activity Sport=\"Running\">"), std::string::npos);
    // each entry hides the menu first
    int hides = 0;
    for (const auto& op : engine.operations("popup")) hides += op["show"] == false;
    EXPECT_EQ(hides, 4);
}

TEST_F(ListPageFilesTest, CancelledDialogOrNoSelectionWritesNothing) {
    chosen.reset();
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    engine.click(kPage, "ontkgpx");
    EXPECT_EQ(specs.size(), 1u);
    engine.listSelect(kPage, CTrackList::kControl, {}, -1);
    chosen = dir / "none.gpx";
    engine.click(kPage, "ontkgpx");
    engine.click(kPage, "tksave");
    EXPECT_FALSE(fs::exists(*chosen));
}

TEST_F(ListPageFilesTest, SavingTwoRunsOfThreeAndZeroPointsAndReadingThemBack) {
    engine.listSelect(kPage, CTrackList::kControl, {0, 1}, 1);
    chosen = dir / "two.trk";
    engine.click(kPage, "tksave");
    ASSERT_EQ(specs.back().defaultExt, "trk");
    EXPECT_EQ(fs::file_size(*chosen), 356u);

    engine.click(kPage, "tkopen");
    EXPECT_EQ(specs.back().mode, FileDialogMode::Open);
    loop.poll();
    EXPECT_EQ(db.allTracks().size(), 4u);  // stored again under new ids
    EXPECT_EQ(state.dayTracks.size(), 4u);
    EXPECT_EQ(engine.text(kPage, "tracknum"), "合計 4 履歴");
}

TEST_F(ListPageFilesTest, AFileThatCannotBeOpenedChangesNothing) {
    openRun(0);
    loop.poll();
    ASSERT_EQ(state.trackPoints.size(), 3u);
    chosen = dir / "missing.trk";
    auto said = nextMessage([&] { engine.click(kPage, "tkopen"); });
    EXPECT_EQ(said.at(0), "トラックファイルを読み込めませんでした");
    EXPECT_EQ(state.trackPoints.size(), 3u);
    EXPECT_EQ(state.dayTracks.size(), 2u);
    EXPECT_EQ(engine.widgets().listState(kPage, CTrackList::kControl).selectionMark, 0);
}

TEST_F(ListPageFilesTest, AFailedFileCommandOrDatabaseErrorSaysWhyAndThePageGoesOn) {
    engine.listSelect(kPage, CTrackList::kControl, {0}, 0);
    chosen = dir / "no-such-folder" / "run.gpx";
    auto said = nextMessage([&] { engine.click(kPage, "ontkgpx"); });
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "エクスポートできませんでした");
    EXPECT_NE(said[1].find("no-such-folder"), std::string::npos) << said[1];

    chosen = dir / "no-such-folder" / "runs.trk";
    said = nextMessage([&] { engine.click(kPage, "tksave"); });
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "トラックファイルを保存できませんでした");

    // One good run, then one cut short: the first stays, the reason names the second.
    chosen = dir / "two.trk";
    engine.listSelect(kPage, CTrackList::kControl, {0, 1}, 1);
    engine.click(kPage, "tksave");
    fs::resize_file(*chosen, fs::file_size(*chosen) - 10);
    said = nextMessage([&] { engine.click(kPage, "tkopen"); });
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "トラックファイルを読み込めませんでした");
    EXPECT_NE(said[1].find("run 2 of 2"), std::string::npos) << said[1];
    EXPECT_EQ(db.allTracks().size(), 3u);
    EXPECT_EQ(state.dayTracks.size(), 3u);

    db.execute("drop table LAP;");
    said = nextMessage([&] { openRun(0); });
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "データベースのエラーです");
    EXPECT_NE(said[1].find("SQLITE_ERROR[1]"), std::string::npos) << said[1];
    EXPECT_EQ(state.trackPoints.size(), 3u);  // what could be read is shown
    EXPECT_TRUE(engine.openDialogs().empty());
}

// A log.xml that cannot be written leaves the map without a line, not with the run before.
TEST_F(ListPageFilesTest, AMapLineThatCannotBeWrittenClearsTheLine) {
    openRun(0);
    ASSERT_EQ(mapCalls("putTKLine").size(), 1u);
    fs::create_directory(dir / "log-folder");
    page->mapLinePath = dir / "log-folder";
    engine.clearOperations();
    openRun(0);
    EXPECT_TRUE(mapCalls("putTKLine").empty());
    const auto calls = engine.operations("call");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back()["fn"], "clrTKLine");
}

TEST_F(ListPageFilesTest, SavingAnEmptyListShowsNoDialog) {
    page->calendar().previousMonth();
    page->calendar().nextMonth();  // no day selected now
    page->reloadDay();
    engine.click(kPage, "tksave");
    EXPECT_TRUE(specs.empty());
}

}  // namespace
}  // namespace dorvath
