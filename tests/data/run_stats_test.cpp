// The overview's figures on constructed runs: best efforts (against a plain search of all
// pairs), splits of a kilometre and of a mile, totals by week, month and year, and the
// best efforts kept in step with the runs stored and deleted.
#include "data/run_stats.h"

#include <gtest/gtest.h>

#include <random>

#include "data/track_database.h"
#include "temp_dir.h"

namespace dorvath {
namespace {

const double kStart = OleDateFromFields(2026, 3, 1, 7, 0, 0);

// Points `metres` apart, the k-th `seconds[k]` after the one before.
std::vector<TimeAndDistance> Steps(double metres, const std::vector<double>& seconds) {
    std::vector<TimeAndDistance> p{{kStart, 0}};
    for (double s : seconds) p.push_back({p.back().time + s * kOneSecond, p.back().dist + metres});
    return p;
}

RunEfforts EveryPair(const std::vector<TimeAndDistance>& p) {
    RunEfforts out;
    for (int e = 0; e < kEfforts; ++e) {
        double best = 1e300;
        for (size_t j = 0; j < p.size(); ++j)
            for (size_t i = 0; i < j; ++i)
                if (p[j].dist - p[i].dist >= kEffortDistances[e].metres &&
                    p[j].time - p[i].time < best) {
                    best = p[j].time - p[i].time;
                    // a time that runs backwards gives no negative effort
                    out[e] = {static_cast<int>(std::max(0LL, std::llround(best * 86400))),
                              static_cast<int>(i)};
                }
    }
    return out;
}

TEST(BestEfforts, TheFastestStretchThatCoversEachDistanceToTheSecond) {
    // 100 m steps: 30 s each, but steps 10 to 19 take 20 s.
    std::vector<double> steps(60, 30);
    for (int k = 10; k < 20; ++k) steps[k] = 20;
    const RunEfforts e = BestEfforts(Steps(100, steps));
    EXPECT_EQ(e[0].seconds, 80);  // 400 m inside the fast part
    EXPECT_EQ(e[1].seconds, 200);
    EXPECT_EQ(e[1].startIndex, 10);
    EXPECT_EQ(e[2].seconds, 10 * 20 + 7 * 30);  // 17 steps, the 10 fast ones among them
    EXPECT_EQ(e[3].seconds, 50 * 30 - 10 * 10);
    for (int k = 4; k < kEfforts; ++k) EXPECT_FALSE(e[k].covered()) << k;   // a 6 km run
    EXPECT_FALSE(BestEfforts(Steps(100, {30, 30, 30})).front().covered());  // 300 m
}

TEST(BestEfforts, AnyOrderOfFixesAgreesWithEveryPair) {
    std::mt19937 rng(5);
    for (int round = 0; round < 30; ++round) {
        std::vector<TimeAndDistance> p;
        for (int k = 0; k < 200; ++k)  // a watch's glitches: steps back in time and distance
            p.push_back({kStart + (k * 4 + int(rng() % 9)) * kOneSecond,
                         k * 30.0 + double(rng() % 400) - 100});
        const RunEfforts fast = BestEfforts(p), slow = EveryPair(p);
        for (int e = 0; e < kEfforts; ++e) EXPECT_EQ(fast[e].seconds, slow[e].seconds) << e;
    }
}

TEST(Splits, KilometresOrMilesTheLastOneShorter) {
    // 250 m per minute, 18 steps: 4.5 km.
    const auto p = Steps(250, std::vector<double>(18, 60));
    const std::vector<Split> km = Splits(p, kKilometre);
    ASSERT_EQ(km.size(), 5u);
    EXPECT_EQ(km[0].seconds, 240);
    EXPECT_DOUBLE_EQ(km[4].metres, 500);
    EXPECT_EQ(km[4].seconds, 120);
    const std::vector<Split> miles = Splits(p, kMile);
    ASSERT_EQ(miles.size(), 3u);  // at 1750 m and 3250 m, then the last 1250 m
    EXPECT_EQ(miles[0].seconds, 7 * 60);
    EXPECT_DOUBLE_EQ(miles[1].metres, 1500);
    EXPECT_DOUBLE_EQ(miles[2].metres, 1250);
    EXPECT_EQ(FormatPaceSeconds(miles[0].seconds, miles[0].metres), "4:00");
    EXPECT_EQ(FormatPaceSeconds(125, 0), "-");
    EXPECT_EQ(FormatHms(36061), "10:01:01");
}

TEST(Totals, ARunBelongsToTheDayOfItsStartAndWeeksStartOnSunday) {
    auto run = [](double stime, double dist) {
        Track t;
        t.stime = stime;
        t.dist = dist;
        t.elapsed = 1800;
        return t;
    };
    const std::vector<Track> runs = {
        run(OleDateFromFields(2025, 12, 31, 23, 59, 59) + 0.4 * kOneSecond, 5000),  // 23:59:59
        run(OleDateFromFields(2025, 12, 31, 23, 59, 59) + 0.6 * kOneSecond, 3000),  // 2026-01-01
        run(OleDateFromFields(2026, 1, 3, 12), 0),                                  // Saturday
        run(OleDateFromFields(2026, 1, 4, 6), 10000),                               // Sunday
    };
    const auto weeks = TotalsBy(runs, Period::Week);
    ASSERT_EQ(weeks.size(), 2u);
    EXPECT_EQ(weeks[0].period, "2025-12-28");
    EXPECT_EQ(weeks[0].totals, (Totals{3, 8000, 5400}));
    EXPECT_EQ(weeks[1].period, "2026-01-04");
    const auto months = TotalsBy(runs, Period::Month);
    ASSERT_EQ(months.size(), 2u);
    EXPECT_EQ(months[0].period, "2025-12");
    EXPECT_EQ(months[1].totals.runs, 3);
    EXPECT_EQ(TotalsBy(runs, Period::Year).back().period, "2026");
    EXPECT_EQ(FormatPaceSeconds(5400, 8000), "11:15");
}

TEST(StoredBests, KeptWithTheirRunFoundAgainForOlderRunsAndTiedToTheFirstRun) {
    test::TempDir dir;
    TrackDatabase db;
    db.open((dir / "velcan.db").string());
    db.createTables();
    auto store = [&](double day) {
        Track t;
        t.stime = day;
        std::vector<TrackPoint> pts;
        for (const TimeAndDistance& p : Steps(100, std::vector<double>(12, 30))) {
            TrackPoint& tp = pts.emplace_back();
            tp.time = p.time - kStart + day;
            tp.dist = p.dist;
        }
        std::vector<Lap> laps;
        db.storeTrack(t, pts, laps);
        return t.objid;
    };
    const int later = store(kStart + 1), first = store(kStart);
    auto bests = db.overallBests();
    ASSERT_EQ(bests.size(), 2u);           // 400 m and 1 km
    EXPECT_EQ(bests[0].run.objid, first);  // equal seconds: the run that started first
    EXPECT_EQ(bests[1].best.seconds, 300);

    db.execute("delete from TKBEST;");  // a database from before the table
    EXPECT_EQ(db.runsWithoutBests().size(), 2u);
    EXPECT_EQ(db.fillMissingBests(), 2);
    EXPECT_EQ(db.overallBests()[0].run.objid, first);
    db.deleteTrack(first);
    EXPECT_EQ(db.queryInt("select count(*) from TKBEST;"), kEfforts);
    EXPECT_EQ(db.overallBests()[0].run.objid, later);
}

}  // namespace
}  // namespace dorvath
