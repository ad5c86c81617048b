// The overview's commands print exactly what a script reads: totals by period, the best
// efforts and a run's splits, TAB-separated and metric.
#include <gtest/gtest.h>

#include "../data/temp_dir.h"
#include "data/track_database.h"
#include "run_command.h"

namespace dorvath {
namespace {

using test::RunDorvath;

// Two runs a week apart across the year's end, of 100 m steps at 30 s; the later one has
// ten steps of 20 s.
TEST(OverviewCommands, StatsBestsAndSplitsToTheSecond) {
    test::TempDir dir;
    {
        TrackDatabase db;
        db.open((dir / "velcan.db").string());
        db.createTables();
        for (int k = 0; k < 2; ++k) {
            Track t;
            t.stime = OleDateFromFields(2025, 12, 27 + 7 * k, 6, 30);
            t.elapsed = 1700;
            t.dist = 6000;
            std::vector<TrackPoint> pts(61);
            for (int i = 0; i < 61; ++i) {
                pts[i].time =
                    t.stime + (i * 30 - (k && i > 10 ? std::min(i - 10, 10) * 10 : 0)) * kOneSecond;
                pts[i].dist = i * 100;
            }
            std::vector<Lap> laps;
            db.storeTrack(t, pts, laps);
        }
    }
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", dir.path().string()});
        auto r = RunDorvath(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    };
    EXPECT_EQ(run({"stats", "--by", "week"}),
              "2025-12-21\t1\t6.00\t0:28:20\t4:43\n2025-12-28\t1\t6.00\t0:28:20\t4:43\n");
    EXPECT_EQ(run({"stats", "--by", "year"}),
              "2025\t1\t6.00\t0:28:20\t4:43\n2026\t1\t6.00\t0:28:20\t4:43\n");
    EXPECT_EQ(run({"bests"}),
              "400m\t0:01:20\t2\t2026-01-03 06:30:00\n"
              "1km\t0:03:20\t2\t2026-01-03 06:30:00\n"
              "1mile\t0:06:50\t2\t2026-01-03 06:30:00\n"
              "5km\t0:23:20\t2\t2026-01-03 06:30:00\n");
    EXPECT_EQ(run({"splits", "2"}).substr(0, 40),
              "1\t0:05:00\t5:00\t1000\n2\t0:03:20\t3:20\t1000\n");
    EXPECT_EQ(RunDorvath({"--data-dir", dir.path().string(), "splits", "9"}).status, 1);
    EXPECT_EQ(RunDorvath({"--data-dir", dir.path().string(), "stats", "--by", "day"}).status, 2);
}

}  // namespace
}  // namespace dorvath
