#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "app/run_command.h"
#include "data/temp_dir.h"
#include "data/track.h"
#include "data/track_database.h"

namespace dorvath {
namespace {

using test::RunDorvath;

std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < s.size()) {
        size_t nl = s.find('\n', at);
        if (nl == std::string::npos) nl = s.size();
        out.push_back(s.substr(at, nl - at));
        at = nl + 1;
    }
    return out;
}

TEST(DownloadCommand, DemoRunsAreStoredOnceAndListed) {
    test::TempDir dir;
    auto first = RunDorvath({"download", "--simulate-watch", "--data-dir", dir.path().string()});
    ASSERT_EQ(first.status, 0) << first.err;
    auto lines = Lines(first.out);
    ASSERT_GE(lines.size(), 2u);
    const std::string summary = lines.back();
    ASSERT_EQ(summary.rfind("stored ", 0), 0u) << summary;
    int stored = std::stoi(summary.substr(7));
    EXPECT_GE(stored, 3);
    EXPECT_EQ(summary, "stored " + std::to_string(stored) + ", skipped 0");
    EXPECT_EQ(lines.front().rfind("履歴1 ", 0), 0u);

    auto second = RunDorvath({"--simulate-watch", "download", "--data-dir", dir.path().string()});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "stored 0, skipped " + std::to_string(stored) + "\n");

    auto runs = RunDorvath({"runs", "--data-dir", dir.path().string()});
    EXPECT_EQ(runs.status, 0);
    EXPECT_EQ(Lines(runs.out).size(), static_cast<size_t>(stored));
}

class ScenarioCommand : public ::testing::Test {
  protected:
    std::string scenario(const std::string& json) {
        std::ofstream(dir / "watch.json") << json;
        return "--simulate-watch=" + (dir / "watch.json").string();
    }
    test::TempDir dir;
};

TEST_F(ScenarioCommand, StoresExactlyTheScenariosFixesLapsAndTimes) {
    auto r = RunDorvath({"download", "--data-dir", dir.path().string(), scenario(R"({
        "settings": {"utc_bias": -60, "daylight": 1},
        "logs": [{"start_time": 1700000000, "distance_km": 2.5, "kcal": 150, "elapsed": 900,
                  "pace": 10.0, "records": [
          {"kind": 0, "lat_e6": 48856613, "lng_e6": 2352222, "time": 1700000000, "speed": 9.5,
           "dist": 0.0, "kcal": 0, "pace": 6.3, "atli": 35.0},
          {"kind": 1, "kcal": 70, "lap_distance": 1000.0, "lap_seconds": 380, "pace": 9.47},
          {"kind": 0, "lat_e6": 48857613, "lng_e6": 2353222, "time": 1700000450, "speed": 10.5,
           "dist": 1250.5, "kcal": 80, "pace": 5.7, "atli": 36.5}]}]})")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "履歴1 3-3\nstored 1, skipped 0\n");

    TrackDatabase db;
    db.open((dir / "velcan.db").string());
    auto tracks = db.allTracks();
    ASSERT_EQ(tracks.size(), 1u);
    // +60 minutes for the bias, -3600 for summer time: the watch's count unchanged.
    EXPECT_EQ(FormatDateTime(tracks[0].stime), "2023-11-14 22:13:20");
    EXPECT_EQ(FormatDateTime(tracks[0].etime), "2023-11-14 22:20:50");
    EXPECT_DOUBLE_EQ(tracks[0].dist, 2500);
    EXPECT_EQ(tracks[0].numofpt, 2);
    auto points = db.trackPoints(tracks[0].objid);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_DOUBLE_EQ(points[0].lat, 48.856613);
    EXPECT_DOUBLE_EQ(points[1].lng, 2.353222);
    EXPECT_DOUBLE_EQ(points[1].dist, 1250.5);
    EXPECT_DOUBLE_EQ(points[1].atli, 36.5);
    auto laps = db.trackLaps(tracks[0].objid);
    ASSERT_EQ(laps.size(), 1u);
    EXPECT_EQ(laps[0].si, 0);
    EXPECT_EQ(laps[0].ei, 1);
    EXPECT_EQ(laps[0].time, 380);
    EXPECT_FLOAT_EQ(laps[0].dist, 1000.0f);
}

TEST_F(ScenarioCommand, FaultKeepsTheLogsCompletedBeforeItAndExitsOne) {
    // settings 6, count 2, then per 10-record log: header 2, request 1, records 10;
    // the fault comes two records into the second log.
    auto r = RunDorvath({"download", "--data-dir", dir.path().string(), scenario(R"({
        "logs": [{"start_time": 1000000, "generate": {"points": 10, "lap_every_m": 0}},
                 {"start_time": 2000000, "generate": {"points": 10, "lap_every_m": 0}},
                 {"start_time": 3000000, "generate": {"points": 10, "lap_every_m": 0}}],
        "faults": {"stop_after_reports": 26}})")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "履歴1 10-10\nstored 1, skipped 0\n");
    auto runs = RunDorvath({"runs", "--data-dir", dir.path().string()});
    EXPECT_EQ(Lines(runs.out).size(), 1u);
}

// Ctrl+C once the first of three runs is stored (the second's progress has begun): the
// command stops at its next step, says so in its summary and exits 130; only whole runs
// are stored, and the next download stores the rest.
TEST_F(ScenarioCommand, CtrlCStopsAfterTheStoredRunsAndExits130) {
    const std::string watch = scenario(R"({"report_delay_us": 300,
        "logs": [{"start_time": 1000000, "generate": {"points": 3000, "seed": 1}},
                 {"start_time": 2000000, "generate": {"points": 3000, "seed": 2}},
                 {"start_time": 3000000, "generate": {"points": 3000, "seed": 3}}]})");
    test::StartedDorvath child =
        test::StartDorvath({"download", "--data-dir", dir.path().string(), watch}, false, true);
    ASSERT_GT(child.pid, 0);
    const std::string before = child.readOutUntil("\n履歴2 ");
    ASSERT_NE(before.find("\n履歴2 "), std::string::npos) << before;
    child.kill(SIGINT);
    const std::string all = child.readOutUntil("\n<to the end>");
    const std::string err = child.read(false);
    EXPECT_EQ(child.wait(), 130) << err;
    auto lines = Lines(all);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "stored 1, skipped 0, cancelled");
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("履歴3", 0), std::string::npos) << l;

    auto whole = [this] {
        TrackDatabase db;
        db.open((dir / "velcan.db").string());
        std::vector<int> points;
        for (const Track& t : db.allTracks()) {
            EXPECT_EQ(db.queryInt(
                          "select count(*) from TKPT where tkid=" + std::to_string(t.objid) + ";"),
                      t.numofpt);
            points.push_back(t.numofpt);
        }
        EXPECT_EQ(
            db.queryInt("select count(*) from TKPT where tkid not in (select objid from TK);"), 0);
        return points;
    };
    EXPECT_EQ(whole(), std::vector<int>{3000});

    auto again = RunDorvath({"download", "--data-dir", dir.path().string(), watch});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Lines(again.out).back(), "stored 2, skipped 1");
    EXPECT_EQ(whole(), (std::vector<int>{3000, 3000, 3000}));
}

TEST_F(ScenarioCommand, BadScenarioNamesTheKey) {
    auto r = RunDorvath({"download", "--data-dir", dir.path().string(),
                         scenario(R"({"logs": [{"start_time": 1, "extra": 2}]})")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("logs[0].extra: unknown key"), std::string::npos) << r.err;
}

TEST_F(ScenarioCommand, EraseEmptiesTheSimulatedWatch) {
    auto r = RunDorvath({"erase", scenario(R"({"logs": [{"start_time": 1}]})")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto stopped = RunDorvath({"erase", scenario(R"({"faults": {"stop_after_reports": 1}})")});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, "端末とUSBの接続を確認して下さい\n");
}

TEST(WatchCommands, NoWatchGivesTheConnectionMessage) {
    test::TempDir dir;
    auto d = RunDorvath({"download", "--data-dir", dir.path().string()});
    EXPECT_EQ(d.status, 2);
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(d.err, "端末とUSBの接続を確認して下さい\n");
    auto e = RunDorvath({"erase"});
    EXPECT_EQ(e.status, 2);  // no watch, as for download; 1 is a failed transfer
    EXPECT_EQ(e.err, "端末とUSBの接続を確認して下さい\n");
}

}  // namespace
}  // namespace dorvath
